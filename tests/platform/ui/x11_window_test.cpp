// Top-level windows on a real X server (Xvfb): shape, presentation, input
// and a dialog driven by X events. The platform runs in the probe program,
// because the backend is chosen once per process.

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "platform/ui/Png.h"
#include "platform/ui/Surface.h"
#include "platform/ui/x11_test_support.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;
using namespace velmora::test;
using namespace velmora::test::x11;

namespace {

class X11Windows : public XvfbTest {};

// Pixels that differ by more than a little in any channel.
int differingPixels(const std::vector<uint32_t>& screen, const plat::ui::Surface& expected)
{
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const uint32_t a = screen[static_cast<size_t>(y) * static_cast<size_t>(expected.width()) +
                                      static_cast<size_t>(x)];
            const uint32_t b = expected.pixel(x, y) & 0xFFFFFFu;
            for (int shift = 0; shift < 24; shift += 8)
                if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
                    8) {
                    ++differing;
                    break;
                }
        }
    }
    return differing;
}

TEST_F(X11Windows, ShapedWindowCoversExactlyItsRegion)
{
    Watchdog watchdog(30s, "shaped window");
    Probe probe(display(), {"shaped"});
    const ::Window window = shownWindow(probe, "shaped");
    ASSERT_NE(window, None);

    int count = 0;
    int ordering = 0;
    XRectangle* rects = XShapeGetRectangles(client_->display(), window, ShapeBounding, &count, &ordering);
    ASSERT_NE(rects, nullptr);
    // The T: a bar 200 x 40 over a stem 100 x 60, compared pixel by pixel.
    std::vector<bool> covered(200 * 100, false);
    for (int i = 0; i < count; ++i)
        for (int y = rects[i].y; y < rects[i].y + rects[i].height; ++y)
            for (int x = rects[i].x; x < rects[i].x + rects[i].width; ++x)
                if (x >= 0 && x < 200 && y >= 0 && y < 100)
                    covered[static_cast<size_t>(y * 200 + x)] = true;
    XFree(rects);
    int wrong = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (covered[static_cast<size_t>(y * 200 + x)] != (y < 40 || (x >= 50 && x < 150)))
                ++wrong;
    EXPECT_EQ(wrong, 0);

    // On the screen: the window's red inside the shape, whatever is below outside it.
    const auto deadline = Clock::now() + 5s;
    std::vector<uint32_t> screen;
    do {
        screen = client_->pixels(client_->root(), 300 + 200, 200 + 100);
    } while (Clock::now() < deadline && !screen.empty() &&
             screen[(200 + 70) * 500 + 300 + 100] != 0xDC0000u && usleep(20000) == 0);
    ASSERT_FALSE(screen.empty());
    EXPECT_EQ(screen[(200 + 70) * 500 + 300 + 100], 0xDC0000u); // the stem
    EXPECT_EQ(screen[(200 + 10) * 500 + 300 + 10], 0xDC0000u);  // the bar
    EXPECT_NE(screen[(200 + 70) * 500 + 300 + 10], 0xDC0000u);  // beside the stem
    EXPECT_NE(screen[(200 + 90) * 500 + 300 + 190], 0xDC0000u);
}

// The same window painted on the headless backend and shown on X looks the
// same, through shared memory and through plain image requests alike.
class X11Scene : public X11Windows, public ::testing::WithParamInterface<bool> {};

TEST_P(X11Scene, ScreenshotMatchesTheHeadlessPicture)
{
    Watchdog watchdog(30s, "scene screenshot");
    TempFolder folder;
    const std::string picture = folder.file("headless.png");
    {
        Probe headless(display(), {"scene", "--save", picture}, {"VELMORA_UI=headless"});
        ASSERT_TRUE(headless.waitFor("saved"));
    }
    plat::ui::Surface expected;
    ASSERT_TRUE(plat::ui::loadPngFile(picture, expected));
    ASSERT_EQ(expected.width(), 240);
    ASSERT_EQ(expected.height(), 140);

    std::vector<std::string> environment;
    if (!GetParam())
        environment.push_back("VELMORA_X11_NO_SHM=1");
    Probe probe(display(), {"scene"}, environment);
    const ::Window window = shownWindow(probe, "scene");
    ASSERT_NE(window, None);
    // The first presentation may still be on its way: look until it has arrived.
    int differing = 0;
    const auto deadline = Clock::now() + 5s;
    do {
        const std::vector<uint32_t> screen = client_->pixels(window, 240, 140);
        ASSERT_EQ(screen.size(), 240u * 140u);
        differing = differingPixels(screen, expected);
    } while (differing > 0 && Clock::now() < deadline && usleep(20000) == 0);
    EXPECT_LE(differing, 240 * 140 / 100) << "more than 1% of the pixels differ";
}

INSTANTIATE_TEST_SUITE_P(Presentation, X11Scene, ::testing::Values(true, false), [](const auto& parameter) {
    return parameter.param ? "SharedMemory" : "PlainImages";
});

