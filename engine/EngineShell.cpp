#include "engine/EngineShell.h"

#include <atomic>

#include "api/Protocol.h"
#include "engine/AboutBox.h"
#include "engine/AudioSetupDialog.h"
#include "engine/EngineResources.h"
#include "engine/MixerSettingsDialog.h"
#include "engine/PluginManagerDialog.h"
#include "engine/UpdateDialog.h"
#include "platform/core/Files.h"
#include "platform/core/Notice.h"
#include "platform/core/Shell.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/ShellFailureText.h"

namespace engine {

namespace {

using plat::ui::MenuItemTemplate;
using plat::ui::MenuTemplate;

const MenuItemTemplate kTrayItems[] = {
    {kTrayAbout, "&About...", 0, {}},
    {kTrayHelpIndex, "&HTMLHelp Index", 0, {}},
    {0, nullptr, plat::ui::kMenuSeparator, {}},
    {kTrayUpdate, "&Update Velmora", 0, {}},
    {kTrayHomepage, "&Velmora Homepage", 0, {}},
    {0, nullptr, plat::ui::kMenuSeparator, {}},
    {kTrayAudioSetup, "&Audio System Setup...", 0, {}},
    {kTrayPluginManager, "&Plugin Manager...", 0, {}},
};

const MenuItemTemplate kTrayBar[] = {
    {0, "TrayMenu", plat::ui::kMenuPopup, kTrayItems},
};

const MenuTemplate kMenus[] = {
    {kTrayMenuId, kTrayBar},
};

const plat::ui::ResourceTable kFrameResources{{}, {}, {}, kMenus};
plat::ui::ResourceRegistrar frameRegistrar(kFrameResources);

// The mouse messages the tray icon forwards.
constexpr intptr_t kLeftButtonUp = 0x202;
constexpr intptr_t kRightButtonUp = 0x205;

std::atomic<ShellOpenFunction> shellOpener{nullptr};

// A web address is named whole: its last part after a separator says nothing.
std::string shownName(const std::string& target)
{
    return plat::hasScheme(target) ? target : plat::fileNameOf(target);
}

} // namespace

void setShellOpener(ShellOpenFunction opener)
{
    shellOpener.store(opener);
}

std::string shellFailureText(const std::string& target, int shellResult)
{
    return zkr::shellFailureText(shownName(target), shellResult);
}

EngineShell::EngineShell(AudioCore& audio, PluginSlots& slots, EngineHost& host, SettingsSection& settings,
                         const StartedProgram& program)
    : audio_(audio), slots_(slots), host_(host), settings_(settings), program_(program)
{
}

EngineShell::~EngineShell()
{
    if (trayMenuBar != nullptr)
        static_cast<void>(plat::ui::destroyMenu(trayMenuBar));
}

void EngineShell::loadTrayMenu()
{
    if (trayMenuBar != nullptr)
        static_cast<void>(plat::ui::destroyMenu(trayMenuBar));
    trayMenuBar = plat::ui::loadMenu(engineModule(), kTrayMenuId);
    trayMenu = trayMenuBar != nullptr ? plat::ui::subMenu(trayMenuBar, 0) : nullptr;
}

bool EngineShell::openWebAddress(const std::string& target)
{
    const ShellOpenFunction opener = shellOpener.load();
    // The desktop's opener, or a web browser on the PATH when it has none.
    std::string lookedFor;
    const int opened =
        opener != nullptr ? opener(target, program_.folder) : plat::openWebPage(target, lookedFor);
    if (opened > 32)
        return true;
    const std::string text =
        zkr::webPageFailureText(shownName(target), target, opened, lookedFor, "the page");
    plat::showNotice(text.c_str(), zkr::kProductTitle, plat::kNoticeFailure);
    return false;
}

int32_t EngineShell::openHomepage()
{
    openWebAddress(kMakerWebAddress);
    return 1;
}

int32_t EngineShell::openHelpIndex()
{
    if (zkr::sharedServices != nullptr)
        zkr::sharedServices->handleZKRHelp(kHelpIndexPage, 0, 0, 0);
    return 1;
}

int32_t EngineShell::trayNotification(const EngineRequest& request)
{
    const auto window = reinterpret_cast<plat::ui::WindowHandle>(request.owner);
    if (request.data == kLeftButtonUp) {
        plat::ui::showWindow(window, plat::ui::kShowNormal);
        // Bringing it forward is a courtesy the desktop may refuse.
        static_cast<void>(plat::ui::setForegroundWindow(window));
        return 1;
    }
    if (request.data != kRightButtonUp || trayMenu == nullptr)
        return 1;

    plat::ui::Point cursor{};
    plat::ui::cursorPosition(cursor);
    const auto chosen =
        plat::ui::trackPopupMenu(trayMenu, plat::ui::kTrackReturnCommand, cursor.x, cursor.y, window);
    switch (chosen) {
    case kTrayAbout:
        openAbout(window);
        break;
    case kTrayHomepage:
        openHomepage();
        break;
    case kTrayHelpIndex:
        openHelpIndex();
        break;
    case kTrayAudioSetup:
        openAudioSetup(window);
        break;
    case kTrayPluginManager:
        openPluginManager(window);
        break;
    case kTrayUpdate:
        openUpdateDialog(window);
        break;
    default:
        break;
    }
    return 1;
}

int32_t EngineShell::openAbout(plat::ui::WindowHandle owner)
{
    AboutBox about(*this, owner);
    static_cast<void>(about.runModal());
    return 1;
}

int32_t EngineShell::openAudioSetup(plat::ui::WindowHandle owner)
{
    if (audio_.isStreaming()) {
        host_.showError(toWire(Error::NotNow), kCoreContext);
        return 0;
    }
    AudioSetupDialog dialog(audio_.setup(), readDisplayScale(settings_), owner);
    const int ended = dialog.runModal();
    // A dialog that never appeared changed nothing, but it did not do its job either.
    if (ended < 0)
        return 0;
    // The scale takes effect at the next start; it needs no pause in streaming.
    if (ended == AudioSetupDialog::kIdApply && dialog.displayScaleChanged) {
        const SettingsSection::Held store = settings_.hold();
        static_cast<void>(store->setString(kKeyDisplayScale, dialog.displayScale.c_str()));
        static_cast<void>(store->saveSection());
    }
    if (ended != AudioSetupDialog::kIdApply || !dialog.changed)
        return 1;
    // The dialog is modal on the caller's thread only: streaming may have
    // started on the main thread meanwhile.
    if (audio_.isStreaming()) {
        host_.showError(toWire(Error::NotNow), kCoreContext);
        return 0;
    }
    return host_.applyAudioSetup(dialog.setup) == toWire(Error::Ok) ? 1 : 0;
}

int32_t EngineShell::openMixerSettings(plat::ui::WindowHandle owner)
{
    MixerSettingsDialog dialog(audio_.processesEmptyAsFull(), owner);
    // Cancel, or a dialog that could not be made, leaves the flag alone.
    if (dialog.runModal() == plat::ui::kIdOk)
        audio_.setProcessEmptyAsFull(dialog.processEmptyAsFull);
    return 1;
}

int32_t EngineShell::openPluginManager(plat::ui::WindowHandle owner)
{
    // These tell nothing by how they close.
    PluginManagerDialog dialog(*this, owner);
    static_cast<void>(dialog.runModal());
    return 1;
}

int32_t EngineShell::openUpdateDialog(plat::ui::WindowHandle owner)
{
    UpdateDialog dialog(*this, owner);
    static_cast<void>(dialog.runModal());
    return 1;
}

} // namespace engine
