#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/core/Handle.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Region.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/headless/Headless.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::LoggedMessage;
using velmora::test::MessageLog;
using velmora::test::pumpPending;
using velmora::test::TestWindowBehaviour;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr Argb kRed = rgb(0xFF, 0, 0);
constexpr Argb kBlue = rgb(0, 0, 0xFF);
constexpr Argb kGreen = rgb(0, 0xFF, 0);

// A window that fills its client area with one colour when painted.
TestWindowBehaviour filling(Argb colour, MessageLog* log = nullptr)
{
    return TestWindowBehaviour{
        log, [colour](WindowHandle window, uint32_t message, uintptr_t, intptr_t, bool& handled) -> intptr_t {
            handled = message == kMsgPaint;
            if (handled) {
                PaintInfo info;
                Painter* painter = beginPaint(window, info);
                Rect client;
                EXPECT_TRUE(clientRect(window, client));
                painter->fillRect(client, colour);
                (void)endPaint(window, info);
            }
            return 0;
        }};
}

} // namespace

TEST(Window, CreationGetsItsParameterAndCanBeRefused)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour refusing{&log,
                                 [](WindowHandle, uint32_t message, uintptr_t, intptr_t, bool& handled) {
                                     handled = message == kMsgCreate;
                                     return intptr_t{-1};
                                 }};
    EXPECT_EQ(velmora::test::makeTopLevel(refusing, "refused"), nullptr);
    EXPECT_EQ(log.of(kMsgCreate).size(), 1u);
    EXPECT_TRUE(log.of(kMsgDestroy).empty()) << "a refused window was never there";
    EXPECT_EQ(findWindow(nullptr, "refused"), nullptr);

    MessageLog accepted;
    TestWindowBehaviour plain{&accepted, {}};
    WindowHandle window = velmora::test::makeTopLevel(plain, "Velmora Audio Engine main", {10, 20, 110, 70});
    ASSERT_NE(window, nullptr);
    const auto created = accepted.of(kMsgCreate);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_STREQ(backendName(), "headless");
    EXPECT_EQ(windowUserData(window), reinterpret_cast<intptr_t>(&plain));
    Rect rect;
    ASSERT_TRUE(windowRect(window, rect));
    EXPECT_EQ(rect, (Rect{10, 20, 110, 70}));
    EXPECT_EQ(windowText(window), "Velmora Audio Engine main");
    const auto state = headless::windowState(window);
    EXPECT_TRUE(state.exists);
    EXPECT_EQ(state.title, "Velmora Audio Engine main");
    EXPECT_EQ(state.visibility, Visibility::Shown);
    EXPECT_EQ(foregroundWindow(), window);

    EXPECT_FALSE(createWindow(0, "NoSuchClass", "", kStylePopup, 0, 0, 1, 1, nullptr, 0, nullptr, nullptr));
    (void)destroyWindow(window);
    EXPECT_FALSE(isWindow(window));
    EXPECT_FALSE(headless::windowState(window).exists);
    EXPECT_EQ(setWindowUserData(window, 5), 0) << "a destroyed handle is refused";
}

TEST(Window, TopLevelWindowsAreListedWithTitlesAcrossThreads)
{
    Watchdog watchdog(10s);
    TestWindowBehaviour plain{nullptr, {}};
    WindowHandle here = velmora::test::makeTopLevel(plain, "here", {0, 0, 10, 10}, false);
    std::atomic<WindowHandle> there{nullptr};
    plat::UniqueHandle made(plat::createEvent(true, false, nullptr));
    plat::UniqueHandle finish(plat::createEvent(true, false, nullptr));
    std::thread other([&] {
        there = velmora::test::makeTopLevel(plain, "Velmora Audio Engine v0.1b", {0, 0, 10, 10}, false);
        EXPECT_TRUE(plat::setEvent(made.get()));
        EXPECT_EQ(plat::waitForSingleObject(finish.get(), plat::kInfinite), plat::kWaitObject0);
    });
    EXPECT_EQ(plat::waitForSingleObject(made.get(), plat::kInfinite), plat::kWaitObject0);
    bool sawHere = false;
    bool sawThere = false;
    for (const WindowListEntry& entry : topLevelWindows()) {
        sawHere = sawHere || (entry.window == here && entry.title == "here");
        sawThere = sawThere ||
                   (entry.window == there && entry.title.find("Velmora Audio Engine") != std::string::npos &&
                    entry.threadId != plat::currentThreadId());
    }
    EXPECT_TRUE(sawHere);
    EXPECT_TRUE(sawThere);
    // Text of a window of another thread: the kept title is read without a message.
    EXPECT_EQ(windowTitle(there), "Velmora Audio Engine v0.1b");
    EXPECT_TRUE(plat::setEvent(finish.get()));
    other.join();
    EXPECT_FALSE(isWindow(there));
    (void)destroyWindow(here);
}

