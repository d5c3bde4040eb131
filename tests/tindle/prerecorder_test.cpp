// The pre-recorder as the player runs it: the player in process with its
// windows on the kit's window thread and the real engine carrying out its
// events; the virtual input plays a file made by sox; the test clicks as a
// user, answers the dialogs from inside their loops and reads the recordings
// back with sox.
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <random>

#include "platform/audio/Devices.h"
#include "platform/core/Files.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/tindle/RecorderLayout.h"
#include "plugins/tindle/RecorderSetupDialog.h"
#include "plugins/tindle/TindleWindow.h"
#include "support/ChildProcess.h"
#include "support/WindowPictures.h"
#include "tindle/TindleTestKit.h"
#include "zkr/BitmapObject.h"
#include "zkr/Control.h"
#include "api/Protocol.h"
#include "zkr/SkinImages.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using tindle::PreRecorder;
constexpr int kNameField = 1152; // the file dialog's name
constexpr int kTextOfBox = 0xFFFF;
using tindle::RecorderSetupDialog;
namespace layout = tindle::recorder;

class PreRecorderTest : public TindleTest {
protected:
    // The player with its windows; recordings go to a folder not made yet.
    void open()
    {
        start();
        loadInProcess(true);
        onWindowThread([&] {
            recorder().recordingsFolder = files.file("Userfiles");
            return 0;
        });
        window = recorder().window;
    }
    static PreRecorder& recorder() { return tindle::plugin()->window->preRecorder; }
    bool recording()
    {
        return onWindowThread([] { return recorder().recording() ? 1 : 0; }) == 1;
    }
    std::string outputFile()
    {
        std::string file;
        onWindowThread([&] { return (file = recorder().outputFile()).empty() ? 0 : 1; });
        return file;
    }
    void click(WindowHandle target, const tindle::Box& box, MouseButton button = MouseButton::Left)
    {
        headless::click(target, box.x + box.width / 2, box.y + box.height / 2, button);
    }
    // A recording of the input until at least bytes reached the file, shown by the player's button.
    std::string record(uint32_t bytes)
    {
        click(tindle::plugin()->window->window, tindle::kPreRecorderButton);
        EXPECT_TRUE(eventually([&] { return isWindowVisible(window); }));
        const std::string file = outputFile();
        click(window, layout::kStartButton);
        EXPECT_TRUE(eventually([&] { return recorder().bytesRecorded() >= bytes; }));
        click(window, layout::kStopButton);
        // Hidden once the player has taken the recording (its progress dialog runs meanwhile).
        EXPECT_TRUE(eventually([&] { return !isWindowVisible(window); }));
        EXPECT_FALSE(recording());
        return file;
    }

    ModalScript modal;
    WindowHandle window = nullptr;
};

bool startsWith(const std::vector<int16_t>& samples, const std::vector<int16_t>& prefix)
{
    return samples.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), samples.begin());
}

