#include <atomic>

#include "engine/Engine.h"
#include "engine/EngineResources.h"
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

bool isAddress(const std::string& target)
{
    const std::size_t colon = target.find(':');
    return colon != std::string::npos && colon > 1 && target.find('/') > colon;
}

} // namespace

void setShellOpener(ShellOpenFunction opener)
{
    shellOpener.store(opener);
}

std::string shellFailureText(const std::string& target, int shellResult)
{
    // A web address is named whole: its last part after a separator says nothing.
    return zkr::shellFailureText(isAddress(target) ? target : plat::fileNameOf(target), shellResult);
}

bool EngineCore::openWebAddress(const std::string& target)
{
    const ShellOpenFunction opener = shellOpener.load();
    const int opened = opener != nullptr ? opener(target, folder) : plat::shellOpen(target, folder);
    if (opened > 32)
        return true;
    plat::showNotice(shellFailureText(target, opened).c_str(), zkr::kProductTitle, plat::kNoticeFailure);
    return false;
}

int32_t EngineCore::openHomepage()
{
    openWebAddress(kMakerWebAddress);
    return 1;
}

int32_t EngineCore::openHelpIndex()
{
    if (zkr::sharedServices != nullptr)
        zkr::sharedServices->handleZKRHelp(kHelpIndexPage, 0, 0, 0);
    return 1;
}

int32_t EngineCore::trayNotification(const EngineRequest& request)
{
    const auto window = reinterpret_cast<plat::ui::WindowHandle>(request.owner);
    if (request.data == kLeftButtonUp) {
        plat::ui::showWindow(window, plat::ui::kShowNormal);
        plat::ui::setForegroundWindow(window);
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

} // namespace engine