TEST(Window, DestroyFromAnotherThreadRunsOnTheOwningThread)
{
    Watchdog watchdog(10s);
    MessageLog log;
    // As the class library's windows do: destruction ends the thread's loop.
    TestWindowBehaviour behaviour{&log,
                                  [](WindowHandle, uint32_t message, uintptr_t, intptr_t, bool& handled) {
                                      handled = message == kMsgDestroy;
                                      if (handled)
                                          postQuitMessage(0);
                                      return intptr_t{0};
                                  }};
    std::atomic<WindowHandle> window{nullptr};
    std::atomic<uint32_t> ownerId{0};
    plat::UniqueHandle made(plat::createEvent(true, false, nullptr));
    std::thread owner([&] {
        window = velmora::test::makeTopLevel(behaviour, "remote", {0, 0, 10, 10});
        ownerId = plat::currentThreadId();
        EXPECT_TRUE(plat::setEvent(made.get()));
        Message message;
        while (getMessage(message))
            dispatchMessage(message);
    });
    EXPECT_EQ(plat::waitForSingleObject(made.get(), plat::kInfinite), plat::kWaitObject0);
    EXPECT_TRUE(destroyWindow(window));
    EXPECT_FALSE(isWindow(window));
    const auto destroyed = log.of(kMsgDestroy);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(destroyed[0].threadId, ownerId.load());
    owner.join();
}

TEST(Window, DestroyTakesChildrenAndOwnedWindowsParentFirst)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle owner = velmora::test::makeTopLevel(behaviour, "owner");
    WindowHandle child = velmora::test::makeChild(owner, 10, {5, 5, 50, 50}, behaviour);
    WindowHandle grandchild = velmora::test::makeChild(child, 11, {1, 1, 10, 10}, behaviour);
    (void)registerClass(
        WindowClass{0, velmora::test::testWindowProcedure, 0, nullptr, nullptr, nullptr, "OwnedKind"});
    WindowHandle owned =
        createWindow(0, "OwnedKind", "owned", kStylePopup, 0, 0, 10, 10, child, 0, nullptr, &behaviour);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(ownerWindow(owned), owner) << "the owner is the top-level window of what was named";
    EXPECT_FALSE(unregisterClass("OwnedKind", nullptr)) << "a class in use stays";
    log.clear();
    (void)destroyWindow(owner);
    const auto destroyed = log.of(kMsgDestroy);
    ASSERT_EQ(destroyed.size(), 4u);
    EXPECT_EQ(destroyed[0].window, owned);
    EXPECT_EQ(destroyed[1].window, owner);
    EXPECT_EQ(destroyed[2].window, child);
    EXPECT_EQ(destroyed[3].window, grandchild);
    for (WindowHandle w : {owner, child, grandchild, owned})
        EXPECT_FALSE(isWindow(w));
    EXPECT_TRUE(unregisterClass("OwnedKind", nullptr));
}

