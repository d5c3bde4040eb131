#pragma once

#include <X11/Xlib.h>

namespace plat::ui::x11 {

// The atoms the backend speaks, interned in one round trip when the
// connection opens.
struct Atoms {
    Atom wmProtocols = None;
    Atom wmDeleteWindow = None;
    Atom wmState = None;
    Atom netWmName = None;
    Atom netWmIconName = None;
    Atom utf8String = None;
    Atom netWmPid = None;
    Atom netWmIcon = None;
    Atom netWmWindowType = None;
    Atom netWmWindowTypeNormal = None;
    Atom netWmWindowTypeUtility = None;
    Atom netWmWindowTypeDialog = None;
    Atom netWmState = None;
    Atom netWmStateAbove = None;
    Atom netWmStateSkipTaskbar = None;
    Atom netActiveWindow = None;
    Atom netWorkarea = None;
    Atom netCurrentDesktop = None;
    Atom motifWmHints = None;
    Atom wmSelection = None; // WM_S<screen>: owned by the running window manager
    Atom wmChangeState = None;
    // System tray (XEmbed).
    Atom manager = None;
    Atom systemTraySelection = None; // _NET_SYSTEM_TRAY_S<screen>
    Atom systemTrayOpcode = None;
    Atom xembed = None;
    Atom xembedInfo = None;
    // Drag and drop (XDND).
    Atom xdndAware = None;
    Atom xdndEnter = None;
    Atom xdndPosition = None;
    Atom xdndStatus = None;
    Atom xdndLeave = None;
    Atom xdndDrop = None;
    Atom xdndFinished = None;
    Atom xdndSelection = None;
    Atom xdndTypeList = None;
    Atom xdndActionCopy = None;
    Atom textUriList = None;
    Atom dropProperty = None; // where a dropped selection is delivered to us
    // Our own wake-up message for the event thread.
    Atom wake = None;
};

// Interns every atom of the table (one request, one reply).
void internAtoms(::Display* display, int screen, Atoms& atoms);

} // namespace plat::ui::x11
