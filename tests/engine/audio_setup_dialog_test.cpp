// The Audio System Setup dialog: its lists, the buffered-time estimate, and
// what Apply and Close do to the engine, driven on the headless backend.

#include <gtest/gtest.h>

#include <string>

#include "engine/AudioSetupDialog.h"
#include "engine/CoreTestEngine.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "support/EngineTestSeam.h"

using velmora::test::EngineSeam;

namespace {

using engine::AudioSetupDialog;
using plat::ui::WindowHandle;
using velmora::test::ModalScript;

std::string timeText(int sizeIndex, int countIndex)
{
    char text[64];
    AudioSetupDialog::bufferedTimeText(sizeIndex, countIndex, text, sizeof text);
    return text;
}

intptr_t comboMessage(WindowHandle dialog, int id, uint32_t message, uintptr_t wparam = 0)
{
    return plat::ui::sendDlgItemMessage(dialog, id, message, wparam, 0);
}

// Selects an entry as the user's choice does: the selection, then the list's
// notification to the dialog.
void choose(WindowHandle dialog, int id, int index)
{
    comboMessage(dialog, id, plat::ui::kMsgComboSetCurSel, static_cast<uintptr_t>(index));
    const uintptr_t command = static_cast<uintptr_t>(id) | (uintptr_t{plat::ui::kComboSelChange} << 16);
    plat::ui::sendMessage(dialog, plat::ui::kMsgCommand, command, 0);
}

std::string shownTime(WindowHandle dialog)
{
    return plat::ui::dlgItemText(dialog, AudioSetupDialog::kIdBufferedTime);
}

TEST(BufferedTimeText, NamesTheTimeAndItsVerdict)
{
    EXPECT_EQ(timeText(2, 11), "552ms music buffered - should work!");
    EXPECT_EQ(timeText(5, 49), "18550ms music buffered - ok!");
    EXPECT_EQ(timeText(0, 0), "11ms music buffered - won't work!");
    // 4096 bytes last 46 ms, 8192 bytes 92 ms: the verdict turns at 500 and 1000.
    EXPECT_EQ(timeText(2, 9), "460ms music buffered - won't work!");
    EXPECT_EQ(timeText(2, 10), "506ms music buffered - should work!");
    EXPECT_EQ(timeText(3, 9), "920ms music buffered - should work!");
    EXPECT_EQ(timeText(3, 10), "1012ms music buffered - ok!");
    EXPECT_EQ(timeText(-1, 11), "undefined");
    EXPECT_EQ(timeText(2, -1), "undefined");
}

class AudioSetupDialogTest : public velmora::test::CoreEngineFixture {
protected:
    AudioSetupDialogTest() : CoreEngineFixture("audio setup dialog") {}

    void SetUp() override
    {
        resetTestPlugins();
        loadPatternInput();
        EngineSeam::output(core) =
            velmora::test::loadTestPlugin<engine::OutputPlugin>(coretest::kRecordingOutputFile);
        ASSERT_EQ(core.applyAudioSetup({3, 4096, 12, 65536, 1, 0}), toWire(engine::Error::Ok));
        setupsBefore = inputRecord().setups;
        journalBefore = outputJournal();
        EngineSeam::mixer(core).setVolume(1, 150);
        EngineSeam::mixer(core).setPan(1, 20);
    }
    void TearDown() override { core.audio().stopStreaming(); }

    coretest::InputRecord inputRecord()
    {
        coretest::InputRecord record{};
        inputControls.get<coretest::InputRecordFn>(coretest::kInputRecord)(&record);
        return record;
    }
    // The mixer was not set up anew and no plug-in was set up again.
    void expectNothingApplied()
    {
        EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 150);
        EXPECT_EQ(EngineSeam::mixer(core).getPan(1), 20);
        EXPECT_EQ(inputRecord().setups, setupsBefore);
        EXPECT_EQ(outputJournal(), journalBefore);
    }
    void expectNotNowShown()
    {
        const auto errors = core.shownErrors();
        ASSERT_EQ(errors.size(), 1U);
        EXPECT_EQ(errors[0], (std::pair<int, std::string>{toWire(engine::Error::NotNow), "Velmora Core"}));
    }

    int setupsBefore = 0;
    std::string journalBefore;
};