TEST(Window, MouseGoesToTheChildUnderThePointerOrTheCapture)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle top = velmora::test::makeTopLevel(behaviour, "mouse", {100, 100, 400, 300});
    WindowHandle left = velmora::test::makeChild(top, 1, {10, 10, 110, 110}, behaviour);
    WindowHandle inner = velmora::test::makeChild(left, 2, {20, 20, 40, 40}, behaviour);
    WindowHandle disabled = velmora::test::makeChild(top, 3, {150, 10, 200, 60}, behaviour);
    enableWindow(disabled, false);
    WindowHandle hidden = velmora::test::makeChild(top, 4, {220, 10, 260, 60}, behaviour);
    showWindow(hidden, kShowHide);
    pumpPending();

    auto clickAt = [&](int x, int y) -> LoggedMessage {
        log.clear();
        headless::mouseDown(top, x, y);
        headless::mouseUp(top, x, y);
        pumpPending();
        const auto downs = log.of(kMsgLButtonDown);
        return downs.empty() ? LoggedMessage{} : downs[0];
    };
    LoggedMessage got = clickAt(35, 36);
    EXPECT_EQ(got.window, inner);
    EXPECT_EQ(pointFromParam(got.lparam), (Point{5, 6}));
    got = clickAt(15, 15);
    EXPECT_EQ(got.window, left);
    EXPECT_EQ(pointFromParam(got.lparam), (Point{5, 5}));
    EXPECT_EQ(clickAt(160, 20).window, top) << "a disabled child passes the click to its parent";
    EXPECT_EQ(clickAt(230, 20).window, top) << "a hidden child takes nothing";
    EXPECT_EQ(childWindowFromPoint(top, Point{35, 36}), inner);
    EXPECT_EQ(childWindowFromPoint(top, Point{500, 5}), nullptr);

    // The capture gets everything, in its own coordinates (negative to its left).
    setCapture(inner);
    EXPECT_EQ(captureWindow(), inner);
    log.clear();
    headless::mouseMove(top, 5, 5);
    pumpPending();
    auto moves = log.of(kMsgMouseMove);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].window, inner);
    EXPECT_EQ(pointFromParam(moves[0].lparam), (Point{-25, -25}));
    releaseCapture();
    EXPECT_EQ(captureWindow(), nullptr);
    EXPECT_FALSE(log.of(kMsgCaptureChanged).empty());
    EXPECT_EQ(clickAt(300, 200).window, top);

    // Moves coalesce to the last position.
    log.clear();
    for (int x = 300; x < 310; ++x)
        headless::mouseMove(top, x, 200);
    pumpPending();
    moves = log.of(kMsgMouseMove);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(pointX(moves[0].lparam), 309);
    (void)destroyWindow(top);
}

TEST(Window, DoubleClicksNeedTheClassStyleTimeAndPlace)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle taking = velmora::test::makeTopLevel(behaviour, "dbl", {0, 0, 100, 100}, true,
                                                      velmora::test::kTestClassDoubleClicks);
    WindowHandle plain = velmora::test::makeTopLevel(behaviour, "plain", {200, 0, 300, 100});
    pumpPending();
    log.clear();
    headless::doubleClick(taking, 10, 10);
    headless::doubleClick(plain, 10, 10);
    pumpPending();
    const auto doubles = log.of(kMsgLButtonDoubleClick);
    ASSERT_EQ(doubles.size(), 1u);
    EXPECT_EQ(doubles[0].window, taking);
    size_t plainDowns = 0;
    for (const LoggedMessage& m : log.of(kMsgLButtonDown))
        plainDowns += m.window == plain ? 1 : 0;
    EXPECT_EQ(plainDowns, 2u);

    log.clear();
    headless::click(taking, 10, 10);
    headless::click(taking, 30, 10); // too far for a double click
    pumpPending();
    EXPECT_TRUE(log.of(kMsgLButtonDoubleClick).empty());
    EXPECT_EQ(log.of(kMsgLButtonDown).size(), 2u);
    (void)destroyWindow(taking);
    (void)destroyWindow(plain);
}

