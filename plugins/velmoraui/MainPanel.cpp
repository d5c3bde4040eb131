#include "plugins/velmoraui/MainPanel.h"

#include <string>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Window.h"
#include "plugins/velmoraui/Layout.h"
#include "plugins/velmoraui/Texts.h"
#include "zkr/Application.h"
#include "zkr/Registry.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace velmoraui {

namespace {

// Mailbox keys of the states.
constexpr int kElapsedKey = 0;
constexpr int kStreamingKey = 1;

// What a window whose start-up failed reports (above 0 fails the creation).
constexpr int kStartFailed = 18;

} // namespace

MainPanel::MainPanel() = default;

MainPanel::~MainPanel()
{
    // The console and the mailbox are used by the window's thread until it ends.
    endWindow();
    mailbox_.detach();
}

zkr::WindowDescription MainPanel::windowDescription()
{
    zkr::WindowDescription description;
    zkr::copyText(description.className, kClassName);
    zkr::copyText(description.title, kTitle);
    // The work area's corner, unless a stored position says otherwise.
    const plat::ui::Rect desk = plat::ui::workArea();
    description.x = desk.left;
    description.y = desk.top;
    description.width = kRequestedWidth;
    description.height = kRequestedHeight;
    description.inTaskBar = 1;
    return description;
}

// ---------------------------------------------------------------------------
// From the engine (any thread)

void MainPanel::updateGeneralValue(int32_t index, int32_t code, intptr_t value)
{
    switch (code) {
    case toWire(engine::Value::Streaming):
        if (index == 0)
            mailbox_.postState(kStreamingKey, value);
        return;
    case toWire(engine::Value::Elapsed):
        if (index == 0)
            mailbox_.postState(kElapsedKey, value);
        return;
    case toWire(engine::Value::InputName):
    case toWire(engine::Value::OutputName):
    case toWire(engine::Value::EffectSlotName): {
        const bool known =
            (code == toWire(engine::Value::InputName) && index >= 0 && index < engine::kInputSlots) ||
            (code == toWire(engine::Value::OutputName) && index == 0) ||
            (code == toWire(engine::Value::EffectSlotName) && index >= 0 && index < engine::kEffectSlots);
        if (!known)
            return;
        const char* text = reinterpret_cast<const char*>(value);
        mailbox_.postOrdered(Update{index, code, 0, 0, text != nullptr, text != nullptr ? text : ""});
        return;
    }
    default:
        return;
    }
}

void MainPanel::updateChannelValue(int32_t channel, int32_t code, intptr_t value)
{
    console.updateChannelValue(channel, code, value);
}

// ---------------------------------------------------------------------------
// Start-up

SelectionDisplay* MainPanel::addSelection(int id, const Box& box, unsigned background,
                                          const std::string& tooltip)
{
    auto display = std::make_unique<SelectionDisplay>(this);
    display->place(box.x, box.y, images_.load(background), &selectionAreas_, images_.load(kLampLitBitmap),
                   images_.load(kLampDarkBitmap), &font);
    display->setDefaultTooltip(tooltip);
    return &addControl(std::move(display), kControlMessage, static_cast<uint32_t>(id));
}

