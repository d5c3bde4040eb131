// The live input as the engine runs it (QuillanEngineKit): the virtual input
// device plays wave files made by sox; the test clicks as a user, answers the
// menus, dialogs and boxes from inside their loops, reads what the mixer gave
// the recording output and looks at the lamps, the name and the settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/audio/Devices.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/quillan/ConfigureDialog.h"
#include "plugins/quillan/Layout.h"
#include "plugins/quillan/QuillanApplication.h"
#include "quillan/QuillanEngineKit.h"
#include "support/EngineTestSeam.h"
#include "support/FileText.h"
#include "support/Sox.h"
#include "support/Watchdog.h"
#include "support/WindowPictures.h"
#include "zkr/BitmapObject.h"
#include "zkr/InputDevice.h"
#include "zkr/NameField.h"
#include "zkr/SkinImages.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using namespace std::chrono_literals;
using quillan::Box;
using quillan::ConfigureDialog;

const bool kEnvironment = [] {
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    return true;
}();

constexpr int kBlockSamples = 2048;
constexpr int kTextOfBox = 0xFFFF;
constexpr QuillanSpot kBareSkin{20, 180};

class LiveInputTest : public ::testing::Test {
protected:
    // The kit with these lines in the plug-in's section.
    void start(const std::string& lines)
    {
        writeText(std::string(std::getenv("VELMORA_CONFIG_DIR")) + "/velmoraaudioengine.ini",
                  std::string("[") + quillan::kSettingsSection + "]\n" + lines);
        ASSERT_EQ(kit.start(2 * kBlockSamples), "");
    }
    // A click that opens something modal, and the step that answers it; returns once answered.
    void answer(QuillanSpot spot, const ModalScript::Step& step, MouseButton button = MouseButton::Left)
    {
        std::atomic<bool> answered{false};
        modal.then([&](WindowHandle shown, int depth) {
            step(shown, depth);
            answered = true;
        });
        headless::click(kit.window, spot.x, spot.y, button);
        ASSERT_TRUE(eventually([&] { return answered.load(); }, 10s));
    }
    // The text of the next box or error dialog, which is then closed.
    void expectBox(std::atomic<bool>& seen, std::string& text)
    {
        modal.then([&](WindowHandle shown, int) {
            text = dlgItemText(shown, kTextOfBox) + dlgItemText(shown, 1000) + "|" + dlgItemText(shown, 1001);
            EXPECT_TRUE(pressDialogButton(shown, kIdOk));
            seen = true;
        });
    }
    bool shows(const Box& box, unsigned bitmap, int frame = 0)
    {
        zkr::BitmapObject image;
        EXPECT_TRUE(image.load(zkr::ownModule(), bitmap));
        const Rect picture{0, frame * box.height, box.width, (frame + 1) * box.height};
        return showsPicture(kit.window, box.x, box.y, image.bitmap().view(picture).clone());
    }
    bool lamps(bool ready, bool recording)
    {
        return shows(quillan::kReadyLamp, ready ? quillan::kReadyLitBitmap : quillan::kReadyDarkBitmap) &&
               shows(quillan::kRecordingLamp,
                     recording ? quillan::kRecordingLitBitmap : quillan::kRecordingDarkBitmap);
    }
    bool showsName(const std::string& name)
    {
        zkr::BitmapObject field;
        EXPECT_TRUE(field.load(zkr::ownModule(), quillan::kDeviceFieldBitmap));
        const Box& box = quillan::kDeviceDisplay;
        zkr::NameField display;
        display.place(Rect::fromSize(0, 0, box.width, box.height), quillan::kDeviceText.rect(), &field);
        display.setText(name.c_str());
        Surface expected(box.width, box.height);
        Painter painter(expected);
        display.paint(&painter);
        return showsPicture(kit.window, box.x, box.y, expected);
    }
    // What a read of the stream gives while nothing streams.
    int32_t idleRead(int32_t stream)
    {
        const int16_t* block = reinterpret_cast<const int16_t*>(1);
        int32_t bytes = -1;
        const int32_t result = EngineSeam::inputs(kit.engine)[0]->readStreamChannel(stream, &block, &bytes);
        return result == 0 && block == nullptr && bytes == 0 ? 0 : 1;
    }
    // Records the input file until the output holds blocks blocks, stops by the button.
    StereoSides record(const std::string& file, int blocks)
    {
        ScopedEnv input("VELMORA_AUDIO_INPUT_FILE", file);
        kit.resetOutput();
        EXPECT_TRUE(kit.startRecording());
        EXPECT_TRUE(lamps(true, true));
        EXPECT_TRUE(eventually([&] { return kit.outputBlockCount() >= blocks; }, 10s));
        EXPECT_TRUE(kit.stopRecording());
        EXPECT_TRUE(lamps(true, false));
        EXPECT_EQ(idleRead(0), 0);
        return kit.outputSides(0, blocks);
    }
    template <typename Function> Function probe(const char* name) { return probe_.function<Function>(name); }

