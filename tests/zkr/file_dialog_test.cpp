#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/core/Files.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"
#include "zkr/FileDialog.h"
#include "zkr/FolderDialog.h"
#include "zkr/Text.h"
#include "zkr/TextList.h"

namespace {

using namespace std::chrono_literals;
using plat::ui::WindowHandle;
using velmora::test::ModalScript;
using velmora::test::ScopedEnv;

// Controls of the platform's file dialogs.
constexpr int kEntryList = 1120;
constexpr int kNameField = 1152;

const std::string kAllFiles("All files\0*.*\0", 15);

std::string listText(const char* list)
{
    return std::string(list, zkr::textListLength(list));
}

// Types a name into the dialog and presses OK, as a user would.
ModalScript::Step typeAndOk(std::string name)
{
    return [name](WindowHandle dialog, int) {
        EXPECT_TRUE(plat::ui::setDlgItemText(dialog, kNameField, name.c_str()));
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, plat::ui::kIdOk));
    };
}

class FileDialogRunTest : public testing::Test {
protected:
    void SetUp() override
    {
        velmora::test::writeText(folder.file("take1.wav"), "RIFF");
        ASSERT_TRUE(plat::createFolder(folder.file("Userfiles")));
        dialog.initialFolder = folder.path();
        ASSERT_TRUE(dialog.setFilter("Wave files\0*.wav\0Text files\0*.txt\0"));
    }

    velmora::test::Watchdog watchdog{10s};
    velmora::test::TempFolder folder;
    zkr::FileDialog dialog;
};

} // namespace

TEST(FileDialogTest, DefaultsAndWhatPrepareHandsThePlatform)
{
    zkr::FileDialog dialog;
    EXPECT_TRUE(dialog.openMode);
    EXPECT_EQ(listText(dialog.filter), kAllFiles);
    EXPECT_EQ(dialog.filterIndex, 1u);
    EXPECT_EQ(dialog.file, "");

    dialog.title = "Open wave file";
    dialog.file = "take.wav";
    dialog.defaultExtension = "wav";
    dialog.filterIndex = 2;
    dialog.prepare();
    EXPECT_EQ(dialog.request.flags, 0x81800u);
    EXPECT_EQ(dialog.request.filter, dialog.filter);
    EXPECT_EQ(dialog.request.filterIndex, 2u);
    EXPECT_EQ(dialog.request.file, "take.wav");
    EXPECT_EQ(dialog.request.title, "Open wave file");
    EXPECT_EQ(dialog.request.defaultExtension, "wav");

    // setDefaults puts back what a previous use changed.
    dialog.openMode = false;
    (void)dialog.addFilter("Wave files", "*.wav");
    dialog.setDefaults();
    EXPECT_TRUE(dialog.openMode);
    EXPECT_EQ(listText(dialog.filter), kAllFiles);
    EXPECT_EQ(dialog.filterIndex, 1u);
    EXPECT_EQ(dialog.file, "");
}

TEST(FileDialogTest, FiltersAreTakenWholeOrNotAtAll)
{
    zkr::FileDialog dialog;
    ASSERT_TRUE(dialog.setFilter("Wave files\0*.wav\0"));
    ASSERT_TRUE(dialog.addFilter("Playlists", "*.m3u;*.pls"));
    const std::string both("Wave files\0*.wav\0Playlists\0*.m3u;*.pls\0", 40);
    EXPECT_EQ(listText(dialog.filter), both);

    // Patterns that miss the space by one character take their description away again.
    const std::string longPatterns(zkr::FileDialog::kFilterSize - both.size() - 2, '*');
    EXPECT_FALSE(dialog.addFilter("X", longPatterns.c_str()));
    EXPECT_EQ(listText(dialog.filter), both);

    // A list too long for the field leaves every file as the filter.
    std::string tooLong(zkr::FileDialog::kFilterSize, 'a');
    tooLong.push_back('\0'); // with the string's own terminator, the list's end
    EXPECT_FALSE(dialog.setFilter(tooLong.c_str()));
    EXPECT_EQ(listText(dialog.filter), kAllFiles);
}

TEST_F(FileDialogRunTest, OpenGivesThePathTitleAndFilterChosen)
{
    ModalScript script;
    script.then(typeAndOk("Userfiles")).then(typeAndOk("../take1.wav"));
    EXPECT_TRUE(dialog.run());
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(dialog.file, folder.file("take1.wav"));
    EXPECT_EQ(dialog.fileTitle, "take1.wav");
    EXPECT_EQ(dialog.filterIndex, 1u);
}

TEST_F(FileDialogRunTest, SaveModeShowsTheSaveDialogAndGivesALongPathWhole)
{
    dialog.openMode = false;
    dialog.defaultExtension = "wav";
    std::string caption;
    ModalScript script;
    script.then([&](WindowHandle save, int) {
        caption = plat::ui::windowText(save);
        typeAndOk("take2")(save, 1);
    });
    EXPECT_TRUE(dialog.run());
    EXPECT_EQ(caption, "Save As");
    EXPECT_EQ(dialog.file, folder.file("take2.wav"));
    EXPECT_EQ(dialog.fileTitle, "take2.wav");

    const std::string longName(250, 'n');
    ModalScript longPath;
    longPath.then(typeAndOk(longName));
    EXPECT_TRUE(dialog.run());
    EXPECT_EQ(dialog.file, folder.file(longName + ".wav"));
}

TEST_F(FileDialogRunTest, HeadlessDefaultAnswersCancelBothDialogs)
{
    ScopedEnv answer("VELMORA_HEADLESS_ANSWER", "default");
    dialog.file = "kept.wav";
    dialog.title = "Open wave";
    zkr::FolderDialog folders;
    folders.chosenFolder = "/kept";
    folders.title = "Output folder";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialog.run());
    EXPECT_FALSE(folders.run());
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dialog.file, "kept.wav");
    EXPECT_EQ(folders.chosenFolder, "/kept");
    // The titles and the folder to start in reached the platform.
    EXPECT_NE(told.find("Open wave: " + folder.path() + " (cancelled)"), std::string::npos) << told;
    EXPECT_NE(told.find("Output folder (cancelled)"), std::string::npos) << told;
}

TEST_F(FileDialogRunTest, FolderDialogGivesTheChosenFolder)
{
    ScopedEnv home("HOME", folder.path());
    zkr::FolderDialog folders;
    ModalScript script;
    script.then([](WindowHandle browser, int) {
        plat::ui::sendDlgItemMessage(browser, kEntryList, plat::ui::kMsgListSetCurSel, 0, 0);
        EXPECT_TRUE(plat::ui::pressDialogButton(browser, plat::ui::kIdOk));
    });
    EXPECT_TRUE(folders.run());
    EXPECT_EQ(folders.request.flags, plat::ui::kBrowseReturnOnlyFsDirs);
    EXPECT_EQ(folders.chosenFolder, folder.file("Userfiles"));

    ModalScript cancel;
    cancel.then([](WindowHandle browser, int) {
        EXPECT_TRUE(plat::ui::pressDialogButton(browser, plat::ui::kIdCancel));
    });
    EXPECT_FALSE(folders.run());
    EXPECT_EQ(folders.chosenFolder, folder.file("Userfiles"));
}