bool MainPanel::createStageOne()
{
    images_.clear();
    if (!zkr::applySkin(*this, images_, kMainSkinBitmap, kMainMaskBitmap))
        return false;
    std::vector<int> widths(kFontWidths.begin(), kFontWidths.end());
    if (!font.load(zkr::ownModule(), kFontBitmap, kFontFirst, kFontLast, kFontHeight, kFontFixedWidth,
                   widths) ||
        !selectionAreas_.load(zkr::ownModule(), kSelectionAreasBitmap))
        return false;

    auto menu = std::make_unique<zkr::BitmapButton>(this);
    menu->place(kMenuButton.x, kMenuButton.y, images_.load(kMenuButtonBitmap));
    zkr::copyText(menu->tooltip, stringText(kStringMenu));
    menuButton = &addControl(std::move(menu), kControlMessage, kMenuButtonId);

    auto console = std::make_unique<zkr::BitmapButton>(this);
    console->place(kConsoleButton.x, kConsoleButton.y, images_.load(kConsoleButtonBitmap));
    zkr::copyText(console->tooltip, stringText(kStringToggleConsole));
    consoleButton = &addControl(std::move(console), kControlMessage, kConsoleButtonId);

    auto lamp = std::make_unique<zkr::LampControl>(this);
    lamp->place(kStreamingLamp.x, kStreamingLamp.y, images_.load(kLampLitBitmap),
                images_.load(kLampDarkBitmap));
    lamp->hasTooltip = false;
    streamingLamp = &addControl(std::move(lamp), kControlMessage, kLampId);

    auto elapsed = std::make_unique<zkr::LabelControl>(this);
    elapsed->place(kTimeDisplay.x, kTimeDisplay.y, kTimeDisplay.width, kTimeDisplay.height);
    elapsed->font = &font;
    elapsed->hasTooltip = false;
    elapsed->setText(stringText(kStringZeroTime));
    timeDisplay = &addControl(std::move(elapsed), kControlMessage, kTimeId);

    for (int slot = 0; slot < engine::kInputSlots; ++slot)
        inputDisplays[static_cast<std::size_t>(slot)] =
            addSelection(kFirstInputId + slot, kInputDisplays[static_cast<std::size_t>(slot)],
                         kInputDisplayBitmap, numberedText(kStringAudioInput, slot + 1));
    outputDisplay =
        addSelection(kOutputId, kOutputDisplay, kOutputDisplayBitmap, stringText(kStringAudioOutput));
    for (int slot = 0; slot < engine::kEffectSlots; ++slot)
        effectDisplays[static_cast<std::size_t>(slot)] =
            addSelection(kFirstEffectId + slot, kEffectDisplays[static_cast<std::size_t>(slot)],
                         kEffectDisplayBitmap, numberedText(kStringRealtimeEffect, slot + 1));

    auto close = std::make_unique<zkr::BitmapButton>(this);
    close->place(kCloseButton.x, kCloseButton.y, images_.load(kCloseButtonBitmap));
    zkr::copyText(close->tooltip, stringText(kStringClose));
    addControl(std::move(close), kControlMessage, kCloseId);

    auto minimise = std::make_unique<zkr::BitmapButton>(this);
    minimise->place(kMinimiseButton.x, kMinimiseButton.y, images_.load(kMinimiseButtonBitmap));
    zkr::copyText(minimise->tooltip, stringText(kStringMinimise));
    addControl(std::move(minimise), kControlMessage, kMinimiseId);

    mainMenu_ = plat::ui::loadMenu(zkr::ownModule(), kMainMenu);
    return !images_.failed() && mainMenu_ != nullptr;
}

bool MainPanel::createConsole()
{
    console.eventCallback = eventCallback;
    console.internalCallback = internalCallback;
    console.font = &font;
    console.parent = window;
    zkr::WindowDescription description;
    zkr::copyText(description.className, MixingConsole::kClassName);
    zkr::copyText(description.title, stringText(kStringMixingConsole));
    // Beside the windows shown when it first shows, unless a stored position says otherwise.
    description.besideShownWindows = true;
    description.width = kConsoleWidth;
    description.height = kConsoleHeight;
    return console.create(true, description, zkr::ownModule(), plat::ui::kShowHide) == 0;
}

int MainPanel::finishCreate()
{
    if (!createConsole())
        return kStartFailed;
    built_ = true;
    mailbox_.attach(window, kUpdateMessage);
    // First: the plug-ins' windows find their places around the main window's.
    restoreSettings();
    request(toWire(engine::Request::Restore));
    return 0;
}

void MainPanel::restoreSettings()
{
    zkr::Registry* settings = pluginSettings();
    if (settings == nullptr)
        return;
    (void)zkr::Registry::restorePosition(window, kMainPositionKey); // else it stays where it was made
    trayIcon = settings->getInt(kTrayIconKey, 1) != 0;
    if (trayIcon)
        showTrayIcon(true);
}