TEST_F(AudioSetupDialogTest, ListsSelectTheCurrentSizesAndCloseAppliesNothing)
{
    ModalScript script;
    int counts[3] = {};
    int selections[3] = {};
    std::string shown[3];
    script.then([&](WindowHandle dialog, int) {
        const int ids[3] = {AudioSetupDialog::kIdMusicBufSize, AudioSetupDialog::kIdNumOutBufs,
                            AudioSetupDialog::kIdDiskBufSize};
        for (int i = 0; i < 3; ++i) {
            counts[i] = static_cast<int>(comboMessage(dialog, ids[i], plat::ui::kMsgComboGetCount));
            selections[i] = static_cast<int>(comboMessage(dialog, ids[i], plat::ui::kMsgComboGetCurSel));
        }
        shown[0] = shownTime(dialog);
        choose(dialog, AudioSetupDialog::kIdMusicBufSize, 5);
        choose(dialog, AudioSetupDialog::kIdNumOutBufs, 49);
        shown[1] = shownTime(dialog);
        choose(dialog, AudioSetupDialog::kIdMusicBufSize, 0);
        choose(dialog, AudioSetupDialog::kIdNumOutBufs, 0);
        shown[2] = shownTime(dialog);
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, AudioSetupDialog::kIdClose));
    });
    EXPECT_EQ(core.shell().openAudioSetup(nullptr), 1);
    ASSERT_TRUE(script.finished());

    EXPECT_EQ(counts[0], 6);
    EXPECT_EQ(counts[1], 50);
    EXPECT_EQ(counts[2], 4);
    EXPECT_EQ(selections[0], 2);  // 4096
    EXPECT_EQ(selections[1], 11); // 12
    EXPECT_EQ(selections[2], 1);  // 65536
    EXPECT_EQ(shown[0], "552ms music buffered - should work!");
    EXPECT_EQ(shown[1], "18550ms music buffered - ok!");
    EXPECT_EQ(shown[2], "11ms music buffered - won't work!");
    EXPECT_EQ(core.audio().setup().musicBufSize, 4096);
    EXPECT_EQ(core.audio().setup().numOutBufs, 12);
    expectNothingApplied();
}

TEST_F(AudioSetupDialogTest, ApplyWithUnchangedSelectionsKeepsTheMixer)
{
    ModalScript script;
    script.then([&](WindowHandle dialog, int) {
        choose(dialog, AudioSetupDialog::kIdMusicBufSize, 2); // the size already set
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, AudioSetupDialog::kIdApply));
    });
    EXPECT_EQ(core.shell().openAudioSetup(nullptr), 1);
    expectNothingApplied();
}

TEST_F(AudioSetupDialogTest, ApplyWithANewSizeRebuildsTheMixerAndSetsUpThePlugins)
{
    ModalScript script;
    script.then([&](WindowHandle dialog, int) {
        choose(dialog, AudioSetupDialog::kIdMusicBufSize, 3);
        choose(dialog, AudioSetupDialog::kIdNumOutBufs, 19);
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, AudioSetupDialog::kIdApply));
    });
    EXPECT_EQ(core.shell().openAudioSetup(nullptr), 1);
    EXPECT_EQ(core.audio().setup().musicBufSize, 8192);
    EXPECT_EQ(core.audio().setup().numOutBufs, 20);
    EXPECT_EQ(core.audio().setup().diskBufSize, 65536);
    EXPECT_EQ(EngineSeam::mixer(core).blockBytes, 8192);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 100);
    EXPECT_EQ(EngineSeam::mixer(core).getPan(1), 50);
    EXPECT_EQ(inputRecord().setups, setupsBefore + 1);
    EXPECT_EQ(inputRecord().musicBufSize, 8192);
    EXPECT_NE(outputJournal(), journalBefore);
}

TEST_F(AudioSetupDialogTest, SizeNoListOffersIsUndefinedAndKeptByApply)
{
    ASSERT_EQ(core.applyAudioSetup({3, 5000, 12, 65536, 1, 0}), toWire(engine::Error::Ok));
    ModalScript script;
    int sizeSelection = 0;
    std::string shown;
    script.then([&](WindowHandle dialog, int) {
        sizeSelection = static_cast<int>(
            comboMessage(dialog, AudioSetupDialog::kIdMusicBufSize, plat::ui::kMsgComboGetCurSel));
        shown = shownTime(dialog);
        choose(dialog, AudioSetupDialog::kIdDiskBufSize, 3);
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, AudioSetupDialog::kIdApply));
    });
    EXPECT_EQ(core.shell().openAudioSetup(nullptr), 1);
    EXPECT_EQ(sizeSelection, -1);
    EXPECT_EQ(shown, "undefined");
    EXPECT_EQ(core.audio().setup().musicBufSize, 5000);
    EXPECT_EQ(core.audio().setup().diskBufSize, 262144);
    EXPECT_EQ(inputRecord().musicBufSize, 5000);
}

TEST_F(AudioSetupDialogTest, RefusedWhileStreaming)
{
    ASSERT_EQ(core.startStreaming(), 1);
    ModalScript script;
    script.then([](WindowHandle dialog, int) {
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, AudioSetupDialog::kIdClose));
    });
    EXPECT_EQ(core.shell().openAudioSetup(nullptr), 0);
    EXPECT_FALSE(script.finished()) << "no dialog is shown";
    expectNotNowShown();
}

TEST_F(AudioSetupDialogTest, ApplyAfterStreamingStartedMeanwhileIsRefused)
{
    ModalScript script;
    script.then([&](WindowHandle dialog, int) {
        choose(dialog, AudioSetupDialog::kIdMusicBufSize, 3);
        core.startStreaming();
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, AudioSetupDialog::kIdApply));
    });
    EXPECT_EQ(core.shell().openAudioSetup(nullptr), 0);
    EXPECT_EQ(core.audio().setup().musicBufSize, 4096);
    EXPECT_EQ(EngineSeam::mixer(core).blockBytes, 4096);
    EXPECT_EQ(EngineSeam::mixer(core).getVolume(1), 150);
    EXPECT_EQ(inputRecord().setups, setupsBefore);
    expectNotNowShown();
}

} // namespace
