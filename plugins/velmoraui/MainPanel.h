#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "api/PluginApi.h"
#include "platform/ui/Menu.h"
#include "plugins/velmoraui/Layout.h"
#include "plugins/velmoraui/MixingConsole.h"
#include "plugins/velmoraui/SelectionDisplay.h"
#include "plugins/velmoraui/Skin.h"
#include "plugins/velmoraui/UpdateMailbox.h"
#include "zkr/BitmapButton.h"
#include "zkr/BitmapFont.h"
#include "zkr/LabelControl.h"
#include "zkr/LampControl.h"
#include "zkr/UserInterface.h"

namespace velmoraui {

// The main window: picks the plug-ins of the engine's slots, shows whether
// the engine streams and for how long, and carries the main menu. It makes
// the mixing console, which lives on its thread.
//
// Threads: the window, the console and their controls belong to the user
// interface's thread. updateGeneralValue and updateChannelValue may come
// from any thread and only hand the update over through the mailboxes. The
// callbacks are set before the window's thread starts.
class MainPanel : public zkr::UserInterface {
public:
    static constexpr char kClassName[] = "VelmoraUI";
    static constexpr char kTitle[] = "Velmora Audio Engine";
    static constexpr int kRequestedWidth = 320;
    static constexpr int kRequestedHeight = 200;
    // What the tray icon reports mouse activity with.
    static constexpr uint32_t kTrayMessage = 32778;

    // Control ids.
    static constexpr int kMenuButtonId = 1;
    static constexpr int kConsoleButtonId = 2;
    static constexpr int kLampId = 3;
    static constexpr int kTimeId = 4;
    static constexpr int kFirstInputId = 5;
    static constexpr int kOutputId = 7;
    static constexpr int kFirstEffectId = 8;
    static constexpr int kCloseId = 12;
    static constexpr int kMinimiseId = 13;

    // The main menu and its commands.
    static constexpr unsigned kMainMenu = 101;
    static constexpr unsigned kExitCommand = 40001;
    static constexpr unsigned kPluginManagerCommand = 40002;
    static constexpr unsigned kAudioSetupCommand = 40003;
    static constexpr unsigned kAboutCommand = 40004;
    static constexpr unsigned kHomepageCommand = 40012;
    static constexpr unsigned kHelpIndexCommand = 40013;
    static constexpr unsigned kTrayIconCommand = 40016;

    static constexpr char kMainPositionKey[] = "MainUIPos";
    static constexpr char kTrayIconKey[] = "bTrayIcon";

    MainPanel();
    ~MainPanel() override;

    // Any thread.
    void updateGeneralValue(int32_t index, int32_t code, intptr_t value);
    void updateChannelValue(int32_t channel, int32_t code, intptr_t value);

    // The creation request of createUserInterface.
    static zkr::WindowDescription windowDescription();

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;

    // The window's thread from here on.
    MixingConsole console;
    bool trayIcon = true;
    zkr::BitmapFont font;
    zkr::BitmapButton* menuButton = nullptr;
    zkr::BitmapButton* consoleButton = nullptr;
    zkr::LampControl* streamingLamp = nullptr;
    zkr::LabelControl* timeDisplay = nullptr;
    std::array<SelectionDisplay*, engine::kInputSlots> inputDisplays{};
    SelectionDisplay* outputDisplay = nullptr;
    std::array<SelectionDisplay*, engine::kEffectSlots> effectDisplays{};

    // ---- window handlers ----
    bool createStageOne() override;
    int finishCreate() override;
    void beforeDestroy() override;
    bool onClose() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;
    intptr_t onCopyData(uintptr_t wparam, intptr_t lparam) override;

private:
    SelectionDisplay* addSelection(int id, const Box& box, unsigned background, const std::string& tooltip);
    bool createConsole();
    // Lets the console close (it only hides itself otherwise) and closes it.
    void closeConsole();
    void restoreSettings();
    void saveSettings();

    void onControl(int id);
    void onSelection(SelectionDisplay& display, int32_t kind, int32_t slot, int32_t menuRequest);
    void openMainMenu();
    void onMenuCommand(unsigned command);
    int32_t request(int32_t code, intptr_t data = 0);
    void showTrayIcon(bool show);

    void applyState(int key, intptr_t value);
    void applyUpdate(const Update& update);
    SelectionDisplay* displayFor(int32_t code, int32_t index) const;

    zkr::SkinImages images_{zkr::ownModule()};
    SelectionAreas selectionAreas_;
    UpdateMailbox mailbox_;
    plat::ui::MenuHandle mainMenu_ = nullptr;
    bool built_ = false;
    bool trayIconShown_ = false;
};

} // namespace velmoraui
