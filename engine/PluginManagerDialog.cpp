#include "engine/PluginManagerDialog.h"

#include <mutex>
#include <string>

#include "engine/EngineResources.h"
#include "engine/EngineShell.h"
#include "engine/PluginEntry.h"
#include "engine/ProxyDialog.h"
#include "engine/UpdateDialog.h"
#include "platform/core/Files.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"

namespace engine {

namespace {

using namespace plat::ui;
using Self = PluginManagerDialog;

constexpr uint32_t kLabel = kItemStyleChild | kStaticLeft;
constexpr uint32_t kValue = kItemStyleChild | kStaticLeft | kStaticNoPrefix;
constexpr uint32_t kGroup = kItemStyleChild | kButtonGroupBox;
constexpr uint32_t kPush = kItemStyleChild | kButtonPush | kStyleTabStop;

const DialogItemTemplate kItems[] = {
    {"SysTreeView32", "", Self::kIdTree, 7, 7, 130, 176,
     kItemStyleChild | kStyleBorder | kStyleTabStop | kStyleGroup | kTreeHasButtons | kTreeHasLines |
         kTreeLinesAtRoot | kTreeShowSelAlways},
    {"BUTTON", "Plugin Properties", -1, 144, 4, 169, 104, kGroup},
    {"STATIC", "", Self::kIdTitle, 150, 16, 157, 9, kItemStyleChild | kStaticCentre | kStaticNoPrefix},
    {"STATIC", "Title:", -1, 150, 30, 36, 9, kLabel},
    {"STATIC", "", Self::kIdShortName, 188, 30, 119, 9, kValue},
    {"STATIC", "Media:", -1, 150, 42, 36, 9, kLabel},
    {"STATIC", "", Self::kIdMedia, 188, 42, 119, 9, kValue},
    {"STATIC", "Version:", -1, 150, 54, 36, 9, kLabel},
    {"STATIC", "", Self::kIdVersion, 188, 54, 119, 9, kValue},
    {"STATIC", "", Self::kIdRights, 150, 66, 157, 16, kValue},
    {"EDIT", "", Self::kIdWebAddress, 150, 87, 110, 12,
     kItemStyleChild | kStyleBorder | kStyleTabStop | kStyleGroup | kEditCentre | kEditReadOnly |
         kEditAutoHScroll},
    {"BUTTON", "Support", Self::kIdSupport, 264, 86, 43, 14, kPush},
    {"BUTTON", "Velmora Audio Engine Update", -1, 144, 112, 169, 50, kGroup},
    {"BUTTON", "Use proxy", Self::kIdUseProxy, 150, 129, 80, 10,
     kItemStyleChild | kButtonAutoCheckBox | kStyleTabStop | kStyleGroup},
    {"BUTTON", "&Proxy...", Self::kIdProxy, 243, 124, 64, 14, kPush | kStyleGroup},
    {"BUTTON", "Find &Update!", Self::kIdFindUpdate, 243, 142, 64, 14, kPush},
    {"BUTTON", "&Close", Self::kIdClose, 257, 169, 56, 14,
     kItemStyleChild | kButtonDefPush | kStyleTabStop | kStyleGroup},
};

const DialogTemplate kTemplate{
    Self::kTemplateId, "Plugin Manager", kDialogStyleStandard, 0, 0, 0, 320, 190, nullptr, 8, kItems};

DialogRegistrar registrar(kTemplate);

TreeItem insertItem(plat::ui::WindowHandle tree, TreeItem parent, std::string text, const PluginEntry* entry)
{
    TreeInsertRecord record;
    record.parent = parent;
    record.insertAfter = kTreeLast;
    record.item.mask = kTreeItemText | kTreeItemParam;
    record.item.text = text.data();
    record.item.param = reinterpret_cast<intptr_t>(entry);
    return static_cast<TreeItem>(
        sendMessage(tree, kMsgTreeInsertItem, 0, reinterpret_cast<intptr_t>(&record)));
}

} // namespace

PluginManagerDialog::PluginManagerDialog(EngineShell& shell, plat::ui::WindowHandle owner)
    : zkr::Dialog(kTemplateId, engineModule(), owner), shell_(shell)
{
}

std::string PluginManagerDialog::itemLabel(const char* path, bool loaded)
{
    std::string label = plat::fileNameOf(path);
    if (loaded)
        label += " *";
    return label;
}

void PluginManagerDialog::onInitDialog()
{
    fillTree();
    showInfo(PluginInfo{});
    const bool useProxy = shell_.settings().hold()->getInt(kUseProxyKey, 0) != 0;
    static_cast<void>(checkDlgButton(window, kIdUseProxy, useProxy ? kButtonChecked : kButtonUnchecked));
}

void PluginManagerDialog::fillTree()
{
    const plat::ui::WindowHandle tree = dialogItem(window, kIdTree);
    const TreeItem root = insertItem(tree, kTreeRoot, engineString(kStringOpenSystem), nullptr);
    struct Kind {
        EngineString heading;
        PluginList& list;
    };
    const Kind kinds[] = {
        {kStringInputPlugins, shell_.slots().inputList()},
        {kStringOutputPlugins, shell_.slots().outputList()},
        {kStringRealtimeEffects, shell_.slots().effectList()},
        {kStringUserInterfaces, shell_.slots().userInterfaceList()},
    };
    for (const Kind& kind : kinds) {
        const TreeItem heading = insertItem(tree, root, engineString(kind.heading), nullptr);
        for (int i = 0; i < kind.list.count; ++i) {
            const auto* entry = kind.list.itemAt(i);
            insertItem(tree, heading, itemLabel(entry->path, shell_.slots().isLoaded(*entry)), entry);
        }
    }
    sendMessage(tree, kMsgTreeExpand, kTreeExpandIt, root);
}

void PluginManagerDialog::showInfo(const PluginInfo& info)
{
    static_cast<void>(setDlgItemText(window, kIdTitle, info.title));
    static_cast<void>(setDlgItemText(window, kIdShortName, info.shortName));
    static_cast<void>(setDlgItemText(window, kIdVersion, info.version));
    static_cast<void>(setDlgItemText(window, kIdMedia, info.media));
    static_cast<void>(setDlgItemText(window, kIdRights, info.copyright));
    static_cast<void>(setDlgItemText(window, kIdWebAddress, info.webAddress));
}

void PluginManagerDialog::onNotify(uintptr_t, intptr_t lparam)
{
    const auto* header = reinterpret_cast<const NotifyHeader*>(lparam);
    if (header == nullptr || header->id != static_cast<uintptr_t>(kIdTree) || header->code != kTreeSelChanged)
        return;
    const auto* notify = reinterpret_cast<const TreeNotify*>(lparam);
    // Headings carry no entry and leave the fields as they are.
    const auto* entry = reinterpret_cast<const PluginEntry*>(notify->itemNew.param);
    if (entry == nullptr)
        return;
    showInfo(entry->info);
    static_cast<void>(invalidateRect(window, nullptr, true));
}

bool PluginManagerDialog::onCommand(uintptr_t wparam, intptr_t lparam)
{
    if (hiWord(wparam) != kButtonClicked)
        return zkr::Dialog::onCommand(wparam, lparam);
    switch (loWord(wparam)) {
    case kIdSupport: {
        const std::string address = dlgItemText(window, kIdWebAddress);
        if (!address.empty())
            shell_.openWebAddress(address);
        return true;
    }
    case kIdFindUpdate:
        findUpdate();
        return true;
    case kIdProxy: {
        ProxyDialog proxy(shell_.settings(), window);
        proxy.runModal();
        return true;
    }
    default:
        return zkr::Dialog::onCommand(wparam, lparam);
    }
}

void PluginManagerDialog::findUpdate()
{
    const bool useProxy = isDlgButtonChecked(window, kIdUseProxy) == kButtonChecked;
    static_cast<void>(shell_.settings().hold()->setInt(kUseProxyKey, useProxy ? 1 : 0));
    UpdateDialog update(shell_, window);
    static_cast<void>(update.runModal());
}

} // namespace engine