TEST_F(PreRecorderTest, RecordingsOfTheInputHoldItsSamplesAndLandInTheFirstFreeChannels)
{
    const std::string mono = soxWaveFile(files.file("mono.wav"), "-r 44100 -c 1 -b 16", "0.5 sine 440");
    const std::string stereo =
        soxWaveFile(files.file("stereo.wav"), "-r 44100 -c 2 -b 16", "0.3 sine 300 sine 700");
    auto input = std::make_unique<ScopedEnv>("VELMORA_AUDIO_INPUT_FILE", mono);
    open();

    // A right click beside the controls configures the input: the file input, mono.
    std::vector<std::string> devices;
    std::atomic<bool> configured{false};
    modal.then([&](WindowHandle dialog, int) {
        EXPECT_EQ(windowTitle(dialog), "Configure Pre-Recorder");
        for (int i = 0;
             i < sendDlgItemMessage(dialog, RecorderSetupDialog::kIdDevice, kMsgComboGetCount, 0, 0); ++i) {
            char name[160] = {};
            sendDlgItemMessage(dialog, RecorderSetupDialog::kIdDevice, kMsgComboGetLbText, i,
                               reinterpret_cast<intptr_t>(name));
            devices.push_back(name);
        }
        EXPECT_EQ(sendDlgItemMessage(dialog, RecorderSetupDialog::kIdDevice, kMsgComboGetCurSel, 0, 0), 0);
        EXPECT_EQ(isDlgButtonChecked(dialog, RecorderSetupDialog::kIdMono), kButtonChecked);
        sendDlgItemMessage(dialog, RecorderSetupDialog::kIdDevice, kMsgComboSetCurSel, 1, 0);
        EXPECT_TRUE(pressDialogButton(dialog, RecorderSetupDialog::kIdApply));
        EXPECT_TRUE(pressDialogButton(dialog, kIdCancel));
        configured = true;
    });
    headless::click(window, 130, 80, MouseButton::Right);
    ASSERT_TRUE(eventually([&] { return configured.load(); }));
    EXPECT_EQ(devices, (std::vector<std::string>{"Velmora Test Signal", "Velmora File Input"}));
    EXPECT_EQ(onWindowThread([] { return recorder().inputDevice.deviceId; }), 1);

    // Shown beside the main window with a name of its own; the user cannot close it.
    click(tindle::plugin()->window->window, tindle::kPreRecorderButton);
    ASSERT_TRUE(eventually([&] { return isWindowVisible(window); }));
    Rect main;
    Rect own;
    EXPECT_TRUE(windowRect(tindle::plugin()->window->window, main));
    EXPECT_TRUE(windowRect(window, own));
    EXPECT_EQ(own.left, main.right + 4);
    EXPECT_EQ(own.top, main.top);
    const std::string prefix = files.file("Userfiles/Qom");
    const std::string name = outputFile();
    const std::string number = name.substr(prefix.size(), name.rfind(".wav") - prefix.size());
    EXPECT_EQ(name, prefix + number + ".wav");
    EXPECT_TRUE(number.size() - 1 < 5 && number.find_first_not_of("0123456789") == std::string::npos &&
                std::stoi(number) <= 32767)
        << name;
    headless::closeRequest(window);
    onWindowThread([] { return 0; });
    EXPECT_TRUE(isWindowVisible(window));
    EXPECT_FALSE(std::filesystem::exists(files.file("Userfiles")));

    // While recording: the folder made, start and browse locked, the lamp lit, the scope drawn.
    click(window, layout::kStartButton);
    ASSERT_TRUE(eventually([&] { return recorder().bytesRecorded() >= 3 * 4096; }));
    EXPECT_TRUE(std::filesystem::is_directory(files.file("Userfiles")));
    EXPECT_EQ(onWindowThread([] {
                  const auto& scope = recorder().scope();
                  int drawn = 0;
                  for (int x = 0; x < scope.columnCount(); ++x)
                      drawn += scope.leftValue(x) != 0 ? 1 : 0;
                  int locked = 0;
                  for (const auto& control : recorder().controls)
                      locked += !control->enabled ? 1 : 0;
                  return drawn > 50 && locked == 2 ? 1 : 0;
              }),
              1);
    ASSERT_TRUE(eventually([&] { return recorder().bytesRecorded() >= 44100 + 4096; }));
    zkr::BitmapObject lit;
    ASSERT_TRUE(lit.load(zkr::ownModule(), layout::kLampLitBitmap));
    EXPECT_TRUE(showsPicture(window, layout::kIndicator.x, layout::kIndicator.y, lit.bitmap()));

    // Stopped: hidden, in channel 0, every recorded sample in whole blocks.
    const std::string first = outputFile();
    click(window, layout::kStopButton);
    ASSERT_TRUE(eventually([&] { return !isWindowVisible(window); }));
    EXPECT_FALSE(recording());
    ASSERT_TRUE(eventually([&] { return channels().record(0).loaded; }));
    EXPECT_EQ(channels().record(0).path, first);
    std::vector<int16_t> samples = soxSamples(first);
    EXPECT_EQ(samples.size() % kBlockSamples, 0u);
    EXPECT_TRUE(startsWith(samples, soxSamples(mono)));

    // A stereo recording, with 0 free and 1 taken, goes into channels 2 and 3.
    input.reset();
    input = std::make_unique<ScopedEnv>("VELMORA_AUDIO_INPUT_FILE", stereo);
    ASSERT_EQ(onWindowThread([&] {
                  channels().close(0);
                  recorder().applyInput(1, 2);
                  return channels().open(1, first);
              }),
              0);
    const std::string second = record(26460 * 4);
    ASSERT_TRUE(eventually([&] { return channels().record(2).loaded && channels().record(3).loaded; }));
    EXPECT_EQ(channels().record(2).path, second);
    EXPECT_EQ(channels().record(2).partner, 3);
    EXPECT_NE(second, first);
    EXPECT_TRUE(startsWith(soxSamples(second), soxSamples(stereo)));
    EXPECT_EQ(engine.carried(toWire(engine::Event::AttachStreams)).back().index, 4);
    EXPECT_TRUE(engine.errors().empty());
}