    Watchdog watchdog{120s, "Quillan live input test"};
    TempFolder files;
    QuillanEngineKit kit;
    ModalScript modal;
    plat::DynamicLibrary probe_;
};

std::vector<int16_t> halved(std::vector<int16_t> samples)
{
    for (int16_t& sample : samples)
        sample = static_cast<int16_t>(sample * 50 / 100);
    return samples;
}

TEST_F(LiveInputTest, RecordsMonoAndStereoIntoTheMixerAndEndsOnStopErrorsAndAHungDevice)
{
    const std::string mono = files.file("mono.wav");
    const std::string stereo = files.file("stereo.wav");
    ASSERT_TRUE(soxWave(mono, "-r 44100 -c 1 -b 16", "1 sine 440 gain -3"));
    ASSERT_TRUE(soxWave(stereo, "-r 44100 -c 2 -b 16", "1 sine 300 sine 700 gain -3"));
    start("MainWndPos=40,50\nbLiveStereo=0\n");
    ASSERT_TRUE(probe_.load(kit.engine.program().folder + "/Plugins/" + coretest::kRecordingOutputFile));
    const engine::PluginInfo& info = EngineSeam::inputs(kit.engine)[0]->info;
    EXPECT_EQ(std::string(info.title) + "|" + info.shortName + "|" + info.media + "|" + info.version,
              "Velmora mr. dorvish|dor-vik|live input|v0.1b 08/2000");
    Rect place;
    EXPECT_TRUE(windowRect(kit.window, place));
    EXPECT_EQ(place, Rect::fromSize(40, 50, quillan::kWindowWidth, quillan::kWindowHeight));
    EXPECT_TRUE(lamps(false, false));
    EXPECT_EQ(idleRead(0), 0);

    // Device 0 is shown; the menu opens under the name and lists the devices.
    EXPECT_TRUE(showsName("Velmora Test Signal"));
    std::vector<std::string> items;
    answer(kDeviceNameSpot, [&](WindowHandle menuWindow, int) {
        Rect menuPlace;
        EXPECT_TRUE(windowRect(menuWindow, menuPlace));
        EXPECT_EQ(menuPlace.left, 40 + quillan::kDeviceDisplay.x);
        EXPECT_EQ(menuPlace.top, 50 + quillan::kDeviceDisplay.y + quillan::kDeviceDisplay.height);
        const MenuHandle menu = menuOfWindow(menuWindow);
        for (int position = 0; position < menuItemCount(menu); ++position)
            items.push_back(menuString(menu, static_cast<uint32_t>(position), kMenuByPosition));
        EXPECT_TRUE(clickMenuItem(menuWindow, 1));
    });
    EXPECT_EQ(items, (std::vector<std::string>{"Velmora Test Signal", "Velmora File Input"}));
    EXPECT_TRUE(showsName("Velmora File Input"));

    // Mono: the file's samples on channel 0, in the middle; stopped, the stream ends and the plug-in is idle.
    ASSERT_TRUE(kit.connect(false));
    EXPECT_TRUE(lamps(true, false));
    StereoSides sides = record(mono, 8);
    std::vector<int16_t> expected = halved(soxSamples(mono));
    expected.resize(8 * kBlockSamples);
    EXPECT_TRUE(sides.left == expected);
    EXPECT_TRUE(sides.right == expected);

    // Stereo, chosen while disconnected: left on stream 0 hard left, right on stream 1 hard right.
    ASSERT_TRUE(kit.disconnect());
    EXPECT_TRUE(lamps(false, false));
    kit.click(kStereoSpot);
    ASSERT_TRUE(kit.connect(true));
    sides = record(stereo, 8);
    std::vector<int16_t> left = soxSamples(stereo, 0);
    std::vector<int16_t> right = soxSamples(stereo, 1);
    left.resize(8 * kBlockSamples);
    right.resize(8 * kBlockSamples);
    EXPECT_TRUE(sides.left == left);
    EXPECT_TRUE(sides.right == right);

    // The output fails: the engine tells the input, which stops recording.
    ScopedEnv input("VELMORA_AUDIO_INPUT_FILE", stereo);
    {
        kit.resetOutput();
        coretest::OutputScript failing;
        failing.failAt = 3;
        probe<coretest::OutputScriptFn>(coretest::kOutputScript)(&failing);
        // The engine's two boxes: the output's refusal (PluginInternal), then its own error.
        modal.then([](WindowHandle shown, int) { EXPECT_TRUE(pressDialogButton(shown, kIdOk)); });
        std::atomic<bool> seen{false};
        std::string text;
        expectBox(seen, text);
        EXPECT_TRUE(kit.startRecording());
        ASSERT_TRUE(eventually([&] { return seen.load(); }, 10s));
        EXPECT_EQ(text, "Code 34: Velmora Core|");
        EXPECT_TRUE(eventually([&] { return !kit.engine.audio().isStreaming(); }));
        EXPECT_TRUE(lamps(true, false));
        EXPECT_EQ(idleRead(0) + idleRead(1), 0);
        kit.resetOutput();
    }

    // A device that takes blocks and gives none back ends the stream with the system's error.
    {
        ScopedEnv hung("VELMORA_AUDIO_PACE", "stall");
        std::atomic<bool> seen{false};
        std::string text;
        expectBox(seen, text);
        EXPECT_TRUE(kit.startRecording());
        ASSERT_TRUE(eventually([&] { return seen.load(); }, 10s));
        char systemText[256];
        plat::audio::errorText(plat::audio::Direction::Input, plat::audio::Result::Error, systemText,
                               sizeof systemText);
        EXPECT_EQ(text, std::string(systemText) + "|");
        EXPECT_TRUE(eventually([&] { return !kit.engine.audio().isStreaming(); }));
        EXPECT_TRUE(lamps(true, false));
    }

    // The user's close while the engine streams: the engine keeps the plug-in, the window stays.
    EXPECT_TRUE(kit.startRecording());
    headless::closeRequest(kit.window);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(isWindowVisible(kit.window));
    EXPECT_TRUE(kit.stopRecording());
    // Stopped, it asks the engine to unload it with its handle: the window closes for good and saves.
    headless::closeRequest(kit.window);
    EXPECT_TRUE(eventually([&] { return !isWindow(kit.window); }));
    EXPECT_TRUE(eventually([&] { return EngineSeam::inputs(kit.engine)[0] == nullptr; }));
    const std::string settings =
        readText(std::string(std::getenv("VELMORA_CONFIG_DIR")) + "/velmoraaudioengine.ini");
    EXPECT_NE(settings.find("[mr. dorvish]\nMainWndPos=40,50\nbLiveStereo=1\n"), std::string::npos)
        << settings;
    EXPECT_TRUE(modal.finished());
}