TEST_F(X11Windows, MouseAndKeysArriveAsTheSystemsMessages)
{
    Watchdog watchdog(30s, "input");
    Probe probe(display(), {"scene"});
    const ::Window window = shownWindow(probe, "scene");
    ASSERT_NE(window, None);

    client_->sendButton(window, 30, 40, Button1, true);
    EXPECT_EQ(probe.waitFor("lbutton"), "lbuttondown 30 40");
    client_->sendButton(window, 31, 41, Button1, false);
    EXPECT_EQ(probe.waitFor("lbutton"), "lbuttonup 31 41");
    client_->sendButton(window, 5, 6, Button3, true);
    EXPECT_EQ(probe.waitFor("rbutton"), "rbuttondown 5 6");
    client_->sendButton(window, 10, 10, Button4, true);
    EXPECT_EQ(probe.waitFor("wheel"), "wheel 120");
    client_->sendButton(window, 10, 10, Button5, true);
    EXPECT_EQ(probe.waitFor("wheel"), "wheel -120");

    // A letter is its upper-case code whatever the shift, and types its character.
    client_->sendKey(window, XK_a, true);
    EXPECT_EQ(probe.waitFor("keydown"), "keydown 0x41");
    EXPECT_EQ(probe.waitFor("char"), "char 0x61");
    client_->sendKey(window, XK_a, true, ShiftMask);
    EXPECT_EQ(probe.waitFor("keydown"), "keydown 0x41");
    EXPECT_EQ(probe.waitFor("char"), "char 0x41");
    client_->sendKey(window, XK_7, true);
    EXPECT_EQ(probe.waitFor("keydown"), "keydown 0x37");
    const std::pair<KeySym, const char*> keys[] = {
        {XK_F1, "keydown 0x70"},     {XK_Escape, "keydown 0x1B"},    {XK_Tab, "keydown 0x09"},
        {XK_Left, "keydown 0x25"},   {XK_Down, "keydown 0x28"},      {XK_space, "keydown 0x20"},
        {XK_Delete, "keydown 0x2E"}, {XK_BackSpace, "keydown 0x08"}, {XK_Return, "keydown 0x0D"},
    };
    for (const auto& [keysym, expected] : keys) {
        client_->sendKey(window, keysym, true);
        EXPECT_EQ(probe.waitFor("keydown"), expected);
    }
}

TEST_F(X11Windows, CloseButtonOfTheWindowManagerClosesTheWindow)
{
    Watchdog watchdog(30s, "close request");
    Probe probe(display(), {"scene"});
    const ::Window window = shownWindow(probe, "scene");
    ASSERT_NE(window, None);

    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window;
    request.xclient.message_type = client_->atom("WM_PROTOCOLS");
    request.xclient.format = 32;
    request.xclient.data.l[0] = static_cast<long>(client_->atom("WM_DELETE_WINDOW"));
    XSendEvent(client_->display(), window, False, NoEventMask, &request);
    XFlush(client_->display());
    // Closed, destroyed, loop ended: the probe says goodbye and the window is gone.
    EXPECT_TRUE(probe.waitFor("bye"));
    const auto deadline = Clock::now() + 5s;
    while (client_->findWindow("x11-probe scene") != None && Clock::now() < deadline)
        usleep(10000);
    EXPECT_EQ(client_->findWindow("x11-probe scene"), None);
}

TEST_F(X11Windows, MinimisedWindowLeavesTheScreenAndComesBack)
{
    Watchdog watchdog(30s, "minimise");
    Probe probe(display(), {"scene"});
    const ::Window window = shownWindow(probe, "scene");
    ASSERT_NE(window, None);
    auto mapState = [&] {
        XWindowAttributes attributes{};
        XGetWindowAttributes(client_->display(), window, &attributes);
        return attributes.map_state;
    };
    EXPECT_EQ(mapState(), IsViewable);
    // Without a window manager to keep icons, a minimised window is unmapped.
    client_->sendKey(window, XK_m, true);
    ASSERT_TRUE(probe.waitFor("minimised"));
    XSync(client_->display(), False);
    EXPECT_EQ(mapState(), IsUnmapped);
    client_->sendKey(window, XK_r, true);
    ASSERT_TRUE(probe.waitFor("restored"));
    XSync(client_->display(), False);
    EXPECT_EQ(mapState(), IsViewable);
}

