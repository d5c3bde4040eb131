#include "plugins/velmoraui/MixingConsole.h"

#include <algorithm>
#include <string>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "plugins/velmoraui/Layout.h"
#include "plugins/velmoraui/Texts.h"
#include "zkr/Registry.h"
#include "zkr/Text.h"

namespace velmoraui {

using plat::ui::Rect;

namespace {

// Mailbox keys of the states: the four channel meters, the two master
// meters, the clip lamp.
constexpr int kMasterLeftKey = 4;
constexpr int kMasterRightKey = 5;
constexpr int kClipKey = 6;

Rect rectOf(const Box& box)
{
    return Rect::fromSize(box.x, box.y, box.width, box.height);
}

engine::EngineEvent eventOf(int32_t code, int32_t target, int32_t index = 0)
{
    engine::EngineEvent event{};
    event.code = code;
    event.target = target;
    event.index = index;
    return event;
}

bool isChannel(intptr_t channel)
{
    return channel >= 0 && channel < engine::kChannelCount;
}

} // namespace

MixingConsole::MixingConsole() = default;

MixingConsole::~MixingConsole()
{
    mailbox_.detach();
}

// ---------------------------------------------------------------------------
// From the engine (any thread)

void MixingConsole::updateChannelValue(int32_t channel, int32_t code, intptr_t value)
{
    switch (code) {
    case toWire(engine::Value::Level):
        if (isChannel(channel))
            mailbox_.postState(channel, value);
        else if (channel == engine::kMasterLeft)
            mailbox_.postState(kMasterLeftKey, value);
        else if (channel == engine::kMasterRight)
            mailbox_.postState(kMasterRightKey, value);
        return;
    case toWire(engine::Value::Clipped):
        if (channel < 0)
            mailbox_.postState(kClipKey, value);
        return;
    case toWire(engine::Value::Volume):
    case toWire(engine::Value::Pan):
    case toWire(engine::Value::Linked):
    case toWire(engine::Value::Unlinked):
        if (isChannel(channel))
            mailbox_.postOrdered(Update{channel, code, value, 0, false, {}});
        return;
    case toWire(engine::Value::ChannelName):
        if (isChannel(channel)) {
            const char* text = reinterpret_cast<const char*>(value);
            mailbox_.postOrdered(Update{channel, code, 0, 0, text != nullptr, text != nullptr ? text : ""});
        }
        return;
    case toWire(engine::Value::EffectName):
    case toWire(engine::Value::EffectEnabled): {
        const auto* pair = reinterpret_cast<const engine::EffectSlotValue*>(value);
        if (!isChannel(channel) || pair == nullptr)
            return;
        Update update{channel, code, pair->slot, pair->value, false, {}};
        if (code == toWire(engine::Value::EffectName) && pair->value != 0) {
            update.hasText = true;
            update.text = reinterpret_cast<const char*>(pair->value);
        }
        mailbox_.postOrdered(std::move(update));
        return;
    }
    default:
        return;
    }
}

// ---------------------------------------------------------------------------
// Building

bool MixingConsole::createStageOne()
{
    images_.clear();
    if (!zkr::applySkin(*this, images_, kConsoleSkinBitmap, kConsoleMaskBitmap))
        return false;
    for (int channel = 0; channel < engine::kChannelCount; ++channel)
        buildStrip(channel);
    buildMaster();
    mixerMenu_ = plat::ui::loadMenu(zkr::ownModule(), kMixerMenu);
    autoMenu_ = plat::ui::loadMenu(zkr::ownModule(), kAutoMenu);
    built_ = !images_.failed() && mixerMenu_ != nullptr && autoMenu_ != nullptr;
    return built_;
}

void MixingConsole::buildStrip(int channel)
{
    Strip& strip = strips[static_cast<std::size_t>(channel)];
    const int shift = kStripPitch * channel;
    const int number = channel + 1;

    auto name = std::make_unique<zkr::LabelControl>(this);
    name->place(kNameDisplay.x + shift, kNameDisplay.y, kNameDisplay.width, kNameDisplay.height);
    name->sunken = true;
    name->font = font;
    name->setText(kNoneText);
    zkr::copyText(name->tooltip, channelText(kStringAudioSource, number).c_str());
    strip.name = &addControl(std::move(name), kControlMessage, static_cast<uint32_t>(kNameId + channel));

    zkr::SliderDescriptor fader;
    fader.orientation = zkr::SliderControl::kVertical;
    fader.track = rectOf(kFaderTrack);
    fader.meter = rectOf(kFaderMeter);
    fader.text = rectOf(kFaderText);
    fader.background = images_.load(kFaderBitmap);
    fader.thumb = images_.load(kFaderThumbBitmap);
    fader.meterLit = images_.load(kMeterLitBitmap);
    fader.meterUnlit = images_.load(kMeterDarkBitmap);
    fader.segmentCount = kMeterSegments;
    auto slider = std::make_unique<zkr::SliderControl>(this);
    slider->place(kFader.x + shift, kFader.y, fader);
    slider->font = font;
    slider->setRange(kVolumeRange, volumeText);
    slider->setValue(kUnityVolume);
    slider->setTooltipBase(channelText(kStringVolume, number).c_str());
    // A right click on a fader does nothing at all.
    slider->hasDirectHelp = false;
    strip.volumeEvent = eventOf(toWire(engine::Event::ChannelVolume), channel);
    strip.fader = &addControl(std::move(slider), kControlMessage, static_cast<uint32_t>(kFaderId + channel));

    zkr::SliderDescriptor pan;
    pan.orientation = zkr::SliderControl::kHorizontal;
    pan.track = rectOf(kPanTrack);
    pan.text = rectOf(kPanText);
    pan.background = images_.load(kPanBitmap);
    pan.thumb = images_.load(kPanThumbBitmap);
    slider = std::make_unique<zkr::SliderControl>(this);
    slider->place(kPan.x + shift, kPan.y, pan);
    slider->font = font;
    slider->setRange(kPanRange, panText);
    slider->setValue(kPanRange / 2);
    slider->setTooltipBase(channelText(kStringStereoPan, number).c_str());
    strip.panEvent = eventOf(toWire(engine::Event::ChannelPan), channel);
    strip.pan = &addControl(std::move(slider), kControlMessage, static_cast<uint32_t>(kPanId + channel));

    struct ButtonSpec {
        zkr::ToggleButton** button;
        const Box& box;
        unsigned bitmap;
        unsigned tooltip;
        int id;
        engine::EngineEvent* event;
        int32_t code;
    };
    const ButtonSpec buttons[] = {
        {&strip.mute, kMuteButton, kMuteBitmap, kStringMute, kMuteId, &strip.muteEvent,
         toWire(engine::Event::Mute)},
        {&strip.solo, kSoloButton, kSoloBitmap, kStringSolo, kSoloId, &strip.soloEvent,
         toWire(engine::Event::Solo)},
        {&strip.preFader, kPreFaderButton, kPreFaderBitmap, kStringPreFader, kPreFaderId,
         &strip.preFaderEvent, toWire(engine::Event::EffectsFirst)},
        {&strip.select, kSelectButton, kSelectBitmap, kStringSelect, kSelectId, nullptr, 0},
    };
    for (const ButtonSpec& spec : buttons) {
        auto button = std::make_unique<zkr::ToggleButton>(this);
        button->place(spec.box.x + shift, spec.box.y, images_.load(spec.bitmap));
        zkr::copyText(button->tooltip, channelText(spec.tooltip, number).c_str());
        if (spec.event != nullptr)
            *spec.event = eventOf(spec.code, channel);
        *spec.button =
            &addControl(std::move(button), kControlMessage, static_cast<uint32_t>(spec.id + channel));
    }
    // Select buttons change only as the console decides.
    strip.select->toggleable = false;

    const zkr::BitmapObject* knobStrip = images_.load(kKnobStripBitmap);
    for (int slot = 0; slot < engine::kChannelEffectSlots; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        const Box& box = kEffectSlotDisplays[slot];
        auto display = std::make_unique<zkr::LabelControl>(this);
        display->place(box.x + shift, box.y, box.width, box.height);
        display->sunken = true;
        display->font = font;
        display->setText(kNoneText);
        zkr::copyText(display->tooltip, channelText(kStringChannelEffect, number).c_str());
        strip.effectDisplays[index] = &addControl(std::move(display), kControlMessage,
                                                  static_cast<uint32_t>(kEffectDisplayIds[slot] + channel));

        auto knob = std::make_unique<zkr::KnobControl>(this);
        knob->place(kEffectKnobs[slot].x + shift, kEffectKnobs[slot].y,
                    zkr::KnobStripDescriptor{knobStrip, kKnobFrames});
        knob->setRange(kEffectLevelRange, effectLevelText);
        knob->setValue(0);
        knob->setTooltipBase(channelText(kStringEffectLevel, number).c_str());
        strip.knobEvents[index] = eventOf(toWire(engine::Event::EffectParameter), channel, slot);
        strip.knobs[index] =
            &addControl(std::move(knob), kControlMessage, static_cast<uint32_t>(kKnobIds[slot] + channel));
    }
}

void MixingConsole::buildMaster()
{
    const unsigned backgrounds[2] = {kMasterFaderLeftBitmap, kMasterFaderRightBitmap};
    const zkr::BitmapObject* thumb = images_.load(kMasterThumbBitmap);
    const zkr::BitmapObject* meterLit = images_.load(kMasterMeterLitBitmap);
    const zkr::BitmapObject* meterDark = images_.load(kMasterMeterDarkBitmap);
    for (int side = 0; side < 2; ++side) {
        zkr::SliderDescriptor descriptor;
        descriptor.orientation = zkr::SliderControl::kVertical;
        descriptor.track = rectOf(kMasterTracks[side]);
        descriptor.meter = rectOf(kMasterMeters[side]);
        descriptor.text = rectOf(kMasterText);
        descriptor.background = images_.load(backgrounds[side]);
        descriptor.thumb = thumb;
        descriptor.meterLit = meterLit;
        descriptor.meterUnlit = meterDark;
        descriptor.segmentCount = kMeterSegments;
        auto fader = std::make_unique<zkr::SliderControl>(this);
        fader->place(kMasterFaders[side].x, kMasterFaders[side].y, descriptor);
        fader->font = font;
        fader->setRange(kVolumeRange, volumeText);
        fader->setValue(kUnityVolume);
        fader->setTooltipBase(stringText(kStringMasterVolume));
        fader->hasDirectHelp = false;
        masterFaders[static_cast<std::size_t>(side)] =
            &addControl(std::move(fader), kControlMessage,
                        static_cast<uint32_t>(side == 0 ? kMasterLeftId : kMasterRightId));
    }
    masterEvent = eventOf(toWire(engine::Event::MasterVolume), 0);

    auto lamp = std::make_unique<zkr::LampControl>(this);
    lamp->place(kClipLamp.x, kClipLamp.y, images_.load(kLampLitBitmap), images_.load(kLampDarkBitmap));
    lamp->hasTooltip = false;
    clipLamp = &addControl(std::move(lamp), kControlMessage, kClipId);

    auto ledPower = std::make_unique<zkr::ToggleButton>(this);
    ledPower->place(kLedPowerButton.x, kLedPowerButton.y, images_.load(kLedPowerBitmap));
    ledPower->on = true;
    zkr::copyText(ledPower->tooltip, stringText(kStringLedPower));
    ledPowerButton = &addControl(std::move(ledPower), kControlMessage, kLedPowerId);

    auto autoMix = std::make_unique<zkr::BitmapButton>(this);
    autoMix->place(kAutoMixButton.x, kAutoMixButton.y, images_.load(kAutoMixBitmap));
    zkr::copyText(autoMix->tooltip, stringText(kStringAutoMixing));
    autoMixButton = &addControl(std::move(autoMix), kControlMessage, kAutoMixId);
}

int MixingConsole::finishCreate()
{
    mailbox_.attach(window, kUpdateMessage);
    return 0;
}

void MixingConsole::beforeShow()
{
    zkr::Registry* settings = pluginSettings();
    if (settings == nullptr)
        return;
    (void)zkr::Registry::restorePosition(window, kPositionKey); // else it stays where it was made
    showCommand = settings->getInt(kVisibleKey, 0) != 0 ? plat::ui::kShowNormal : plat::ui::kShowHide;
}

void MixingConsole::beforeDestroy()
{
    mailbox_.detach();
    built_ = false;
    for (plat::ui::MenuHandle* menu : {&mixerMenu_, &autoMenu_}) {
        if (*menu != nullptr)
            (void)plat::ui::destroyMenu(*menu);
        *menu = nullptr;
    }
}

bool MixingConsole::onClose()
{
    if (closing)
        return true;
    // The user's close only hides the console; the main window brings it back.
    plat::ui::showWindow(window, plat::ui::kShowHide);
    return false;
}

// ---------------------------------------------------------------------------
// The user's changes (the window's thread)

intptr_t MixingConsole::onUserMessage(uint32_t message, intptr_t, uintptr_t wparam)
{
    if (message == kUpdateMessage) {
        if (built_)
            mailbox_.drain([this](int key, intptr_t value) { applyState(key, value); },
                           [this](const Update& update) { applyUpdate(update); });
        return 0;
    }
    if (message == kControlMessage && built_)
        onControl(static_cast<int>(wparam));
    return 0;
}

void MixingConsole::send(engine::EngineEvent& event, intptr_t value)
{
    event.value = value;
    event.wait = 0;
    if (eventCallback != nullptr) {
        engine::EngineEvent copy = event;
        eventCallback(&copy);
    }
}

void MixingConsole::onControl(int id)
{
    const auto channelOf = [id](int first) { return id - first; };
    const auto inStrip = [id](int first) { return id >= first && id < first + engine::kChannelCount; };

    if (inStrip(kFaderId)) {
        Strip& strip = strips[static_cast<std::size_t>(channelOf(kFaderId))];
        const int32_t value = strip.fader->value;
        if (isChannel(strip.linkedChannel))
            strips[static_cast<std::size_t>(strip.linkedChannel)].fader->setValue(value);
        send(strip.volumeEvent, value);
    } else if (inStrip(kPanId)) {
        Strip& strip = strips[static_cast<std::size_t>(channelOf(kPanId))];
        send(strip.panEvent, strip.pan->value);
    } else if (inStrip(kMuteId)) {
        Strip& strip = strips[static_cast<std::size_t>(channelOf(kMuteId))];
        send(strip.muteEvent, strip.mute->on ? 1 : 0);
    } else if (inStrip(kPreFaderId)) {
        Strip& strip = strips[static_cast<std::size_t>(channelOf(kPreFaderId))];
        send(strip.preFaderEvent, strip.preFader->on ? 1 : 0);
    } else if (inStrip(kSoloId)) {
        const int channel = channelOf(kSoloId);
        for (int other = 0; other < engine::kChannelCount; ++other) {
            if (other != channel)
                strips[static_cast<std::size_t>(other)].solo->setOn(false);
        }
        Strip& strip = strips[static_cast<std::size_t>(channel)];
        send(strip.soloEvent, strip.solo->on ? 1 : 0);
    } else if (inStrip(kSelectId)) {
        onSelect(channelOf(kSelectId));
    } else if (id == kMasterLeftId || id == kMasterRightId) {
        const int32_t value = masterFaders[id == kMasterLeftId ? 0 : 1]->value;
        masterFaders[id == kMasterLeftId ? 1 : 0]->setValue(value);
        send(masterEvent, value);
    } else if (id == kLedPowerId) {
        switchLedPower(ledPowerButton->on);
    } else if (id == kAutoMixId) {
        openAutoMenu();
    } else {
        for (int slot = 0; slot < engine::kChannelEffectSlots; ++slot) {
            if (inStrip(kKnobIds[slot])) {
                Strip& strip = strips[static_cast<std::size_t>(channelOf(kKnobIds[slot]))];
                send(strip.knobEvents[static_cast<std::size_t>(slot)],
                     strip.knobs[static_cast<std::size_t>(slot)]->value);
            } else if (inStrip(kEffectDisplayIds[slot])) {
                onEffectDisplay(channelOf(kEffectDisplayIds[slot]), slot);
            }
        }
    }
}

void MixingConsole::onSelect(int channel)
{
    zkr::ToggleButton* button = strips[static_cast<std::size_t>(channel)].select;
    if (button->on) {
        button->setOn(false);
        forgetSelect(channel);
        return;
    }
    int down = 0;
    for (const Strip& strip : strips)
        down += strip.select->on ? 1 : 0;
    if (down >= 2 && isChannel(olderSelect)) {
        strips[static_cast<std::size_t>(olderSelect)].select->setOn(false);
        forgetSelect(olderSelect);
    }
    button->setOn(true);
    olderSelect = newerSelect;
    newerSelect = channel;
}

// A released select button leaves the remembered pair, so the pair always
// names buttons that are down and a third choice releases one of them.
void MixingConsole::forgetSelect(int channel)
{
    if (newerSelect == channel) {
        newerSelect = olderSelect;
        olderSelect = -1;
    } else if (olderSelect == channel) {
        olderSelect = -1;
    }
}

void MixingConsole::onEffectDisplay(int channel, int slot)
{
    zkr::LabelControl* display =
        strips[static_cast<std::size_t>(channel)].effectDisplays[static_cast<std::size_t>(slot)];
    if (internalCallback == nullptr)
        return;
    const plat::ui::Point corner = display->bottomLeftOnScreen();
    engine::EngineRequest request{};
    request.owner = reinterpret_cast<intptr_t>(window);
    request.x = corner.x;
    request.y = corner.y;
    request.slot = channel;
    request.subSlot = slot;
    if (internalCallback(&request, toWire(engine::Request::ChannelEffectMenu)) == 0)
        return;
    const char* text = reinterpret_cast<const char*>(request.data);
    showEffect(channel, slot, text);
    if (text != nullptr)
        strips[static_cast<std::size_t>(channel)].knobs[static_cast<std::size_t>(slot)]->setValue(
            kChosenEffectLevel);
}

void MixingConsole::showEffect(int channel, int slot, const char* text)
{
    zkr::LabelControl* display =
        strips[static_cast<std::size_t>(channel)].effectDisplays[static_cast<std::size_t>(slot)];
    if (text != nullptr) {
        display->setText(shortNameOf(text).c_str());
        zkr::copyText(display->tooltip, titleOf(text).c_str());
    } else {
        display->setText(kNoneText);
        zkr::copyText(display->tooltip, channelText(kStringChannelEffect, channel + 1).c_str());
    }
}

void MixingConsole::switchLedPower(bool on)
{
    ledPower = on;
    if (on)
        return;
    for (Strip& strip : strips)
        strip.fader->setMeter(0);
    for (zkr::SliderControl* fader : masterFaders)
        fader->setMeter(0);
    clipLamp->setLit(false);
}

void MixingConsole::openAutoMenu()
{
    plat::ui::MenuHandle popup = plat::ui::subMenu(autoMenu_, 0);
    if (popup == nullptr)
        return;
    const plat::ui::Point corner = autoMixButton->bottomLeftOnScreen();
    const intptr_t chosen =
        plat::ui::trackPopupMenu(popup, plat::ui::kTrackReturnCommand, corner.x, corner.y, window);
    if (chosen == static_cast<intptr_t>(kCrossFadeCommand))
        crossFade();
}

void MixingConsole::crossFade()
{
    int chosen[2] = {-1, -1};
    int found = 0;
    for (int channel = 0; channel < engine::kChannelCount && found < 2; ++channel) {
        if (strips[static_cast<std::size_t>(channel)].select->on)
            chosen[found++] = channel;
    }
    if (found < 2)
        return;
    // The louder channel fades out; with equal faders the first one does.
    const bool firstIsLouder = strips[static_cast<std::size_t>(chosen[0])].fader->value >=
                               strips[static_cast<std::size_t>(chosen[1])].fader->value;
    engine::CrossfadeBlock block{};
    block.timer = 0;
    block.byStream = 0;
    block.pluginHandle = 0;
    block.fadeOut = firstIsLouder ? chosen[0] : chosen[1];
    block.fadeIn = firstIsLouder ? chosen[1] : chosen[0];
    block.intervalMs = kCrossfadeIntervalMs;
    block.step = kCrossfadeStep;
    block.targetVolume = kCrossfadeTarget;
    engine::EngineEvent event = eventOf(toWire(engine::Event::Crossfade), 0);
    send(event, reinterpret_cast<intptr_t>(&block));
}

void MixingConsole::onControlContextMenu(zkr::Control* control, int x, int y)
{
    if (control != nullptr)
        return;
    plat::ui::MenuHandle popup = plat::ui::subMenu(mixerMenu_, 0);
    if (popup == nullptr)
        return;
    const intptr_t chosen = plat::ui::trackPopupMenu(popup, plat::ui::kTrackReturnCommand, x, y, window);
    if (chosen == static_cast<intptr_t>(kMixerSettingsCommand) && internalCallback != nullptr) {
        engine::EngineRequest request{};
        request.owner = reinterpret_cast<intptr_t>(window);
        internalCallback(&request, toWire(engine::Request::MixerSettings));
    }
}

// ---------------------------------------------------------------------------
// The engine's updates (the window's thread)

void MixingConsole::applyState(int key, intptr_t value)
{
    if (!ledPower)
        return;
    const auto level = static_cast<int32_t>(std::clamp<intptr_t>(value, 0, INT32_MAX));
    if (key >= 0 && key < engine::kChannelCount)
        strips[static_cast<std::size_t>(key)].fader->setMeter(level);
    else if (key == kMasterLeftKey)
        masterFaders[0]->setMeter(level);
    else if (key == kMasterRightKey)
        masterFaders[1]->setMeter(level);
    else if (key == kClipKey)
        clipLamp->setLit(value != 0);
}

void MixingConsole::applyUpdate(const Update& update)
{
    Strip& strip = strips[static_cast<std::size_t>(update.target)];
    switch (update.code) {
    case toWire(engine::Value::Volume):
        strip.fader->setValue(static_cast<int32_t>(std::clamp<intptr_t>(update.value, 0, kVolumeRange)));
        return;
    case toWire(engine::Value::Pan):
        strip.pan->setValue(static_cast<int32_t>(std::clamp<intptr_t>(update.value, 0, kPanRange)));
        return;
    case toWire(engine::Value::ChannelName):
        strip.name->setText(update.hasText ? shortNameOf(update.text.c_str()).c_str() : kNoneText);
        return;
    case toWire(engine::Value::Linked):
        if (isChannel(update.value) && update.value != update.target)
            link(update.target, static_cast<int>(update.value));
        return;
    case toWire(engine::Value::Unlinked):
        unlink(update.target);
        return;
    case toWire(engine::Value::EffectName):
        if (update.value >= 0 && update.value < engine::kChannelEffectSlots)
            showEffect(update.target, static_cast<int>(update.value),
                       update.hasText ? update.text.c_str() : nullptr);
        return;
    case toWire(engine::Value::EffectEnabled):
        if (update.value >= 0 && update.value < engine::kChannelEffectSlots) {
            zkr::KnobControl* knob = strip.knobs[static_cast<std::size_t>(update.value)];
            if (update.second == 0)
                knob->setValue(kDisabledEffectLevel);
            knob->enabled = update.second != 0;
            knob->repaint();
        }
        return;
    default:
        return;
    }
}

void MixingConsole::link(int channel, int partner)
{
    if (strips[static_cast<std::size_t>(channel)].linkedChannel == partner)
        return;
    // A channel linked before leaves its old partner first.
    unlink(channel);
    unlink(partner);
    Strip& first = strips[static_cast<std::size_t>(channel)];
    Strip& second = strips[static_cast<std::size_t>(partner)];
    first.linkedChannel = partner;
    second.linkedChannel = channel;
    first.volumeEvent.partner = partner;
    first.volumeEvent.index = 1;
    second.volumeEvent.partner = channel;
    second.volumeEvent.index = 1;
    if (second.select->on) {
        second.select->setOn(false);
        forgetSelect(partner);
    }
    second.select->enabled = false;
    second.select->repaint();
}

void MixingConsole::unlink(int channel)
{
    Strip& strip = strips[static_cast<std::size_t>(channel)];
    const int partner = strip.linkedChannel;
    strip.linkedChannel = -1;
    strip.volumeEvent.partner = 0;
    strip.volumeEvent.index = 0;
    if (!isChannel(partner))
        return;
    Strip& other = strips[static_cast<std::size_t>(partner)];
    other.linkedChannel = -1;
    other.volumeEvent.partner = 0;
    other.volumeEvent.index = 0;
    other.select->enabled = true;
    other.select->repaint();
}

} // namespace velmoraui
