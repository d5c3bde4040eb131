// The mixing console run by the real engine: meters and their power, linked
// faders, solos, the select buttons and the crossfade they start, and levels
// arriving from another thread while the user works the desk.

#include "plugins/velmoraui/MixingConsole.h"
#include "plugins/velmoraui/Texts.h"
#include "support/EngineTestSeam.h"
#include "velmoraui/VelmoraUiKit.h"
#include "zkr/BitmapButton.h"

namespace {

using namespace velmora::test;
using namespace velmoraui;
using engine::kMasterLeft;
using engine::kMasterRight;

class MixingConsoleTest : public VelmoraUiTest {
protected:
    // Where fader `channel`'s thumb is grabbed while the fader stands at value.
    void dragFader(int channel, int32_t value, int dy)
    {
        const int bottom = kFader.y + kFaderTrack.y + kFaderTrack.height;
        drag(console, kFader.x + kFaderTrack.x + kFaderTrack.width / 2 + kStripPitch * channel,
             bottom - kFaderTrack.height * value / MixingConsole::kVolumeRange, dy);
    }
    // Fader `other` shows fader 0's thumb column, so its thumb stands alike.
    bool thumbLikeFirst(int other)
    {
        const plat::ui::Rect column =
            plat::ui::Rect::fromSize(kFader.x + kFaderTrack.x, kFader.y, kFaderTrack.width, kFaderText.y);
        return shows(console, column.left + kStripPitch * other, column.top,
                     picture(console).view(column).clone());
    }
    // An ordered update behind the states: once its name shows, every level sent before has arrived.
    bool namedAfterLevels(int channel, const char* name)
    {
        engine.updateChannelValue(channel, toWire(engine::Value::ChannelName),
                                  reinterpret_cast<intptr_t>(name));
        return showsText(console, kNameDisplay, shortNameOf(name), kStripPitch * channel, 2);
    }
    // The last of `count` events with code, once the engine has carried them all out.
    CarriedEvent last(intptr_t code, size_t count)
    {
        EXPECT_TRUE(eventually([&] { return engine.carried(code).size() >= count; }));
        const std::vector<CarriedEvent> events = engine.carried(code);
        EXPECT_EQ(events.size(), count) << "event " << code;
        return events.empty() ? CarriedEvent{} : events.back();
    }
};

TEST_F(MixingConsoleTest, MetersLinksSolosSelectionAndCrossfade)
{
    start();
    click(mainWindow, kConsoleButton);
    ASSERT_TRUE(eventually([&] { return plat::ui::isWindowVisible(console); }));

    // Ten segments at 100, none at 9.
    engine.updateChannelValue(0, toWire(engine::Value::Level), 100);
    engine.updateChannelValue(1, toWire(engine::Value::Level), 9);
    engine.updateChannelValue(kMasterLeft, toWire(engine::Value::Level), 100);
    engine.updateChannelValue(kMasterRight, toWire(engine::Value::Level), 55);
    engine.updateChannelValue(kMasterLeft, toWire(engine::Value::Clipped), 1);
    EXPECT_TRUE(showsMeter(0, 10) && showsMeter(1, 0));
    EXPECT_TRUE(showsMeter(kMasterLeft, 10) && showsMeter(kMasterRight, 5));
    EXPECT_TRUE(shows(console, kClipLamp.x, kClipLamp.y, bitmap(kLampLitBitmap)));

    // LED power off darkens every meter and the clip lamp and ignores levels
    // until it is on again.
    click(console, kLedPowerButton);
    EXPECT_TRUE(showsMeter(0, 0) && showsMeter(kMasterLeft, 0) && showsMeter(kMasterRight, 0));
    EXPECT_TRUE(shows(console, kClipLamp.x, kClipLamp.y, bitmap(kLampDarkBitmap)));
    engine.updateChannelValue(2, toWire(engine::Value::Level), 100);
    engine.updateChannelValue(kMasterLeft, toWire(engine::Value::Clipped), 1);
    ASSERT_TRUE(namedAfterLevels(2, "Dark|ignored levels"));
    EXPECT_TRUE(showsMeter(2, 0));
    EXPECT_TRUE(shows(console, kClipLamp.x, kClipLamp.y, bitmap(kLampDarkBitmap)));
    click(console, kLedPowerButton.x + 4, kLedPowerButton.y + 4); // no double click
    ASSERT_TRUE(showsFrame(console, kLedPowerButton, 0, kLedPowerBitmap, 4));
    engine.updateChannelValue(2, toWire(engine::Value::Level), 100);
    EXPECT_TRUE(showsMeter(2, 10));

    // Linked: fader 0 takes fader 1 along on screen, and one event sets both volumes.
    engine.updateChannelValue(0, toWire(engine::Value::Linked), 1);
    EXPECT_TRUE(
        showsFrame(console, kSelectButton, kStripPitch, kSelectBitmap, zkr::BitmapButton::kFrameDisabled));
    dragFader(0, 100, -kFaderTrack.height / 4);
    const CarriedEvent linked = last(toWire(engine::Event::ChannelVolume), 1);
    EXPECT_EQ((std::vector<intptr_t>{linked.target, linked.value, linked.partner, linked.index}),
              (std::vector<intptr_t>{0, 150, 1, 1}));
    EXPECT_TRUE(
        showsText(console, {kFader.x, kFader.y + kFaderText.y, kFaderText.width, kFaderText.height}, "+3.5"));
    EXPECT_TRUE(thumbLikeFirst(1));
    EXPECT_EQ(EngineSeam::mixer(engine).getVolume(0), 150);
    EXPECT_EQ(EngineSeam::mixer(engine).getVolume(1), 150);

    // Unlinked: the partner's select button is back, and fader 0 moves alone.
    engine.updateChannelValue(0, toWire(engine::Value::Unlinked), 0);
    EXPECT_TRUE(
        showsFrame(console, kSelectButton, kStripPitch, kSelectBitmap, zkr::BitmapButton::kFrameNormal));
    dragFader(0, 150, kFaderTrack.height / 4);
    const CarriedEvent alone = last(toWire(engine::Event::ChannelVolume), 2);
    EXPECT_EQ((std::vector<intptr_t>{alone.value, alone.partner, alone.index}),
              (std::vector<intptr_t>{100, 0, 0}));
    EXPECT_TRUE(thumbLikeFirst(2));
    EXPECT_EQ(EngineSeam::mixer(engine).getVolume(1), 150);

    // One solo at a time: the second releases the first without an event of its own.
    click(console, kSoloButton, 0);
    click(console, kSoloButton, kStripPitch);
    EXPECT_TRUE(showsFrame(console, kSoloButton, kStripPitch, kSoloBitmap, 4));
    EXPECT_TRUE(showsFrame(console, kSoloButton, 0, kSoloBitmap, 0));
    const std::vector<CarriedEvent> solos = engine.carried(toWire(engine::Event::Solo));
    ASSERT_EQ(solos.size(), 2u);
    EXPECT_EQ((std::vector<intptr_t>{solos[0].target, solos[0].value, solos[1].target, solos[1].value}),
              (std::vector<intptr_t>{0, 1, 1, 1}));
    EXPECT_EQ(EngineSeam::mixer(engine).soloChannel.load(), 1);

    // A crossfade needs two selected channels; a third selection releases the oldest.
    const int autoX = kAutoMixButton.x + kAutoMixButton.width / 2;
    const int autoY = kAutoMixButton.y + kAutoMixButton.height / 2;
    click(console, kSelectButton, 0);
    choose(console, autoX, autoY, 0);
    for (int channel : {1, 2})
        click(console, kSelectButton, kStripPitch * channel);
    EXPECT_TRUE(showsFrame(console, kSelectButton, 0, kSelectBitmap, 0));
    EXPECT_TRUE(showsFrame(console, kSelectButton, kStripPitch, kSelectBitmap, 4));
    EXPECT_TRUE(showsFrame(console, kSelectButton, 2 * kStripPitch, kSelectBitmap, 4));
    EXPECT_TRUE(engine.carried(toWire(engine::Event::Crossfade)).empty());
    // The louder of the two fades out: channel 2, raised by the engine.
    engine.updateChannelValue(2, toWire(engine::Value::Volume), 180);
    ASSERT_TRUE(namedAfterLevels(2, "Loud|raised"));
    choose(console, autoX, autoY, 0);
    const engine::CrossfadeBlock block = last(toWire(engine::Event::Crossfade), 1).block;
    EXPECT_EQ((std::vector<intptr_t>{block.byStream, block.fadeOut, block.fadeIn, block.intervalMs,
                                     block.step, block.targetVolume}),
              (std::vector<intptr_t>{0, 2, 1, 200, 10, 200}));
    closeForGood();
}

// An effect without a level per channel: its knob is disabled and looks it
// beside an enabled one at the same level, a press on it moves nothing, and
// a long name stays inside its field's edge.
TEST_F(MixingConsoleTest, DisabledKnobAndLongEffectName)
{
    start();
    click(mainWindow, kConsoleButton);
    ASSERT_TRUE(eventually([&] { return plat::ui::isWindowVisible(console); }));
    const Box& field = kEffectSlotDisplays[0];
    const plat::ui::Rect edges[2] = {
        plat::ui::Rect::fromSize(field.x, field.y, 2, field.height),
        plat::ui::Rect::fromSize(field.x + field.width - 2, field.y, 2, field.height)};
    const plat::ui::Surface before = picture(console);
    engine::EffectSlotValue off{0, 0};
    engine::EffectSlotValue on{0, 1};
    engine::EffectSlotValue name{0, reinterpret_cast<intptr_t>("Velmorizer|Velmora Velmorizer")};
    for (int channel : {0, 1})
        engine.updateChannelValue(channel, toWire(engine::Value::EffectEnabled),
                                  reinterpret_cast<intptr_t>(&off));
    engine.updateChannelValue(1, toWire(engine::Value::EffectEnabled), reinterpret_cast<intptr_t>(&on));
    engine.updateChannelValue(0, toWire(engine::Value::EffectName), reinterpret_cast<intptr_t>(&name));
    const auto alike = [](const plat::ui::Surface& one, plat::ui::Rect area, const plat::ui::Surface& other,
                          int shift) {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (one.pixel(x, y) != other.pixel(x + shift, y))
                    return false;
        return true;
    };
    // The name, sent last, shows once every update has been painted.
    ASSERT_TRUE(eventually([&] { return !alike(picture(console), edges[0].unite(edges[1]), before, 0); }));
    const plat::ui::Surface after = picture(console);
    for (const plat::ui::Rect& edge : edges)
        EXPECT_TRUE(alike(after, edge, before, 0)) << "the name ran over its field's edge";
    const plat::ui::Rect knob =
        plat::ui::Rect::fromSize(kEffectKnobs[0].x, kEffectKnobs[0].y, kKnobSize, kKnobSize);
    EXPECT_FALSE(alike(after, knob, after, kStripPitch)) << "the disabled knob looks like the enabled one";

    plat::ui::Rect place;
    ASSERT_TRUE(plat::ui::windowRect(console, place));
    drag(console, knob.left + kKnobSize / 2, knob.top + kKnobSize / 2, -kKnobSize);
    EXPECT_TRUE(staysFalse(
        [&] {
            plat::ui::Rect now;
            return plat::ui::windowRect(console, now) && now != place;
        },
        500ms))
        << "a press on the disabled knob dragged the console";
    closeForGood();
}

TEST_F(MixingConsoleTest, LevelsFromAnotherThreadWhileTheUserWorksTheFaders)
{
    start(std::string(kSection) + "\nMixerVisible=1\n");
    ASSERT_TRUE(eventually([&] { return plat::ui::isWindowVisible(console); }));
    std::atomic<bool> done{false};
    std::thread levels([&] {
        for (int32_t round = 0; !done; ++round) {
            for (int32_t channel : {0, 1, 2, 3, kMasterLeft, kMasterRight})
                engine.updateChannelValue(channel, toWire(engine::Value::Level), round % 120);
            engine.updateChannelValue(kMasterLeft, toWire(engine::Value::Clipped), round & 1);
        }
    });
    for (int channel = 0; channel < engine::kChannelCount; ++channel) {
        dragFader(channel, 100, -kFaderTrack.height / 4);
        click(console, kMuteButton, kStripPitch * channel);
    }
    EXPECT_TRUE(eventually([&] { return engine.carried(toWire(engine::Event::Mute)).size() == 4; }));
    done = true;
    levels.join();

    const std::vector<CarriedEvent> volumes = engine.carried(toWire(engine::Event::ChannelVolume));
    ASSERT_EQ(volumes.size(), 4u);
    for (int channel = 0; channel < engine::kChannelCount; ++channel) {
        EXPECT_EQ(volumes[channel].target, channel);
        EXPECT_EQ(volumes[channel].value, 150);
        EXPECT_EQ(EngineSeam::mixer(engine).getVolume(channel), 150);
        EXPECT_TRUE(channel == 0 || thumbLikeFirst(channel)) << channel;
        EXPECT_TRUE(showsFrame(console, kMuteButton, kStripPitch * channel, kMuteBitmap, 4)) << channel;
        engine.updateChannelValue(channel, toWire(engine::Value::Level), 100);
        EXPECT_TRUE(showsMeter(channel, 10)) << channel;
    }
    engine.updateChannelValue(kMasterRight, toWire(engine::Value::Level), 30);
    EXPECT_TRUE(showsMeter(kMasterRight, 3));
    // The user's close only hides the console, and closing the main window saves it hidden.
    plat::ui::headless::closeRequest(console);
    EXPECT_TRUE(eventually([&] { return !plat::ui::isWindowVisible(console); }));
    EXPECT_TRUE(plat::ui::isWindow(console));
    closeForGood();
    EXPECT_NE(settingsText().find("MixerVisible=0"), std::string::npos);
}

} // namespace
