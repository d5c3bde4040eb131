#include "platform/ui/x11/Atoms.h"

#include <string>
#include <utility>
#include <vector>

namespace plat::ui::x11 {

void internAtoms(::Display* display, int screen, Atoms& atoms)
{
    const std::string wmSelection = "WM_S" + std::to_string(screen);
    const std::string traySelection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    const std::vector<std::pair<const char*, Atom*>> table = {
        {"WM_PROTOCOLS", &atoms.wmProtocols},
        {"WM_DELETE_WINDOW", &atoms.wmDeleteWindow},
        {"WM_STATE", &atoms.wmState},
        {"_NET_WM_NAME", &atoms.netWmName},
        {"_NET_WM_ICON_NAME", &atoms.netWmIconName},
        {"UTF8_STRING", &atoms.utf8String},
        {"_NET_WM_PID", &atoms.netWmPid},
        {"_NET_WM_ICON", &atoms.netWmIcon},
        {"_NET_WM_WINDOW_TYPE", &atoms.netWmWindowType},
        {"_NET_WM_WINDOW_TYPE_NORMAL", &atoms.netWmWindowTypeNormal},
        {"_NET_WM_WINDOW_TYPE_UTILITY", &atoms.netWmWindowTypeUtility},
        {"_NET_WM_WINDOW_TYPE_DIALOG", &atoms.netWmWindowTypeDialog},
        {"_NET_WM_STATE", &atoms.netWmState},
        {"_NET_WM_STATE_ABOVE", &atoms.netWmStateAbove},
        {"_NET_WM_STATE_SKIP_TASKBAR", &atoms.netWmStateSkipTaskbar},
        {"_NET_ACTIVE_WINDOW", &atoms.netActiveWindow},
        {"_NET_WORKAREA", &atoms.netWorkarea},
        {"_NET_CURRENT_DESKTOP", &atoms.netCurrentDesktop},
        {"_MOTIF_WM_HINTS", &atoms.motifWmHints},
        {wmSelection.c_str(), &atoms.wmSelection},
        {"WM_CHANGE_STATE", &atoms.wmChangeState},
        {"MANAGER", &atoms.manager},
        {traySelection.c_str(), &atoms.systemTraySelection},
        {"_NET_SYSTEM_TRAY_OPCODE", &atoms.systemTrayOpcode},
        {"_XEMBED", &atoms.xembed},
        {"_XEMBED_INFO", &atoms.xembedInfo},
        {"XdndAware", &atoms.xdndAware},
        {"XdndEnter", &atoms.xdndEnter},
        {"XdndPosition", &atoms.xdndPosition},
        {"XdndStatus", &atoms.xdndStatus},
        {"XdndLeave", &atoms.xdndLeave},
        {"XdndDrop", &atoms.xdndDrop},
        {"XdndFinished", &atoms.xdndFinished},
        {"XdndSelection", &atoms.xdndSelection},
        {"XdndTypeList", &atoms.xdndTypeList},
        {"XdndActionCopy", &atoms.xdndActionCopy},
        {"text/uri-list", &atoms.textUriList},
        {"VELMORA_DROP", &atoms.dropProperty},
        {"VELMORA_WAKE", &atoms.wake},
    };
    std::vector<char*> names;
    for (const auto& entry : table)
        names.push_back(const_cast<char*>(entry.first));
    std::vector<Atom> values(table.size(), None);
    XInternAtoms(display, names.data(), static_cast<int>(names.size()), False, values.data());
    for (size_t i = 0; i < table.size(); ++i)
        *table[i].second = values[i];
}

} // namespace plat::ui::x11