void MainPanel::beforeDestroy()
{
    built_ = false;
    mailbox_.detach();
    if (mainMenu_ != nullptr)
        (void)plat::ui::destroyMenu(mainMenu_);
    mainMenu_ = nullptr;
    // A window destroyed without closing (the plug-in unloaded) takes its icon along.
    if (trayIconShown_)
        showTrayIcon(false);
    // A console still open here (the window is destroyed without closing)
    // goes with it.
    closeConsole();
}

void MainPanel::closeConsole()
{
    console.closing = true;
    if (console.window != nullptr && plat::ui::isWindow(console.window))
        plat::ui::sendMessage(console.window, plat::ui::kMsgClose, 0, 0);
}

// ---------------------------------------------------------------------------
// Closing

bool MainPanel::onClose()
{
    engine::EngineEvent quit{};
    quit.code = toWire(engine::Event::Quit);
    quit.wait = 1;
    if (eventCallback == nullptr || eventCallback(&quit) == 0) {
        (void)plat::ui::flashWindow(window, true);
        return false;
    }
    if (trayIcon)
        showTrayIcon(false);
    saveSettings();
    closeConsole();
    return true;
}

void MainPanel::saveSettings()
{
    zkr::Registry* settings = pluginSettings();
    if (settings == nullptr)
        return;
    (void)zkr::Registry::savePosition(window, kMainPositionKey); // the store reports a failure
    (void)settings->setInt(kTrayIconKey, trayIcon ? 1 : 0);
    const bool consoleOpen = console.window != nullptr && plat::ui::isWindow(console.window);
    if (consoleOpen)
        (void)zkr::Registry::savePosition(console.window, MixingConsole::kPositionKey);
    (void)settings->setInt(MixingConsole::kVisibleKey,
                           consoleOpen && plat::ui::isWindowVisible(console.window) ? 1 : 0);
    (void)settings->saveSection(); // the store reports a failure
}

// ---------------------------------------------------------------------------
// The user (the window's thread)

intptr_t MainPanel::onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam)
{
    if (message == kUpdateMessage) {
        if (built_)
            mailbox_.drain([this](int key, intptr_t value) { applyState(key, value); },
                           [this](const Update& update) { applyUpdate(update); });
    } else if (message == kControlMessage) {
        if (built_)
            onControl(static_cast<int>(wparam));
    } else if (message == kTrayMessage) {
        request(toWire(engine::Request::TrayNotification), lparam);
    }
    return 0;
}

intptr_t MainPanel::onCopyData(uintptr_t, intptr_t lparam)
{
    request(toWire(engine::Request::CommandString), lparam);
    return 1;
}

int32_t MainPanel::request(int32_t code, intptr_t data)
{
    if (internalCallback == nullptr)
        return 0;
    engine::EngineRequest fields{};
    fields.owner = reinterpret_cast<intptr_t>(window);
    fields.data = data;
    return internalCallback(&fields, code);
}

void MainPanel::onControl(int id)
{
    switch (id) {
    case kMenuButtonId:
        openMainMenu();
        return;
    case kConsoleButtonId:
        console.showPlaced(plat::ui::isWindowVisible(console.window) ? plat::ui::kShowHide
                                                                     : plat::ui::kShowNormal);
        return;
    case kCloseId:
        // Posted: the window must not go while its button is still handling the click.
        (void)plat::ui::postMessage(window, plat::ui::kMsgClose, 0, 0);
        return;
    case kMinimiseId:
        plat::ui::showWindow(window, plat::ui::kShowMinimize);
        return;
    default:
        break;
    }
    if (id >= kFirstInputId && id < kFirstInputId + engine::kInputSlots)
        onSelection(*inputDisplays[static_cast<std::size_t>(id - kFirstInputId)],
                    toWire(engine::EventKind::Input), id - kFirstInputId, toWire(engine::Request::InputMenu));
    else if (id == kOutputId)
        onSelection(*outputDisplay, toWire(engine::EventKind::Output), 0,
                    toWire(engine::Request::OutputMenu));
    else if (id >= kFirstEffectId && id < kFirstEffectId + engine::kEffectSlots)
        onSelection(*effectDisplays[static_cast<std::size_t>(id - kFirstEffectId)],
                    toWire(engine::EventKind::Effect), id - kFirstEffectId,
                    toWire(engine::Request::EffectMenu));
}

