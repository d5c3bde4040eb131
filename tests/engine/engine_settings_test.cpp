// The engine's buffer settings in the settings file, and the Mixer Settings
// dialog.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "engine/CoreTestEngine.h"
#include "engine/MixerSettingsDialog.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "support/EngineTestSeam.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "zkr/Product.h"

using velmora::test::EngineSeam;

namespace {

using engine::MixerSettingsDialog;
using plat::ui::WindowHandle;
using velmora::test::ModalScript;
using velmora::test::RecordingEngine;
using velmora::test::TempFolder;

// An engine whose store is attached to the settings file in a folder of its
// own, as the program attaches it at start-up.
class EngineSettingsTest : public testing::Test {
protected:
    EngineSettingsTest()
    {
        std::filesystem::create_directories(folder.file("config"));
        core.settings.setFileName(zkr::kSettingsFile);
        core.settings.silent = true;
        core.settings.createMissingKeys = true;
    }

    TempFolder folder;
    velmora::test::ScopedEnv config{"VELMORA_CONFIG_DIR", folder.file("config")};
    const std::string path = folder.file("config/velmoraaudioengine.ini");
    RecordingEngine core;
};

TEST_F(EngineSettingsTest, WithoutAFileTheDefaultsAreReadAndWrittenInTheirOrder)
{
    const engine::AudioSystemSetup setup = core.readAudioSetup();
    EXPECT_EQ(setup.formatCode, 3);
    EXPECT_EQ(setup.musicBufSize, 4096);
    EXPECT_EQ(setup.numOutBufs, 12);
    EXPECT_EQ(setup.diskBufSize, 65536);
    EXPECT_EQ(setup.streamPriority, 1);
    EXPECT_EQ(setup.reserved, 0);
    EXPECT_FALSE(std::filesystem::exists(path)) << "reading writes nothing";

    ASSERT_EQ(core.applyAudioSetup(setup), toWire(engine::Error::Ok));
    core.writeSettings();
    const std::string text = velmora::test::readText(path);
    const auto size = text.find("\nMusicBufSize=4096\n");
    const auto count = text.find("\nNumOutBufs=12\n");
    const auto disk = text.find("\nDiskBufSize=65536\n");
    ASSERT_NE(disk, std::string::npos) << text;
    EXPECT_LT(text.find("[Velmora Audio Engine v0.1b]"), size);
    EXPECT_LT(size, count);
    EXPECT_LT(count, disk);
}

TEST_F(EngineSettingsTest, StoredValuesAreKeptWithinTheSetupsRangesAndTheSectionIsWrittenBackWhole)
{
    velmora::test::writeText(path,
                             "[Velmora Audio Engine v0.1b]\nUseProxy=1\nMusicBufSize=5000\nNumOutBufs=77\n"
                             "[Velmora Fennet]\nbFileOutput=1\nDiskBufSize=5\n");
    const engine::AudioSystemSetup setup = core.readAudioSetup();
    EXPECT_EQ(setup.musicBufSize, 5000);
    EXPECT_EQ(setup.numOutBufs, 50);
    EXPECT_EQ(setup.diskBufSize, 65536);

    ASSERT_EQ(core.applyAudioSetup({3, 16384, 30, 262144, 1, 0}), toWire(engine::Error::Ok));
    core.writeSettings();
    // A second store reads the file as the next run would.
    zkr::Registry next;
    next.setFileName(zkr::kSettingsFile);
    next.silent = true;
    ASSERT_EQ(next.selectSection(engine::EngineCore::kSettingsSection, true), 0);
    EXPECT_EQ(next.getInt("MusicBufSize", 0), 16384);
    EXPECT_EQ(next.getInt("NumOutBufs", 0), 30);
    EXPECT_EQ(next.getInt("DiskBufSize", 0), 262144);
    EXPECT_EQ(next.getInt("UseProxy", 0), 1);
    ASSERT_EQ(next.selectSection("Velmora Fennet", true), 0);
    EXPECT_EQ(next.getInt("bFileOutput", 0), 1);
    EXPECT_EQ(next.getInt("DiskBufSize", 0), 5);
}

TEST_F(EngineSettingsTest, SizesBeyondTheSetupsRangesAreBroughtIntoThem)
{
    // A hand-edited file must not make every start allocate gigabytes.
    velmora::test::writeText(path, "[Velmora Audio Engine v0.1b]\nMusicBufSize=1073741824\nNumOutBufs=-3\n"
                                   "DiskBufSize=2147483647\n");
    const engine::AudioSystemSetup setup = core.readAudioSetup();
    EXPECT_EQ(setup.musicBufSize, 32768);
    EXPECT_EQ(setup.numOutBufs, 1);
    EXPECT_EQ(setup.diskBufSize, 262144);
}

// ---------------------------------------------------------------------------

class MixerSettingsTest : public testing::Test {
protected:
    // Runs the dialog: notes whether the box was checked, sets it, presses button.
    int32_t run(bool check, int button, bool* shownChecked = nullptr)
    {
        ModalScript script;
        script.then([&](WindowHandle dialog, int) {
            if (shownChecked != nullptr)
                *shownChecked = plat::ui::isDlgButtonChecked(dialog, MixerSettingsDialog::kIdEmptyAsFull) ==
                                plat::ui::kButtonChecked;
            (void)plat::ui::checkDlgButton(dialog, MixerSettingsDialog::kIdEmptyAsFull,
                                           check ? plat::ui::kButtonChecked : plat::ui::kButtonUnchecked);
            EXPECT_TRUE(plat::ui::pressDialogButton(dialog, button));
        });
        const int32_t result = core.shell().openMixerSettings(nullptr);
        EXPECT_TRUE(script.finished());
        return result;
    }
    bool flag() const { return EngineSeam::mixer(core).processEmptyAsFull.load() != 0; }

    velmora::test::Watchdog watchdog{std::chrono::seconds(10), "mixer settings"};
    RecordingEngine core;
};

TEST_F(MixerSettingsTest, OkCopiesTheCheckBoxAndTheFlagOutlivesANewMixer)
{
    bool shown = true;
    EXPECT_EQ(run(true, plat::ui::kIdOk, &shown), 1);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(flag());
    ASSERT_EQ(core.applyAudioSetup({3, 2048, 12, 65536, 1, 0}), toWire(engine::Error::Ok));
    EXPECT_TRUE(flag());

    EXPECT_EQ(run(false, plat::ui::kIdOk, &shown), 1);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(flag());
}

TEST_F(MixerSettingsTest, CancelLeavesTheFlag)
{
    EngineSeam::mixer(core).processEmptyAsFull.store(1);
    EXPECT_EQ(run(false, plat::ui::kIdCancel), 1);
    EXPECT_TRUE(flag());
}

} // namespace