TEST_F(LiveInputTest, TheConfigureDialogPairsTheRingsAndARefusedAttachIsNoFreeMixerChannels)
{
    start("bLiveStereo=1\n");
    EXPECT_TRUE(shows(quillan::kStereoButton, quillan::kStereoButtonBitmap, 4));
    const auto showsCounts = [](WindowHandle dialog, int selected, const std::string& shared) {
        EXPECT_EQ(windowTitle(dialog), "Configure Recording");
        EXPECT_EQ(dlgItemText(dialog, ConfigureDialog::kIdBufferSize), "4096");
        EXPECT_EQ(sendDlgItemMessage(dialog, ConfigureDialog::kIdRecordingBlocks, kMsgComboGetCount, 0, 0),
                  4);
        EXPECT_EQ(sendDlgItemMessage(dialog, ConfigureDialog::kIdRecordingBlocks, kMsgComboGetCurSel, 0, 0),
                  selected);
        EXPECT_EQ(dlgItemText(dialog, ConfigureDialog::kIdSharedBlocks), shared);
    };
    answer(
        kBareSkin,
        [&](WindowHandle dialog, int) {
            showsCounts(dialog, 2, "12");
            sendDlgItemMessage(dialog, ConfigureDialog::kIdRecordingBlocks, kMsgComboSetCurSel, 0, 0);
            sendMessage(dialog, kMsgCommand, makeWParam(ConfigureDialog::kIdRecordingBlocks, kComboSelChange),
                        reinterpret_cast<intptr_t>(dialogItem(dialog, ConfigureDialog::kIdRecordingBlocks)));
            EXPECT_EQ(dlgItemText(dialog, ConfigureDialog::kIdSharedBlocks), "4");
            EXPECT_TRUE(pressDialogButton(dialog, ConfigureDialog::kIdApply));
            EXPECT_TRUE(pressDialogButton(dialog, kIdCancel));
        },
        MouseButton::Right);
    answer(
        kBareSkin,
        [&](WindowHandle dialog, int) {
            showsCounts(dialog, 0, "4");
            EXPECT_TRUE(pressDialogButton(dialog, kIdCancel));
        },
        MouseButton::Right);

    // Three channels taken: no two neighbours are free for stereo.
    ASSERT_EQ(kit.engine.slots().loadInput(
                  1, (std::string(VELMORA_TEST_PLUGINS_DIR) + "/" + coretest::kPatternInputFile).c_str(), -1),
              0);
    const intptr_t pattern = EngineSeam::inputs(kit.engine)[1]->handle();
    engine::EngineEvent attach{toWire(engine::Event::AttachStreams), 1, pattern, 1, 0, 0, 0};
    for (int stream = 1; stream <= 3; ++stream) {
        attach.target = stream;
        ASSERT_EQ(kit.engine.postEvent(&attach), 1);
    }
    std::string context;
    answer(kConnectSpot, [&](WindowHandle dialog, int) {
        context = dlgItemText(dialog, 1000) + "|" + dlgItemText(dialog, 1001);
        EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
    });
    EXPECT_EQ(
        context,
        "Velmora mr. dorvish|Failed to initialize another stream. Not enough free mixer channels left.");
    EXPECT_TRUE(lamps(false, false));
    EXPECT_TRUE(EngineSeam::channels(kit.engine)[3].input.load() == nullptr);
}