TEST(Window, KeysGoToTheFocusAndF1AsksForHelp)
{
    Watchdog watchdog(10s);
    MessageLog log;
    HelpInfo seen;
    TestWindowBehaviour behaviour{
        &log,
        [&](WindowHandle window, uint32_t message, uintptr_t, intptr_t lparam, bool& handled) -> intptr_t {
            handled = message == kMsgHelp && parentWindow(window) == nullptr;
            if (handled)
                seen = *reinterpret_cast<const HelpInfo*>(lparam);
            return 1;
        }};
    WindowHandle top = velmora::test::makeTopLevel(behaviour, "keys");
    WindowHandle first = velmora::test::makeChild(top, 21, {0, 0, 20, 20}, behaviour);
    WindowHandle second = velmora::test::makeChild(top, 22, {30, 0, 50, 20}, behaviour);
    pumpPending();
    EXPECT_EQ(focusWindow(), top) << "activation gives the window the focus";

    log.clear();
    setFocus(first);
    EXPECT_EQ(setFocus(second), first);
    const auto kills = log.of(kMsgKillFocus);
    const auto sets = log.of(kMsgSetFocus);
    ASSERT_EQ(kills.size(), 2u);
    EXPECT_EQ(kills[1].window, first);
    EXPECT_EQ(kills[1].wparam, reinterpret_cast<uintptr_t>(second));
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[1].window, second);

    log.clear();
    headless::pressKey(top, 'A');
    pumpPending();
    const auto downs = log.of(kMsgKeyDown);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].window, second);
    EXPECT_EQ(downs[0].wparam, uintptr_t{'A'});
    const auto chars = log.of(kMsgChar);
    ASSERT_EQ(chars.size(), 1u);
    EXPECT_EQ(chars[0].wparam, uintptr_t{'a'});
    EXPECT_EQ(log.of(kMsgKeyUp).size(), 1u);

    // F1 on the focused control asks its window for help about the control.
    log.clear();
    headless::pressKey(top, kVkF1);
    pumpPending();
    const auto helps = log.of(kMsgHelp);
    ASSERT_EQ(helps.size(), 2u) << "the control passes the request to its parent";
    EXPECT_EQ(helps[1].window, top);
    EXPECT_EQ(seen.item, second);
    EXPECT_EQ(seen.controlId, 22);
    EXPECT_EQ(seen.contextType, kHelpInfoWindow);

    // Disabling the focused control takes the focus away; keys then go to the window.
    enableWindow(second, false);
    EXPECT_EQ(focusWindow(), nullptr);
    log.clear();
    headless::pressKey(top, kVkSpace);
    pumpPending();
    ASSERT_EQ(log.of(kMsgKeyDown).size(), 1u);
    EXPECT_EQ(log.of(kMsgKeyDown)[0].window, top);

    // A disabled window takes no input at all.
    enableWindow(top, false);
    log.clear();
    headless::pressKey(top, kVkSpace);
    headless::click(top, 5, 5);
    headless::closeRequest(top);
    pumpPending();
    EXPECT_TRUE(log.of(kMsgKeyDown).empty());
    EXPECT_TRUE(log.of(kMsgLButtonDown).empty());
    EXPECT_TRUE(log.of(kMsgClose).empty());
    EXPECT_TRUE(isWindow(top));
    enableWindow(top, true);
    headless::closeRequest(top);
    pumpPending();
    EXPECT_FALSE(isWindow(top)) << "a close request closes by default";
}

TEST(Window, RightClickAsksForTheContextMenuInScreenCoordinates)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle top = velmora::test::makeTopLevel(behaviour, "menu", {100, 50, 300, 250});
    WindowHandle child = velmora::test::makeChild(top, 1, {10, 10, 60, 60}, behaviour);
    pumpPending();
    log.clear();
    headless::click(top, 20, 30, MouseButton::Right);
    pumpPending();
    const auto menus = log.of(kMsgContextMenu);
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[0].window, child);
    EXPECT_EQ(menus[1].window, top) << "passed on to the parent";
    EXPECT_EQ(menus[1].wparam, reinterpret_cast<uintptr_t>(child));
    EXPECT_EQ(pointFromParam(menus[1].lparam), (Point{120, 80}));
    (void)destroyWindow(top);
}