void MainPanel::onSelection(SelectionDisplay& display, int32_t kind, int32_t slot, int32_t menuRequest)
{
    if (display.clickedArea == SelectionAreas::Area::Lamp) {
        display.setLit(!display.lit);
        engine::EngineEvent event{};
        event.code = toWire(engine::Event::ShowWindow);
        event.target = kind;
        event.index = slot;
        event.value = display.lit ? 1 : 0;
        if (eventCallback != nullptr)
            eventCallback(&event);
        return;
    }
    if (display.clickedArea != SelectionAreas::Area::Name || internalCallback == nullptr)
        return;
    const plat::ui::Point corner = display.bottomLeftOnScreen();
    engine::EngineRequest fields{};
    fields.owner = reinterpret_cast<intptr_t>(window);
    fields.x = corner.x;
    fields.y = corner.y;
    fields.slot = kind == toWire(engine::EventKind::Output) ? 0 : slot;
    if (internalCallback(&fields, menuRequest) == 0)
        return;
    display.showSelection(reinterpret_cast<const char*>(fields.data));
}

void MainPanel::openMainMenu()
{
    plat::ui::MenuHandle popup = plat::ui::subMenu(mainMenu_, 0);
    if (popup == nullptr)
        return;
    (void)plat::ui::checkMenuItem(popup, kTrayIconCommand,
                                  (trayIcon ? plat::ui::kMenuChecked : plat::ui::kMenuUnchecked) |
                                      plat::ui::kMenuByCommand);
    plat::ui::Point corner{menuButton->rect.left, menuButton->rect.top};
    (void)plat::ui::clientToScreen(window, corner);
    const intptr_t chosen = plat::ui::trackPopupMenu(
        popup, plat::ui::kTrackRightAlign | plat::ui::kTrackReturnCommand, corner.x, corner.y, window);
    if (chosen > 0)
        onMenuCommand(static_cast<unsigned>(chosen));
}

void MainPanel::onMenuCommand(unsigned command)
{
    switch (command) {
    case kPluginManagerCommand:
        request(toWire(engine::Request::PluginManager));
        return;
    case kAudioSetupCommand:
        request(toWire(engine::Request::AudioSystemSetup));
        return;
    case kHelpIndexCommand:
        request(toWire(engine::Request::HelpIndex));
        return;
    case kHomepageCommand:
        request(toWire(engine::Request::Homepage));
        return;
    case kAboutCommand:
        request(toWire(engine::Request::About));
        return;
    case kTrayIconCommand:
        trayIcon = !trayIcon;
        showTrayIcon(trayIcon);
        return;
    case kExitCommand:
        (void)plat::ui::postMessage(window, plat::ui::kMsgClose, 0, 0);
        return;
    default:
        return;
    }
}

void MainPanel::showTrayIcon(bool show)
{
    if (zkr::sharedServices != nullptr && zkr::sharedServices->setVelmoraTrayIcon != nullptr)
        zkr::sharedServices->setVelmoraTrayIcon(reinterpret_cast<intptr_t>(window), kTrayMessage,
                                                show ? 1 : 0);
    trayIconShown_ = show;
}

// ---------------------------------------------------------------------------
// The engine's updates (the window's thread)

void MainPanel::applyState(int key, intptr_t value)
{
    if (key == kStreamingKey)
        streamingLamp->setLit(value != 0);
    else if (key == kElapsedKey)
        timeDisplay->setText(elapsedText(value).c_str());
}

SelectionDisplay* MainPanel::displayFor(int32_t code, int32_t index) const
{
    switch (code) {
    case toWire(engine::Value::InputName):
        return inputDisplays[static_cast<std::size_t>(index)];
    case toWire(engine::Value::OutputName):
        return outputDisplay;
    case toWire(engine::Value::EffectSlotName):
        return effectDisplays[static_cast<std::size_t>(index)];
    default:
        return nullptr;
    }
}

void MainPanel::applyUpdate(const Update& update)
{
    if (SelectionDisplay* display = displayFor(update.code, update.target))
        display->showSelection(update.hasText ? update.text.c_str() : nullptr);
}

} // namespace velmoraui