// The device never hands a block back: the stop waits its 2 s, and the
// recording without samples is refused by the player and deleted. Proposed
// names never replace a file, one made since the proposal included; a name
// chosen with browse does, once the save dialog asked.
TEST_F(PreRecorderTest, AnEmptyRecordingIsRefusedAndDeletedAndNoProposedNameReplacesAFile)
{
    ScopedEnv stall("VELMORA_AUDIO_PACE", "stall");
    open();
    std::minstd_rand numbers(7);
    const std::string taken = files.file(
        "Userfiles/Qom" + std::to_string(std::uniform_int_distribution<int>(0, 32767)(numbers)) + ".wav");
    std::filesystem::create_directory(files.file("Userfiles"));
    writeText(taken, "taken");
    onWindowThread([] {
        recorder().nameNumbers.seed(7);
        recorder().toggle();
        return 0;
    });
    const std::string proposed = outputFile();
    EXPECT_NE(proposed, taken);
    writeText(proposed, "made since");
    click(window, layout::kStartButton);
    ASSERT_TRUE(eventually([&] { return recording(); }));
    const std::string recordingFile = outputFile();
    EXPECT_NE(recordingFile, proposed);
    EXPECT_TRUE(std::filesystem::exists(recordingFile));

    const auto stopped = std::chrono::steady_clock::now();
    click(window, layout::kStopButton);
    ASSERT_TRUE(eventually([&] { return !isWindowVisible(window); }));
    EXPECT_FALSE(recording());
    EXPECT_GE(std::chrono::steady_clock::now() - stopped,
              std::chrono::milliseconds(PreRecorder::kAllDoneWaitMs));
    EXPECT_EQ(engine.errors(), std::vector<int>{toWire(engine::Error::UnexpectedEof)});
    EXPECT_FALSE(std::filesystem::exists(recordingFile));
    EXPECT_FALSE(channels().record(0).loaded);
    EXPECT_EQ(readText(taken), "taken");
    EXPECT_EQ(readText(proposed), "made since");

    // A name chosen with browse may replace a file, once the save dialog asked.
    onWindowThread([] {
        recorder().toggle();
        return 0;
    });
    std::string title;
    std::string question;
    std::atomic<bool> chosen{false};
    modal
        .then([&](WindowHandle dialog, int) {
            title = windowTitle(dialog);
            EXPECT_TRUE(setDlgItemText(dialog, kNameField, plat::fileNameOf(taken).c_str()));
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        })
        .then([&](WindowHandle box, int) {
            question = dlgItemText(box, kTextOfBox);
            EXPECT_TRUE(pressDialogButton(box, kIdYes));
            chosen = true;
        });
    click(window, layout::kBrowseButton);
    ASSERT_TRUE(eventually([&] { return chosen.load(); }));
    EXPECT_EQ(title, "Save wave as");
    EXPECT_EQ(question, plat::fileNameOf(taken) + " already exists.\nDo you want to replace it?");
    EXPECT_TRUE(eventually([&] { return outputFile() == taken; }));
}

// A proposed name that became a link (to a file elsewhere) gives way to
// another name: nothing is created or emptied through the link.
TEST_F(PreRecorderTest, AProposedNameNeverWritesThroughALink)
{
    open();
    onWindowThread([] {
        recorder().toggle();
        return 0;
    });
    const std::string proposed = outputFile();
    const std::string victim = files.file("victim.wav");
    std::filesystem::create_directory(files.file("Userfiles"));
    std::filesystem::create_symlink(victim, proposed);
    click(window, layout::kStartButton);
    ASSERT_TRUE(eventually([&] { return recording(); }));
    EXPECT_NE(outputFile(), proposed);
    EXPECT_FALSE(std::filesystem::exists(victim));
    click(window, layout::kStopButton);
    EXPECT_TRUE(eventually([&] { return !isWindowVisible(window); }));
}