// The properties a window manager reads: name, close protocol, type, and no
// frame for skinned pop-ups while a dialog with a caption keeps its frame.
TEST_F(X11Windows, WindowManagerHintsFollowTheWindowStyle)
{
    Watchdog watchdog(30s, "hints");
    auto property = [&](::Window window, const char* name) {
        return windowProperty(client_->display(), window, name);
    };

    Probe popup(display(), {"scene"});
    const ::Window scene = shownWindow(popup, "scene");
    ASSERT_NE(scene, None);
    const std::vector<long> name = property(scene, "_NET_WM_NAME");
    EXPECT_EQ(std::string(name.begin(), name.end()), "x11-probe scene");
    const std::vector<long> protocols = property(scene, "WM_PROTOCOLS");
    EXPECT_NE(
        std::find(protocols.begin(), protocols.end(), static_cast<long>(client_->atom("WM_DELETE_WINDOW"))),
        protocols.end());
    EXPECT_EQ(property(scene, "_NET_WM_WINDOW_TYPE"),
              std::vector<long>{static_cast<long>(client_->atom("_NET_WM_WINDOW_TYPE_NORMAL"))});
    const std::vector<long> motif = property(scene, "_MOTIF_WM_HINTS");
    ASSERT_EQ(motif.size(), 5u);
    EXPECT_EQ(motif[0] & 2, 2); // the decorations field counts
    EXPECT_EQ(motif[2], 0);     // and asks for none

    Probe dialog(display(), {"dialog"});
    ASSERT_TRUE(dialog.waitFor("button "));
    const ::Window framed = waitForWindow("x11-probe dialog");
    ASSERT_NE(framed, None);
    EXPECT_TRUE(property(framed, "_MOTIF_WM_HINTS").empty());
}

// _NET_WM_ICON as a window manager reads it: CARDINAL items, width and height
// then the pixels of each icon. Empty when the window has none.
std::vector<uint32_t> iconProperty(Client& client, ::Window window)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::vector<uint32_t> items;
    if (XGetWindowProperty(client.display(), window, client.atom("_NET_WM_ICON"), 0, 1 << 16, False,
                           AnyPropertyType, &type, &format, &count, &remaining, &data) == Success &&
        data != nullptr) {
        EXPECT_EQ(type, static_cast<Atom>(XA_CARDINAL));
        EXPECT_EQ(format, 32);
        EXPECT_EQ(remaining, 0u);
        // Format-32 items arrive as longs, one per item.
        const long* values = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i < count; ++i)
            items.push_back(static_cast<uint32_t>(values[i]));
    }
    if (data != nullptr)
        XFree(data);
    return items;
}

TEST_F(X11Windows, ClassIconsBecomeTheWindowIcons)
{
    Watchdog watchdog(30s, "icons");
    Probe probe(display(), {"scene"});
    const ::Window window = shownWindow(probe, "scene");
    ASSERT_NE(window, None);

    // The large icon (32 x 32) and then the small one (16 x 16), nothing else.
    const std::vector<uint32_t> items = iconProperty(*client_, window);
    ASSERT_EQ(items.size(), (2u + 32u * 32u) + (2u + 16u * 16u));
    EXPECT_EQ(items[0], 32u);
    EXPECT_EQ(items[1], 32u);
    const uint32_t* large = &items[2];
    EXPECT_EQ(large[0], 0xFF204060u);
    // Row by row, alpha kept: the translucent pixel at (5, 3) and its neighbours.
    EXPECT_EQ(large[3 * 32 + 5], 0x80112233u);
    EXPECT_EQ(large[5 * 32 + 3], 0xFF204060u);
    EXPECT_EQ(large[3 * 32 + 6], 0xFF204060u);
    const uint32_t* small = large + 32 * 32;
    EXPECT_EQ(small[0], 16u);
    EXPECT_EQ(small[1], 16u);
    EXPECT_EQ(small[2], 0xFF00A000u);
    EXPECT_EQ(small[2 + 16 * 16 - 1], 0xFF0000FFu);

    // A window whose class has no icon gets no property at all.
    Probe dialog(display(), {"dialog"});
    ASSERT_TRUE(dialog.waitFor("button "));
    const ::Window framed = waitForWindow("x11-probe dialog");
    ASSERT_NE(framed, None);
    EXPECT_TRUE(iconProperty(*client_, framed).empty());
}

TEST_F(X11Windows, DialogButtonClickedThroughXEventsEndsTheDialog)
{
    Watchdog watchdog(30s, "dialog click");
    Probe probe(display(), {"dialog"});
    const auto placed = probe.waitFor("button ");
    ASSERT_TRUE(placed);
    std::istringstream fields(placed->substr(7));
    int x = 0, y = 0, width = 0, height = 0;
    fields >> x >> y >> width >> height;
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    const ::Window window = waitForWindow("x11-probe dialog");
    ASSERT_NE(window, None);

    const int centreX = x + width / 2;
    const int centreY = y + height / 2;
    client_->sendMotion(window, centreX, centreY);
    client_->sendButton(window, centreX, centreY, Button1, true);
    client_->sendButton(window, centreX, centreY, Button1, false);
    EXPECT_EQ(probe.waitFor("ended"), "ended 1001");
}

TEST_F(X11Windows, EscapeKeyCancelsTheDialog)
{
    Watchdog watchdog(30s, "dialog escape");
    Probe probe(display(), {"dialog"});
    ASSERT_TRUE(probe.waitFor("button "));
    const ::Window window = waitForWindow("x11-probe dialog");
    ASSERT_NE(window, None);
    client_->sendKey(window, XK_Escape, true);
    client_->sendKey(window, XK_Escape, false);
    EXPECT_EQ(probe.waitFor("ended"), "ended 2");
}

} // namespace
