// Files dropped on a window through XDND (version 5), with the test as the
// drag source: enter, position, drop, the selection handed over as a
// text/uri-list, finished.

#include <gtest/gtest.h>

#include <X11/Xatom.h>

#include "platform/ui/x11_test_support.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;
using namespace velmora::test;
using namespace velmora::test::x11;

namespace {

class X11Drop : public XvfbTest {
protected:
    void SetUp() override
    {
        XvfbTest::SetUp();
        if (setUpFailed())
            return;
        source_ = XCreateSimpleWindow(client_->display(), client_->root(), 0, 0, 10, 10, 0, 0, 0);
        XSetSelectionOwner(client_->display(), client_->atom("XdndSelection"), source_, CurrentTime);
        XSync(client_->display(), False);
    }

    void sendXdnd(::Window target, const char* type, long l1, long l2, long l3, long l4)
    {
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = target;
        message.xclient.message_type = client_->atom(type);
        message.xclient.format = 32;
        message.xclient.data.l[0] = static_cast<long>(source_);
        message.xclient.data.l[1] = l1;
        message.xclient.data.l[2] = l2;
        message.xclient.data.l[3] = l3;
        message.xclient.data.l[4] = l4;
        XSendEvent(client_->display(), target, False, NoEventMask, &message);
        XFlush(client_->display());
    }

    // The next client message of that type to the source.
    std::optional<XClientMessageEvent> awaitMessage(const char* type)
    {
        const Atom wanted = client_->atom(type);
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            const auto event = client_->nextEvent(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
            if (!event)
                break;
            if (event->type == ClientMessage && static_cast<Atom>(event->xclient.message_type) == wanted)
                return event->xclient;
        }
        return std::nullopt;
    }

    // Answers the target's request for the dragged data with text.
    bool handOver(const std::string& text)
    {
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            const auto event = client_->nextEvent(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
            if (!event)
                return false;
            if (event->type != SelectionRequest)
                continue;
            const XSelectionRequestEvent& request = event->xselectionrequest;
            EXPECT_EQ(request.target, client_->atom("text/uri-list"));
            XChangeProperty(client_->display(), request.requestor, request.property, request.target, 8,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
            XEvent notify{};
            notify.xselection.type = SelectionNotify;
            notify.xselection.requestor = request.requestor;
            notify.xselection.selection = request.selection;
            notify.xselection.target = request.target;
            notify.xselection.property = request.property;
            notify.xselection.time = request.time;
            XSendEvent(client_->display(), request.requestor, False, NoEventMask, &notify);
            XFlush(client_->display());
            return true;
        }
        return false;
    }

    ::Window source_ = None;
};

constexpr long kVersion5 = 5L << 24;

TEST_F(X11Drop, DroppedUriListArrivesAsLocalPathsAtTheDropPosition)
{
    Watchdog watchdog(30s, "drop");
    Probe probe(display(), {"drop"});
    const ::Window target = shownWindow(probe, "drop");
    ASSERT_NE(target, None);

    const Atom uriList = client_->atom("text/uri-list");
    const long copy = static_cast<long>(client_->atom("XdndActionCopy"));
    sendXdnd(target, "XdndEnter", kVersion5, static_cast<long>(uriList), 0, 0);
    // The window sits at 50, 50: root 80, 90 is client 30, 40.
    sendXdnd(target, "XdndPosition", 0, (80L << 16) | 90L, CurrentTime, copy);
    const auto status = awaitMessage("XdndStatus");
    ASSERT_TRUE(status);
    EXPECT_EQ(static_cast<::Window>(status->data.l[0]), target);
    EXPECT_EQ(status->data.l[1] & 1, 1) << "the window refused the drag";
    EXPECT_EQ(status->data.l[4], copy);

    sendXdnd(target, "XdndDrop", 0, CurrentTime, 0, 0);
    ASSERT_TRUE(handOver("# dragged from a file manager\r\n"
                         "file:///tmp/a%20b.wav\r\n"
                         "http://example.com/not-a-file.wav\r\n"
                         "file://localhost/home/user/c.txt\r\n"
                         "file://elsewhere.example/d.txt\r\n"
                         "file:///tmp/bad%00name\r\n"));
    const auto finished = awaitMessage("XdndFinished");
    ASSERT_TRUE(finished);
    EXPECT_EQ(finished->data.l[1] & 1, 1);
    EXPECT_EQ(finished->data.l[2], copy);

    EXPECT_EQ(probe.waitFor("drop"), "drop 30 40 2");
    EXPECT_EQ(probe.readLine(), "path /tmp/a b.wav");
    EXPECT_EQ(probe.readLine(), "path /home/user/c.txt");
}

TEST_F(X11Drop, DragWithoutFilesIsRefused)
{
    Watchdog watchdog(30s, "drop refused");
    Probe probe(display(), {"drop"});
    const ::Window target = shownWindow(probe, "drop");
    ASSERT_NE(target, None);

    // Only text: nothing the window can take.
    sendXdnd(target, "XdndEnter", kVersion5, static_cast<long>(client_->atom("text/plain")), 0, 0);
    sendXdnd(target, "XdndPosition", 0, (80L << 16) | 90L, CurrentTime,
             static_cast<long>(client_->atom("XdndActionCopy")));
    const auto status = awaitMessage("XdndStatus");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->data.l[1] & 1, 0);
    sendXdnd(target, "XdndDrop", 0, CurrentTime, 0, 0);
    const auto finished = awaitMessage("XdndFinished");
    ASSERT_TRUE(finished);
    EXPECT_EQ(finished->data.l[1] & 1, 0);

    // Nothing reached the window: the first drop it reports is the next one.
    const long copy = static_cast<long>(client_->atom("XdndActionCopy"));
    sendXdnd(target, "XdndEnter", kVersion5, static_cast<long>(client_->atom("text/uri-list")), 0, 0);
    sendXdnd(target, "XdndPosition", 0, (60L << 16) | 70L, CurrentTime, copy);
    ASSERT_TRUE(awaitMessage("XdndStatus"));
    sendXdnd(target, "XdndDrop", 0, CurrentTime, 0, 0);
    ASSERT_TRUE(handOver("file:///next.wav\r\n"));
    EXPECT_EQ(probe.waitFor("drop"), "drop 10 20 1");
    EXPECT_EQ(probe.readLine(), "path /next.wav");
}

TEST_F(X11Drop, WindowAnnouncesItselfAsDropTarget)
{
    Watchdog watchdog(30s, "xdnd aware");
    Probe probe(display(), {"drop"});
    const ::Window target = shownWindow(probe, "drop");
    ASSERT_NE(target, None);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(client_->display(), target, client_->atom("XdndAware"), 0, 1, False, XA_ATOM,
                                 &type, &format, &count, &remaining, &data),
              Success);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(*reinterpret_cast<long*>(data), 5);
    XFree(data);
}

} // namespace
