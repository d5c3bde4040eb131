#pragma once

#include <cstdint>
#include <string>

#include "api/PluginApi.h"
#include "zkr/Dialog.h"

namespace engine {

class EngineShell;
struct PluginEntry;

// "Plugin Manager": every plug-in discovery accepted, in a tree under one
// heading per kind, with the properties of the one selected; the maker's
// page of it, the proxy settings and the search for updates.
//
// Entry items carry their PluginEntry (the kind lists are fixed after
// discovery); headings and the root carry none.
class PluginManagerDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 102;
    static constexpr int kIdTree = 1023;
    static constexpr int kIdClose = plat::ui::kIdOk;
    static constexpr int kIdTitle = 1004;
    static constexpr int kIdShortName = 1005;
    static constexpr int kIdMedia = 1006;
    static constexpr int kIdRights = 1007;
    static constexpr int kIdVersion = 1008;
    static constexpr int kIdWebAddress = 1017;
    static constexpr int kIdSupport = 1025;
    static constexpr int kIdFindUpdate = 1028;
    static constexpr int kIdProxy = 1034;
    static constexpr int kIdUseProxy = 1035;

    PluginManagerDialog(EngineShell& shell, plat::ui::WindowHandle owner);

    void onInitDialog() override;
    bool onCommand(uintptr_t wparam, intptr_t lparam) override;
    void onNotify(uintptr_t wparam, intptr_t lparam) override;

    // The label of an entry's item: its file name, " *" behind it while loaded.
    static std::string itemLabel(const char* path, bool loaded);

private:
    void fillTree();
    void showInfo(const PluginInfo& info);
    void findUpdate();

    EngineShell& shell_;
};

} // namespace engine