// A machine that cannot record: the field says so, and one box at the first
// click that needs a device; the mixer is not connected and REC stays off.
TEST_F(LiveInputTest, WithoutDevicesSaysSoOnceAndConnectsNothing)
{
    ScopedEnv noInput("VELMORA_AUDIO_NO_INPUT", "1");
    start("");
    EXPECT_TRUE(showsName(zkr::InputDevice::kNoDeviceName));
    std::atomic<bool> seen{false};
    std::string text;
    expectBox(seen, text);
    kit.click(kDeviceNameSpot);
    ASSERT_TRUE(eventually([&] { return seen.load(); }));
    EXPECT_EQ(text.rfind("There is no sound input device to record from.\n", 0), 0u) << text;
    for (const QuillanSpot spot :
         {centreOf(quillan::kAboutButton), kConnectSpot, kRecordSpot, kDeviceNameSpot})
        kit.click(spot);
    // The next window is the dialog of the click after them all: those clicks showed nothing.
    answer(
        kBareSkin,
        [&](WindowHandle shown, int) {
            EXPECT_EQ(windowTitle(shown), "Configure Recording");
            EXPECT_TRUE(pressDialogButton(shown, kIdCancel) || pressDialogButton(shown, kIdOk));
        },
        MouseButton::Right);
    EXPECT_TRUE(lamps(false, false));
    EXPECT_TRUE(EngineSeam::channels(kit.engine)[0].input.load() == nullptr);
}

} // namespace
} // namespace velmora::test
