// The tray icon on the XEmbed system tray of an X server (Xvfb), with the
// test itself as the tray: it owns _NET_SYSTEM_TRAY_S0, announces itself with
// MANAGER and receives the icon's dock request.

#include <gtest/gtest.h>

#include <X11/Xatom.h>

#include "platform/ui/x11_test_support.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;
using namespace velmora::test;
using namespace velmora::test::x11;

namespace {

class X11Tray : public XvfbTest {
protected:
    void SetUp() override
    {
        XvfbTest::SetUp();
        if (setUpFailed())
            return;
        selection_ = client_->atom("_NET_SYSTEM_TRAY_S0");
        opcode_ = client_->atom("_NET_SYSTEM_TRAY_OPCODE");
    }

    // A tray: a window that owns the selection and says so on the root window.
    ::Window startTray()
    {
        ::Display* display = client_->display();
        const ::Window tray = XCreateSimpleWindow(display, client_->root(), 0, 0, 200, 30, 0, 0, 0);
        XSetSelectionOwner(display, selection_, tray, CurrentTime);
        XEvent announce{};
        announce.xclient.type = ClientMessage;
        announce.xclient.window = client_->root();
        announce.xclient.message_type = client_->atom("MANAGER");
        announce.xclient.format = 32;
        announce.xclient.data.l[0] = CurrentTime;
        announce.xclient.data.l[1] = static_cast<long>(selection_);
        announce.xclient.data.l[2] = static_cast<long>(tray);
        XSendEvent(display, client_->root(), False, StructureNotifyMask, &announce);
        XSync(display, False);
        return tray;
    }

    // The icon window of the next dock request to tray; None when none comes in time.
    ::Window awaitDockRequest(::Window tray, std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            const auto event = client_->nextEvent(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
            if (!event)
                break;
            if (event->type == ClientMessage && event->xclient.window == tray &&
                static_cast<Atom>(event->xclient.message_type) == opcode_ && event->xclient.format == 32 &&
                event->xclient.data.l[1] == 0)
                return static_cast<::Window>(event->xclient.data.l[2]);
        }
        return None;
    }

    Atom selection_ = None;
    Atom opcode_ = None;
};

TEST_F(X11Tray, IconWaitsForATrayAndDocksWhenOneAppears)
{
    Watchdog watchdog(30s, "tray appears later");
    Probe probe(display(), {"tray"});
    ASSERT_EQ(probe.waitFor("tray"), "tray"); // shown, though no tray runs yet

    const ::Window tray = startTray();
    const ::Window icon = awaitDockRequest(tray);
    ASSERT_NE(icon, None);

    // The icon declares itself an XEmbed client that wants to be shown.
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const Atom xembedInfo = client_->atom("_XEMBED_INFO");
    ASSERT_EQ(XGetWindowProperty(client_->display(), icon, xembedInfo, 0, 2, False, xembedInfo, &type,
                                 &format, &count, &remaining, &data),
              Success);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(reinterpret_cast<long*>(data)[1] & 1, 1); // XEMBED_MAPPED
    XFree(data);
}

TEST_F(X11Tray, IconDocksAtOnceInARunningTrayAndReportsClicksToItsOwner)
{
    Watchdog watchdog(30s, "tray running");
    const ::Window tray = startTray();
    Probe probe(display(), {"tray"});
    ASSERT_EQ(probe.waitFor("tray"), "tray");
    const ::Window icon = awaitDockRequest(tray);
    ASSERT_NE(icon, None);

    // Embed it as a tray would, then click it.
    XReparentWindow(client_->display(), icon, tray, 0, 0);
    XMapWindow(client_->display(), icon);
    XSync(client_->display(), False);
    client_->sendButton(icon, 5, 5, Button1, true);
    EXPECT_EQ(probe.waitFor("tray "), "tray 7 0x0201");
    client_->sendButton(icon, 5, 5, Button1, false);
    EXPECT_EQ(probe.waitFor("tray "), "tray 7 0x0202");
    client_->sendButton(icon, 5, 5, Button3, true);
    EXPECT_EQ(probe.waitFor("tray "), "tray 7 0x0204");
}

TEST_F(X11Tray, IconMovesToTheNextTrayWhenItsTrayEnds)
{
    Watchdog watchdog(30s, "tray replaced");
    const ::Window first = startTray();
    Probe probe(display(), {"tray"});
    ASSERT_EQ(probe.waitFor("tray"), "tray");
    ASSERT_NE(awaitDockRequest(first), None);

    XDestroyWindow(client_->display(), first);
    XSync(client_->display(), False);
    const ::Window second = startTray();
    EXPECT_NE(awaitDockRequest(second), None);
}

TEST_F(X11Tray, IconSurvivesATrayThatDestroysItAlongWithItsOwnWindow)
{
    Watchdog watchdog(30s, "tray destroyed with the icon");
    const ::Window first = startTray();
    Probe probe(display(), {"tray"});
    ASSERT_EQ(probe.waitFor("tray"), "tray");
    const ::Window embedded = awaitDockRequest(first);
    ASSERT_NE(embedded, None);
    XReparentWindow(client_->display(), embedded, first, 0, 0);
    XMapWindow(client_->display(), embedded);
    // Destroying the tray's window destroys the icon window inside it.
    XDestroyWindow(client_->display(), first);
    XSync(client_->display(), False);

    const ::Window second = startTray();
    const ::Window icon = awaitDockRequest(second);
    ASSERT_NE(icon, None);
    EXPECT_NE(icon, embedded);
    XWindowAttributes attributes{};
    EXPECT_NE(XGetWindowAttributes(client_->display(), icon, &attributes), 0)
        << "the new icon window must exist";
    // And it still reports to its owner.
    XReparentWindow(client_->display(), icon, second, 0, 0);
    XMapWindow(client_->display(), icon);
    XSync(client_->display(), False);
    client_->sendButton(icon, 3, 3, Button1, true);
    EXPECT_EQ(probe.waitFor("tray "), "tray 7 0x0201");
}

} // namespace