TEST(Window, DroppedFilesReachTheWindowThatTakesThem)
{
    Watchdog watchdog(10s);
    std::vector<std::string> paths;
    Point where;
    TestWindowBehaviour behaviour{
        nullptr, [&](WindowHandle, uint32_t message, uintptr_t wparam, intptr_t, bool& handled) -> intptr_t {
            handled = message == kMsgDropFiles;
            if (handled) {
                auto drop = reinterpret_cast<DropHandle>(wparam);
                const uint32_t count = dragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
                for (uint32_t i = 0; i < count; ++i) {
                    char name[256];
                    dragQueryFile(drop, i, name, sizeof name);
                    paths.emplace_back(name);
                }
                dragQueryPoint(drop, where);
            }
            return 0;
        }};
    WindowHandle refusing = velmora::test::makeTopLevel(behaviour, "no drops");
    headless::dropFiles(refusing, 5, 5, {"/tmp/a.wav"});
    pumpPending();
    EXPECT_TRUE(paths.empty());

    velmora::test::registerTestClasses();
    WindowHandle taking =
        createWindow(kExStyleAcceptFiles, velmora::test::kTestClass, "drops", kStylePopup | kStyleVisible, 0,
                     0, 200, 200, nullptr, 0, nullptr, &behaviour);
    WindowHandle child = velmora::test::makeChild(taking, 1, {50, 50, 100, 100}, behaviour);
    EXPECT_TRUE(headless::windowState(taking).acceptFiles);
    headless::dropFiles(taking, 60, 70, {"/music/one.wav", "/music/two words.mp3"});
    pumpPending();
    EXPECT_EQ(paths, (std::vector<std::string>{"/music/one.wav", "/music/two words.mp3"}));
    EXPECT_EQ(where, (Point{60, 70}))
        << "the child takes no files, so its parent gets them at its own position";
    (void)child;
    (void)destroyWindow(refusing);
    (void)destroyWindow(taking);
}

TEST(Window, PaintIsCoalescedAndChildrenPaintOverTheirParent)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour red = filling(kRed, &log);
    TestWindowBehaviour blue = filling(kBlue, &log);
    TestWindowBehaviour green = filling(kGreen, &log);
    WindowHandle top = velmora::test::makeTopLevel(red, "paint", {0, 0, 100, 80});
    WindowHandle child = velmora::test::makeChild(top, 1, {10, 10, 50, 40}, blue);
    WindowHandle grandchild = velmora::test::makeChild(child, 2, {5, 5, 15, 15}, green);
    pumpPending();
    ASSERT_EQ(log.of(kMsgPaint).size(), 3u);
    EXPECT_EQ(log.of(kMsgPaint)[0].window, top);
    EXPECT_EQ(log.of(kMsgPaint)[1].window, child);
    EXPECT_EQ(log.of(kMsgPaint)[2].window, grandchild);

    Surface picture;
    ASSERT_TRUE(headless::snapshot(top, picture));
    EXPECT_EQ(picture.pixel(5, 5), kRed);
    EXPECT_EQ(picture.pixel(12, 12), kBlue);
    EXPECT_EQ(picture.pixel(17, 17), kGreen);
    EXPECT_EQ(picture.pixel(49, 39), kBlue);
    EXPECT_EQ(picture.pixel(50, 40), kRed);
    Surface childPicture;
    ASSERT_TRUE(headless::snapshot(child, childPicture));
    EXPECT_EQ(childPicture.size(), (Size{40, 30}));
    EXPECT_EQ(childPicture.pixel(0, 0), kBlue);

    // Two invalidations make one paint of their union; the parent's paint brings the child's after it.
    Rect seenArea;
    red.handler = [&](WindowHandle window, uint32_t message, uintptr_t, intptr_t, bool& handled) -> intptr_t {
        handled = message == kMsgPaint;
        if (handled) {
            PaintInfo info;
            Painter* painter = beginPaint(window, info);
            seenArea = info.paint;
            painter->fillRect(Rect{0, 0, 100, 80}, kRed);
            (void)endPaint(window, info);
        }
        return 0;
    };
    headless::clearPresented(top);
    log.clear();
    Rect a{60, 50, 70, 60};
    Rect b{5, 5, 15, 15};
    (void)invalidateRect(top, &a, false);
    (void)invalidateRect(top, &b, false);
    pumpPending();
    ASSERT_EQ(log.of(kMsgPaint).size(), 2u);
    EXPECT_EQ(log.of(kMsgPaint)[0].window, top);
    EXPECT_EQ(log.of(kMsgPaint)[1].window, child);
    EXPECT_EQ(seenArea, (Rect{5, 5, 70, 60}));
    const auto state = headless::windowState(top);
    EXPECT_EQ(state.presentCount, 1) << "shown once, after the child painted";
    ASSERT_EQ(state.lastPresented.size(), 1u);
    EXPECT_EQ(state.lastPresented[0], (Rect{5, 5, 70, 60}));
    ASSERT_TRUE(headless::snapshot(top, picture));
    EXPECT_EQ(picture.pixel(12, 12), kBlue) << "the child painted again over its parent";

    // A hidden window is not painted until shown.
    showWindow(top, kShowHide);
    log.clear();
    (void)invalidateRect(top, nullptr, false);
    pumpPending();
    EXPECT_TRUE(log.of(kMsgPaint).empty());
    showWindow(top, kShowNa);
    pumpPending();
    EXPECT_FALSE(log.of(kMsgPaint).empty());
    (void)destroyWindow(top);
}

