#include "plugins/velmoraui/UiApplication.h"

#include "platform/ui/Messages.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/velmoraui/Layout.h"
#include "plugins/velmoraui/MainPanel.h"
#include "plugins/velmoraui/Skin.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"

namespace velmoraui {

namespace {

using plat::ui::MenuItemTemplate;
using plat::ui::MenuTemplate;

const MenuItemTemplate kMoreItems[] = {
    {MainPanel::kTrayIconCommand, "Display &Tray Icon", 0, {}},
};
const MenuItemTemplate kMainItems[] = {
    {MainPanel::kPluginManagerCommand, "&Plugin Manager...", 0, {}},
    {MainPanel::kAudioSetupCommand, "Audio System &Setup...", 0, {}},
    {0, nullptr, plat::ui::kMenuSeparator, {}},
    {MainPanel::kHelpIndexCommand, "&HTMLHelp Index", 0, {}},
    {MainPanel::kHomepageCommand, "&Velmora Homepage", 0, {}},
    {MainPanel::kAboutCommand, "&About...", 0, {}},
    {0, nullptr, plat::ui::kMenuSeparator, {}},
    {0, "More", plat::ui::kMenuPopup, kMoreItems},
    {0, nullptr, plat::ui::kMenuSeparator, {}},
    {MainPanel::kExitCommand, "E&xit", 0, {}},
};
const MenuItemTemplate kMixerItems[] = {
    {MixingConsole::kMixerSettingsCommand, "&Mixer Settings...", 0, {}},
};
const MenuItemTemplate kAutoItems[] = {
    {MixingConsole::kCrossFadeCommand, "&CROSS FADE", 0, {}},
};
const MenuItemTemplate kMainBar[] = {{0, "MainMenu", plat::ui::kMenuPopup, kMainItems}};
const MenuItemTemplate kMixerBar[] = {{0, "MixerPopup", plat::ui::kMenuPopup, kMixerItems}};
const MenuItemTemplate kAutoBar[] = {{0, "AutoMenu", plat::ui::kMenuPopup, kAutoItems}};
const MenuTemplate kMenus[] = {
    {MainPanel::kMainMenu, kMainBar},
    {MixingConsole::kMixerMenu, kMixerBar},
    {MixingConsole::kAutoMenu, kAutoBar},
};
const plat::ui::ResourceTable kResources{{}, {}, {}, kMenus};

} // namespace

UiApplication::UiApplication()
{
    helpPage = kHelpPage;
}

UiApplication::~UiApplication()
{
    shutDown();
}

void UiApplication::startUp()
{
    plat::ui::registerResources(zkr::ownModule(), kResources);
    // Without the shared services the plug-in still runs: no splash, tray icon or help.
    (void)zkr::bindSharedServices();
    mainPanel = std::make_unique<MainPanel>();
    mainPanel->eventCallback = eventCallback;
    mainPanel->internalCallback = internalCallback;
    settings.setFileName(zkr::kSettingsFile);
    settings.createMissingKeys = true;
}

void UiApplication::shutDown()
{
    if (mainPanel) {
        if (mainPanel->window != nullptr && plat::ui::isWindow(mainPanel->window)) {
            // Carried out by the window's thread; the console goes with it.
            (void)plat::ui::destroyWindow(mainPanel->window);
        }
        mainPanel.reset();
        zkr::releaseSharedServices();
        plat::ui::unregisterResources(zkr::ownModule(), kResources);
    }
}

void UiApplication::setEventCallback(engine::EventCallback callback)
{
    eventCallback = callback;
    if (mainPanel)
        mainPanel->eventCallback = callback;
}

void UiApplication::setInternalCallback(engine::InternalCallback callback)
{
    internalCallback = callback;
    if (mainPanel)
        mainPanel->internalCallback = callback;
}

int32_t UiApplication::createUserInterface(engine::InstanceHandle, int32_t showCommand)
{
    if (!mainPanel)
        return 0;
    plat::ui::initControls();
    zkr::WindowDescription description = MainPanel::windowDescription();
    if (icon.isEmpty())
        (void)plat::ui::loadImage(zkr::ownModule(), plat::ui::ImageKind::Icon, kIcon, icon);
    if (!icon.isEmpty()) {
        description.icon = &icon;
        description.smallIcon = &icon;
    }
    const int status = mainPanel->runOnOwnThread(description, zkr::ownModule(), showCommand);
    return status == 0 ? 1 : 0;
}

void UiApplication::updateGeneralValue(int32_t index, int32_t code, intptr_t value)
{
    if (mainPanel)
        mainPanel->updateGeneralValue(index, code, value);
}

void UiApplication::updateChannelValue(int32_t channel, int32_t code, intptr_t value)
{
    if (mainPanel)
        mainPanel->updateChannelValue(channel, code, value);
}

} // namespace velmoraui
