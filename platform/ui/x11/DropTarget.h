#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace plat::ui::x11 {

class Connection;

// The receiving side of XDND (version 5) for one top-level window: it accepts
// drags that offer text/uri-list, fetches the list on drop and hands over the
// local paths with the drop position in client coordinates. Its events come
// from the event thread only, so its state needs no lock.
class DropTarget {
public:
    using Delivery = std::function<void(int clientX, int clientY, std::vector<std::string> paths)>;

    DropTarget(Connection& connection, ::Window window, Delivery deliver);
    DropTarget(const DropTarget&) = delete;
    DropTarget& operator=(const DropTarget&) = delete;

    // Announces (or withdraws) the window as a drop target.
    void setAccepting(bool accepting);
    // True when the event was part of a drag and drop conversation.
    bool handleEvent(const XEvent& event);

private:
    void onEnter(const XClientMessageEvent& message);
    void onPosition(const XClientMessageEvent& message);
    void onDrop(const XClientMessageEvent& message);
    void onSelection(const XSelectionEvent& selection);
    void sendStatus(bool accept);
    void sendFinished(bool accepted);
    void reset();

    Connection& connection_;
    ::Window window_;
    Delivery deliver_;
    std::atomic<bool> accepting_{false}; // set by the owner thread, read by the event thread

    ::Window source_ = None; // the drag in progress, None without one
    int version_ = 0;
    bool offersUriList_ = false;
    int rootX_ = 0; // last reported pointer position (root coordinates)
    int rootY_ = 0;
    bool awaitingData_ = false;
    ::Window droppedBy_ = None; // source of the drop whose data is awaited
};

} // namespace plat::ui::x11