// A skin window beside its future owner, their first messages handled.
class SkinWindow : public ::testing::Test {
protected:
    SkinWindow()
    {
        pumpPending();
        log.clear();
    }
    ~SkinWindow() override
    {
        (void)destroyWindow(window);
        (void)destroyWindow(owner);
    }

    Watchdog watchdog{10s};
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle owner = velmora::test::makeTopLevel(behaviour, "owner", {0, 0, 50, 50});
    WindowHandle window = velmora::test::makeTopLevel(behaviour, "skin", {10, 10, 110, 60});
};

TEST_F(SkinWindow, PlaceAndSizeReachTheBackendAndTheWindowManagersReportsTakeEffectInOrder)
{
    EXPECT_TRUE(setWindowPos(window, 200, 100, 0, 0, kPosNoSize | kPosNoZOrder | kPosNoActivate));
    EXPECT_EQ(headless::windowState(window).bounds, (Rect{200, 100, 300, 150}));
    EXPECT_EQ(log.of(kMsgMove).size(), 1u);
    EXPECT_TRUE(log.of(kMsgSize).empty());
    EXPECT_TRUE(moveWindow(window, 200, 100, 120, 70, true));
    EXPECT_EQ(backBuffer(window)->size(), (Size{120, 70}));
    EXPECT_EQ(log.of(kMsgSize).size(), 1u);
    Point point{1, 2};
    EXPECT_TRUE(clientToScreen(window, point));
    EXPECT_EQ(point, (Point{201, 102}));
    // One that matches the place now still undoes an older one queued before it.
    deliverBounds(window, Rect{5, 5, 125, 75});
    deliverBounds(window, Rect{200, 100, 320, 170});
    pumpPending();
    Rect place;
    EXPECT_TRUE(windowRect(window, place));
    EXPECT_EQ(place, (Rect{200, 100, 320, 170}));
}

TEST_F(SkinWindow, ShapeReachesTheBackendAndReadsBack)
{
    Region shape = Region(Rect{0, 0, 10, 10}).unite(Rect{20, 0, 30, 10});
    EXPECT_TRUE(setWindowRegion(window, &shape, false));
    EXPECT_EQ(headless::windowState(window).shape, shape.rects());
    Region back;
    EXPECT_TRUE(windowRegion(window, back));
    EXPECT_EQ(back, shape);
    (void)setWindowRegion(window, nullptr, false);
    EXPECT_TRUE(headless::windowState(window).shape.empty());
}

TEST_F(SkinWindow, TopmostOwnerAndTitleReachTheBackend)
{
    EXPECT_TRUE(setTopmost(window, true));
    EXPECT_TRUE(headless::windowState(window).topmost);
    EXPECT_TRUE(setOwnerWindow(window, owner));
    EXPECT_EQ(headless::windowState(window).owner, owner);
    EXPECT_TRUE(setWindowText(window, "renamed"));
    EXPECT_EQ(headless::windowState(window).title, "renamed");
}

TEST_F(SkinWindow, MinimisedRestoredAndForegroundAndItsOwnerActiveAgainWhenItGoes)
{
    (void)setOwnerWindow(window, owner);
    showWindow(window, kShowMinimize);
    EXPECT_TRUE(isIconic(window));
    EXPECT_EQ(headless::windowState(window).visibility, Visibility::Minimised);
    showWindow(window, kShowRestore);
    EXPECT_FALSE(isIconic(window));
    (void)setForegroundWindow(window);
    EXPECT_EQ(headless::foreground(), window);
    EXPECT_EQ(foregroundWindow(), window);
    EXPECT_EQ(screenSize(), (Size{headless::kScreenWidth, headless::kScreenHeight}));
    (void)destroyWindow(std::exchange(window, nullptr));
    EXPECT_EQ(foregroundWindow(), owner) << "the owner is active again";
}