// No usable input device (ALSA with nothing configured, in a child: alsa-lib
// keeps its configuration for the life of the process): start fails with the
// device's error and the window stays idle.
TEST_F(PreRecorderTest, WithoutAnInputDeviceStartFailsAndTheWindowStaysIdle)
{
    writeText(files.file("asound.conf"), "");
    runInChild(
        [&] {
            ScopedEnv alsa("VELMORA_AUDIO", "alsa");
            ScopedEnv alsaConfig("ALSA_CONFIG_PATH", files.file("asound.conf"));
            plat::audio::forgetDevices();
            open();
            EXPECT_EQ(onWindowThread([] {
                          recorder().toggle();
                          return recorder().startRecording();
                      }),
                      toWire(engine::Error::PlainMessage));
            EXPECT_FALSE(recording());
            EXPECT_FALSE(std::filesystem::exists(outputFile()));
            EXPECT_EQ(engine.errors(), std::vector<int>{toWire(engine::Error::PlainMessage)});
            // In plain words, with what to do.
            const std::vector<std::string> said = engine.errorTexts();
            EXPECT_TRUE(said.size() == 1 && said[0].starts_with("There is no sound")) << testing::PrintToString(said);
            EXPECT_EQ(onWindowThread([] {
                          const auto& controls = recorder().controls;
                          return int(controls[PreRecorder::kStartId - 1]->enabled) * 2 +
                                 int(controls[PreRecorder::kStopId - 1]->enabled);
                      }),
                      2);
            finish();
        },
        "pre-recorder without devices");
}

// A disk that fills up (a file size limit, in a child) stops nothing: the
// recording keeps what reached the disk and its header counts just that.
TEST_F(PreRecorderTest, ARecordingOnAFullDiskKeepsWhatWasWritten)
{
    const std::string tone = soxWaveFile(files.file("tone.wav"), "-r 44100 -c 1 -b 16", "2 sine 440");
    constexpr rlim_t kLimit = 44 + 20000;
    runInChild(
        [&] {
            ScopedEnv input("VELMORA_AUDIO_INPUT_FILE", tone);
            std::signal(SIGXFSZ, SIG_IGN);
            open();
            onWindowThread([] {
                recorder().applyInput(1, 1);
                return 0;
            });
            const rlimit limit{kLimit, kLimit};
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
            const std::string file = record(80000);
            EXPECT_GT(recorder().failedWrites(), 0u);
            EXPECT_EQ(std::filesystem::file_size(file), kLimit);
            std::vector<int16_t> expected = soxSamples(tone);
            expected.resize((kLimit - 44) / 2);
            EXPECT_EQ(soxSamples(file), expected);
            finish();
        },
        "pre-recorder on a full disk");
}

TEST(PreRecorderVolumeControl, StartsTheFirstMixerOnThePathOrNamesTheOnesLookedFor)
{
    Watchdog watchdog(10s, "volume control");
    TempFolder bin;
    for (const std::string program : {"xfce4-mixer", "x-terminal-emulator"}) {
        writeText(bin.file(program), "#!/bin/sh\necho \"$@\" > '" + bin.file(program + ".ran") + "'\n");
        std::filesystem::permissions(bin.file(program), std::filesystem::perms::owner_all);
    }
    {
        ScopedEnv path("PATH", bin.path());
        EXPECT_EQ(tindle::startVolumeControl(), "");
        EXPECT_TRUE(eventually([&] { return std::filesystem::exists(bin.file("xfce4-mixer.ran")); }));
        EXPECT_FALSE(std::filesystem::exists(bin.file("x-terminal-emulator.ran")));
    }
    TempFolder empty;
    ScopedEnv path("PATH", empty.path());
    ModalScript modal;
    std::string caption;
    bool onTop = false;
    modal.then([&](WindowHandle box, int) {
        caption = windowTitle(box);
        onTop = headless::windowState(box).topmost && headless::windowState(box).owner == nullptr;
        EXPECT_TRUE(pressDialogButton(box, kIdOk));
    });
    EXPECT_EQ(tindle::startVolumeControl(),
              "pavucontrol, gnome-control-center, xfce4-mixer, x-terminal-emulator not found!");
    EXPECT_EQ(caption, "Velmora Audio Engine v0.1b");
    EXPECT_TRUE(onTop);
}

} // namespace
} // namespace velmora::test
