#include "platform/ui/x11/DropTarget.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <climits>
#include <cstdint>

#include "platform/ui/x11/Connection.h"
#include "platform/ui/x11/UriList.h"

namespace plat::ui::x11 {

namespace {

constexpr long kXdndVersion = 5;

std::string hostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

} // namespace

DropTarget::DropTarget(Connection& connection, ::Window window, Delivery deliver)
    : connection_(connection), window_(window), deliver_(std::move(deliver))
{
}

void DropTarget::setAccepting(bool accepting)
{
    accepting_ = accepting;
    ::Display* display = connection_.display();
    if (accepting) {
        const long version = kXdndVersion;
        XChangeProperty(display, window_, connection_.atoms().xdndAware, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&version), 1);
    } else {
        XDeleteProperty(display, window_, connection_.atoms().xdndAware);
    }
    XFlush(display);
}

bool DropTarget::handleEvent(const XEvent& event)
{
    const Atoms& atoms = connection_.atoms();
    if (event.type == SelectionNotify) {
        if (event.xselection.requestor != window_ || event.xselection.selection != atoms.xdndSelection)
            return false;
        onSelection(event.xselection);
        return true;
    }
    if (event.type != ClientMessage || event.xclient.format != 32)
        return false;
    const XClientMessageEvent& message = event.xclient;
    const Atom type = message.message_type;
    if (type == atoms.xdndEnter)
        onEnter(message);
    else if (type == atoms.xdndPosition)
        onPosition(message);
    else if (type == atoms.xdndLeave) {
        if (static_cast<::Window>(message.data.l[0]) == source_)
            reset();
    } else if (type == atoms.xdndDrop)
        onDrop(message);
    else
        return false;
    return true;
}

void DropTarget::onEnter(const XClientMessageEvent& message)
{
    reset();
    if (!accepting_)
        return;
    source_ = static_cast<::Window>(message.data.l[0]);
    version_ = static_cast<int>((static_cast<unsigned long>(message.data.l[1]) >> 24) & 0xFF);
    const Atoms& atoms = connection_.atoms();
    if (message.data.l[1] & 1) {
        // More than three types: the list is a property of the source window.
        ::Display* display = connection_.display();
        Atom actualType = None;
        int actualFormat = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        ErrorTrap trap(connection_);
        const int status = XGetWindowProperty(display, source_, atoms.xdndTypeList, 0, 1024, False, XA_ATOM,
                                              &actualType, &actualFormat, &count, &remaining, &data);
        (void)trap.finish();
        if (status == Success && data != nullptr && actualFormat == 32) {
            const auto* types = reinterpret_cast<const long*>(data);
            for (unsigned long i = 0; i < count; ++i)
                if (static_cast<Atom>(types[i]) == atoms.textUriList)
                    offersUriList_ = true;
        }
        if (data != nullptr)
            XFree(data);
    } else {
        for (int i = 2; i <= 4; ++i)
            if (static_cast<Atom>(message.data.l[i]) == atoms.textUriList)
                offersUriList_ = true;
    }
}

void DropTarget::onPosition(const XClientMessageEvent& message)
{
    const auto source = static_cast<::Window>(message.data.l[0]);
    if (source != source_ || source_ == None) {
        // A position without an enter we took: refuse, so the source does not wait.
        if (source != None) {
            const ::Window saved = source_;
            source_ = source;
            sendStatus(false);
            source_ = saved;
        }
        return;
    }
    const auto packed = static_cast<unsigned long>(message.data.l[2]);
    rootX_ = static_cast<int>(static_cast<int16_t>((packed >> 16) & 0xFFFF));
    rootY_ = static_cast<int>(static_cast<int16_t>(packed & 0xFFFF));
    sendStatus(accepting_ && offersUriList_);
}

void DropTarget::onDrop(const XClientMessageEvent& message)
{
    const auto source = static_cast<::Window>(message.data.l[0]);
    if (source != source_ || source_ == None)
        return;
    if (!accepting_ || !offersUriList_) {
        sendFinished(false);
        reset();
        return;
    }
    // The drop's timestamp names the selection's owner at that moment.
    const Time time = version_ >= 1 ? static_cast<Time>(message.data.l[2]) : CurrentTime;
    XConvertSelection(connection_.display(), connection_.atoms().xdndSelection,
                      connection_.atoms().textUriList, connection_.atoms().dropProperty, window_, time);
    XFlush(connection_.display());
    awaitingData_ = true;
    droppedBy_ = source_;
}

void DropTarget::onSelection(const XSelectionEvent& selection)
{
    if (!awaitingData_)
        return;
    awaitingData_ = false;
    ::Display* display = connection_.display();
    std::vector<std::string> paths;
    if (selection.property != None) {
        Atom actualType = None;
        int actualFormat = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        // Up to 4 MB of names; a longer list would need the incremental protocol.
        if (XGetWindowProperty(display, window_, selection.property, 0, 1L << 20, True, AnyPropertyType,
                               &actualType, &actualFormat, &count, &remaining, &data) == Success &&
            data != nullptr && actualFormat == 8)
            paths = filePathsFromUriList(std::string_view(reinterpret_cast<const char*>(data), count),
                                         hostName());
        if (data != nullptr)
            XFree(data);
    }
    const ::Window source = droppedBy_;
    if (!paths.empty()) {
        int clientX = 0;
        int clientY = 0;
        ::Window child = None;
        XTranslateCoordinates(display, connection_.root(), window_, rootX_, rootY_, &clientX, &clientY,
                              &child);
        deliver_(clientX, clientY, std::move(paths));
        source_ = source;
        sendFinished(true);
    } else {
        source_ = source;
        sendFinished(false);
    }
    reset();
}

void DropTarget::sendStatus(bool accept)
{
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.display = connection_.display();
    reply.xclient.window = source_;
    reply.xclient.message_type = connection_.atoms().xdndStatus;
    reply.xclient.format = 32;
    reply.xclient.data.l[0] = static_cast<long>(window_);
    // Bit 1: keep sending positions, our answer does not depend on them.
    reply.xclient.data.l[1] = (accept ? 1 : 0) | 2;
    reply.xclient.data.l[4] = accept ? static_cast<long>(connection_.atoms().xdndActionCopy) : None;
    ErrorTrap trap(connection_); // the source may have gone
    XSendEvent(connection_.display(), source_, False, NoEventMask, &reply);
    (void)trap.finish();
}

void DropTarget::sendFinished(bool accepted)
{
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.display = connection_.display();
    reply.xclient.window = source_;
    reply.xclient.message_type = connection_.atoms().xdndFinished;
    reply.xclient.format = 32;
    reply.xclient.data.l[0] = static_cast<long>(window_);
    if (version_ >= 5) {
        reply.xclient.data.l[1] = accepted ? 1 : 0;
        reply.xclient.data.l[2] = accepted ? static_cast<long>(connection_.atoms().xdndActionCopy) : None;
    }
    ErrorTrap trap(connection_);
    XSendEvent(connection_.display(), source_, False, NoEventMask, &reply);
    (void)trap.finish();
}

void DropTarget::reset()
{
    source_ = None;
    version_ = 0;
    offersUriList_ = false;
    awaitingData_ = false;
    droppedBy_ = None;
}

} // namespace plat::ui::x11