TEST(Window, ExposureShowsTheBackBufferAgainWithoutPainting)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour red = filling(kRed, &log);
    WindowHandle top = velmora::test::makeTopLevel(red, "exposed", {0, 0, 60, 40});
    pumpPending();
    headless::clearPresented(top);
    log.clear();
    deliverExpose(top, Rect{10, 10, 30, 20});
    deliverExpose(top, Rect{50, 30, 90, 90}); // cut to the window
    pumpPending();
    EXPECT_TRUE(log.of(kMsgPaint).empty());
    const auto state = headless::windowState(top);
    EXPECT_EQ(state.allPresented, (std::vector<Rect>{{10, 10, 30, 20}, {50, 30, 60, 40}}));
    (void)destroyWindow(top);
}

TEST(Window, TrayIconClicksReachTheOwnerAsItsCallbackMessage)
{
    Watchdog watchdog(10s);
    constexpr uint32_t kTrayCallback = kMsgApp + 5;
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle owner = velmora::test::makeTopLevel(behaviour, "tray owner", {0, 0, 10, 10}, false);
    TrayIconSpec icon;
    icon.owner = owner;
    icon.id = 3;
    icon.callbackMessage = kTrayCallback;
    icon.tip = "Velmora";
    ASSERT_TRUE(backend()->showTrayIcon(icon));
    ASSERT_EQ(headless::trayIcons().size(), 1u);
    EXPECT_EQ(headless::trayIcons()[0].tip, "Velmora");
    headless::trayMouse(owner, 3, kMsgRButtonUp);
    headless::trayMouse(owner, 4, kMsgRButtonUp); // no such icon
    pumpPending();
    const auto calls = log.of(kTrayCallback);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].wparam, 3u);
    EXPECT_EQ(calls[0].lparam, intptr_t{kMsgRButtonUp});
    EXPECT_TRUE(backend()->removeTrayIcon(owner, 3));
    EXPECT_TRUE(headless::trayIcons().empty());
    (void)destroyWindow(owner);
}

TEST(Window, ActivationMovesBetweenWindowsAndBackToTheOwner)
{
    Watchdog watchdog(10s);
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle main = velmora::test::makeTopLevel(behaviour, "main", {0, 0, 50, 50});
    velmora::test::registerTestClasses();
    WindowHandle dialog = createWindow(0, velmora::test::kTestClass, "dialog", kStylePopup, 60, 0, 50, 50,
                                       main, 0, nullptr, &behaviour);
    pumpPending();
    log.clear();
    showWindow(dialog, kShow);
    auto activations = log.of(kMsgActivate);
    ASSERT_EQ(activations.size(), 2u);
    EXPECT_EQ(activations[0].window, main);
    EXPECT_EQ(loWord(activations[0].wparam), kWaInactive);
    EXPECT_EQ(activations[0].lparam, reinterpret_cast<intptr_t>(dialog));
    EXPECT_EQ(activations[1].window, dialog);
    EXPECT_EQ(loWord(activations[1].wparam), kWaActive);
    EXPECT_EQ(activeWindow(), dialog);
    EXPECT_EQ(headless::foreground(), dialog);

    // The backend reports the user's choice of window too.
    log.clear();
    headless::activate(main, true);
    pumpPending();
    EXPECT_EQ(foregroundWindow(), main);
    headless::activate(dialog, true);
    pumpPending();
    EXPECT_EQ(foregroundWindow(), dialog);

    log.clear();
    showWindow(dialog, kShowHide);
    EXPECT_EQ(foregroundWindow(), main) << "hiding the active window activates its owner";
    activations = log.of(kMsgActivate);
    ASSERT_FALSE(activations.empty());
    EXPECT_EQ(activations.back().window, main);
    EXPECT_EQ(loWord(activations.back().wparam), kWaActive);
    (void)destroyWindow(main);
    EXPECT_FALSE(isWindow(dialog)) << "owned windows go with their owner";
}
