#pragma once

#include <array>
#include <cstdint>

#include "api/PluginApi.h"
#include "platform/ui/Menu.h"
#include "plugins/velmoraui/Skin.h"
#include "plugins/velmoraui/UpdateMailbox.h"
#include "zkr/BitmapFont.h"
#include "zkr/KnobControl.h"
#include "zkr/LabelControl.h"
#include "zkr/LampControl.h"
#include "zkr/SliderControl.h"
#include "zkr/ToggleButton.h"
#include "zkr/UserInterface.h"

namespace velmoraui {

// The mixing console: four channel strips and the master section. Every
// control carries the engine event it sends when the user moves it; every
// display follows updateChannelValue. It never waits for the engine.
//
// Threads: the window and its controls belong to the user interface's
// thread. updateChannelValue may come from any thread and only hands the
// update to that thread through the mailbox.
class MixingConsole : public zkr::UserInterface {
public:
    static constexpr char kClassName[] = "VelmoraUIConsole";

    // Control ids; strip k adds k.
    static constexpr int kNameId = 1;
    static constexpr int kFaderId = 5;
    static constexpr int kPanId = 9;
    static constexpr int kMuteId = 13;
    static constexpr int kSoloId = 17;
    static constexpr int kPreFaderId = 21;
    static constexpr int kEffectDisplayIds[2] = {25, 33};
    static constexpr int kKnobIds[2] = {29, 37};
    static constexpr int kSelectId = 46;
    static constexpr int kMasterLeftId = 41;
    static constexpr int kMasterRightId = 42;
    static constexpr int kClipId = 43;
    static constexpr int kLedPowerId = 44;
    static constexpr int kAutoMixId = 45;

    // Its keys in the plug-in's settings section, written by the main window.
    static constexpr char kPositionKey[] = "MixerUIPos";
    static constexpr char kVisibleKey[] = "MixerVisible";

    // Menus and their commands.
    static constexpr unsigned kFaderMenu = 138;
    static constexpr unsigned kMixerMenu = 201;
    static constexpr unsigned kAutoMenu = 208;
    static constexpr unsigned kMixerSettingsCommand = 40011;
    static constexpr unsigned kCrossFadeCommand = 40015;

    static constexpr int32_t kVolumeRange = 200;
    static constexpr int32_t kUnityVolume = 100;
    static constexpr int32_t kPanRange = 100;
    static constexpr int32_t kEffectLevelRange = 100;
    // Where a newly chosen effect's level knob stands; a disabled knob's value.
    static constexpr int32_t kChosenEffectLevel = 50;
    static constexpr int32_t kDisabledEffectLevel = 100;
    // The crossfade the auto mixing menu starts.
    static constexpr intptr_t kCrossfadeIntervalMs = 200;
    static constexpr intptr_t kCrossfadeStep = 10;
    static constexpr intptr_t kCrossfadeTarget = 200;

    MixingConsole();
    ~MixingConsole() override;

    // Any thread.
    void updateChannelValue(int32_t channel, int32_t code, intptr_t value);

    // Set by the main window before it creates the console; not owned.
    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    const zkr::BitmapFont* font = nullptr;

    // The window's thread from here on.
    // Set by the main window when the plug-in shuts down: only then may the console close.
    bool closing = false;
    bool ledPower = true;
    // The two select buttons chosen last (channels), older first; -1 for none.
    int32_t olderSelect = -1;
    int32_t newerSelect = -1;

    struct Strip {
        zkr::LabelControl* name = nullptr;
        zkr::SliderControl* fader = nullptr;
        zkr::SliderControl* pan = nullptr;
        zkr::ToggleButton* mute = nullptr;
        zkr::ToggleButton* solo = nullptr;
        zkr::ToggleButton* preFader = nullptr;
        zkr::ToggleButton* select = nullptr;
        std::array<zkr::LabelControl*, engine::kChannelEffectSlots> effectDisplays{};
        std::array<zkr::KnobControl*, engine::kChannelEffectSlots> knobs{};
        engine::EngineEvent volumeEvent{};
        engine::EngineEvent panEvent{};
        engine::EngineEvent muteEvent{};
        engine::EngineEvent soloEvent{};
        engine::EngineEvent preFaderEvent{};
        std::array<engine::EngineEvent, engine::kChannelEffectSlots> knobEvents{};
        // The channel whose fader moves with this one; -1 for none.
        int32_t linkedChannel = -1;
    };
    std::array<Strip, engine::kChannelCount> strips{};
    std::array<zkr::SliderControl*, 2> masterFaders{};
    engine::EngineEvent masterEvent{};
    zkr::LampControl* clipLamp = nullptr;
    zkr::ToggleButton* ledPowerButton = nullptr;
    zkr::BitmapButton* autoMixButton = nullptr;

    // ---- window handlers ----
    bool createStageOne() override;
    int finishCreate() override;
    void beforeShow() override;
    void beforeDestroy() override;
    bool onClose() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;
    void onControlContextMenu(zkr::Control* control, int x, int y) override;

private:
    void buildStrip(int channel);
    void buildMaster();

    void onControl(int id);
    void onSelect(int channel);
    void forgetSelect(int channel);
    void onEffectDisplay(int channel, int slot);
    void switchLedPower(bool on);
    void openAutoMenu();
    void crossFade();
    void send(engine::EngineEvent& event, intptr_t value);

    void applyState(int key, intptr_t value);
    void applyUpdate(const Update& update);
    void link(int channel, int partner);
    void unlink(int channel);
    void showEffect(int channel, int slot, const char* text);

    zkr::SkinImages images_{zkr::ownModule()};
    UpdateMailbox mailbox_;
    plat::ui::MenuHandle mixerMenu_ = nullptr;
    plat::ui::MenuHandle autoMenu_ = nullptr;
    bool built_ = false;
};

} // namespace velmoraui
