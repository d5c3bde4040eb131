#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/core/Files.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/FolderDialog.h"
#include "platform/ui/WindowTestKit.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::ModalScript;
using velmora::test::ScopedEnv;
using velmora::test::TempFolder;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

// The file dialogs' controls, with the numbers the original common dialogs gave them.
constexpr int kEntryList = 1120;
constexpr int kTypeList = 1136;
constexpr int kNameField = 1152;
constexpr int kTextOfBox = 0xFFFF;

const char kWaveFilter[] = "Wave files\0*.wav\0Text files\0*.txt;*.TXT\0All files\0*.*\0";

std::vector<std::string> entries(WindowHandle dialog)
{
    std::vector<std::string> shown;
    auto count = static_cast<int>(sendDlgItemMessage(dialog, kEntryList, kMsgListGetCount, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        sendDlgItemMessage(dialog, kEntryList, kMsgListGetText, static_cast<uintptr_t>(i),
                           reinterpret_cast<intptr_t>(text));
        shown.emplace_back(text);
    }
    return shown;
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        velmora::test::writeText(folder.file("take1.wav"), "RIFF");
        velmora::test::writeText(folder.file("notes.TXT"), "text");
        ASSERT_TRUE(plat::createFolder(folder.file("Userfiles")));
        velmora::test::writeText(folder.file("Userfiles/old.wav"), "RIFF");
        request.filter = kWaveFilter;
        request.initialFolder = folder.path();
    }

    Watchdog watchdog{10s};
    TempFolder folder;
    FileDialogRequest request;
};

} // namespace

TEST_F(FileDialogTest, SavingOverAFileAsksFirstAndNoKeepsTheDialogOpen)
{
    std::string question;
    ModalScript script;
    script
        .then([](WindowHandle dialog, int) {
            EXPECT_TRUE(setDlgItemText(dialog, kNameField, "take1.wav"));
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        })
        .then([&](WindowHandle box, int depth) {
            EXPECT_EQ(depth, 2);
            question = dlgItemText(box, kTextOfBox);
            EXPECT_TRUE(pressDialogButton(box, kIdNo));
        })
        .then([](WindowHandle dialog, int depth) {
            EXPECT_EQ(depth, 1);
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        })
        .then([](WindowHandle box, int) { EXPECT_TRUE(pressDialogButton(box, kIdYes)); });
    EXPECT_TRUE(getSaveFileName(request));
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(question, "take1.wav already exists.\nDo you want to replace it?");
    EXPECT_EQ(request.file, folder.file("take1.wav"));
    EXPECT_EQ(request.fileTitle, "take1.wav");
}

TEST_F(FileDialogTest, SavingANewNameAddsTheDefaultExtensionAndAsksNothing)
{
    request.defaultExtension = "wav";
    request.flags = kFileExplorer | kFileMustExist | kFilePathMustExist; // must-exist does not stop a save
    ModalScript script;
    script.then([](WindowHandle dialog, int) {
        EXPECT_TRUE(setDlgItemText(dialog, kNameField, "take2"));
        EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
    });
    EXPECT_TRUE(getSaveFileName(request));
    EXPECT_EQ(request.file, folder.file("take2.wav"));
}

TEST_F(FileDialogTest, SavingIntoAFolderThatDoesNotExistIsRefused)
{
    std::string told;
    ModalScript script;
    script
        .then([](WindowHandle dialog, int) {
            EXPECT_TRUE(setDlgItemText(dialog, kNameField, "missing/take.wav"));
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        })
        .then([&](WindowHandle box, int) {
            told = dlgItemText(box, kTextOfBox);
            EXPECT_TRUE(pressDialogButton(box, kIdOk));
        })
        .then([](WindowHandle dialog, int) { EXPECT_TRUE(pressDialogButton(dialog, kIdCancel)); });
    EXPECT_FALSE(getSaveFileName(request));
    EXPECT_NE(told.find("does not exist"), std::string::npos);
}

TEST_F(FileDialogTest, OpenListsFoldersFirstThenTheFilesOfTheFilter)
{
    std::vector<std::string> wave;
    std::vector<std::string> text;
    std::vector<std::string> inside;
    request.flags = kFileMustExist;
    request.filterIndex = 1;
    ModalScript script;
    script
        .then([&](WindowHandle dialog, int) {
            wave = entries(dialog);
            setFocus(dialogItem(dialog, kTypeList));
            plat::ui::headless::pressKey(dialog, kVkDown); // the next type: text files
        })
        .then([&](WindowHandle dialog, int) {
            text = entries(dialog);
            // Typing a folder's name and OK goes into it.
            EXPECT_TRUE(setDlgItemText(dialog, kNameField, "Userfiles"));
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        })
        .then([&](WindowHandle dialog, int) {
            inside = entries(dialog);
            EXPECT_TRUE(setDlgItemText(dialog, kNameField, "old.wav"));
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        });
    EXPECT_TRUE(getOpenFileName(request));
    EXPECT_EQ(wave, (std::vector<std::string>{"Userfiles/", "take1.wav"}));
    EXPECT_EQ(text, (std::vector<std::string>{"Userfiles/", "notes.TXT"}));
    EXPECT_TRUE(inside.empty()); // the text filter still applies in there
    EXPECT_EQ(request.file, folder.file("Userfiles/old.wav"));
    EXPECT_EQ(request.filterIndex, 2u);
}

TEST_F(FileDialogTest, OpenInsistsOnAFileThatExistsWhenAskedTo)
{
    std::string told;
    request.flags = kFileMustExist;
    ModalScript script;
    script
        .then([](WindowHandle dialog, int) {
            EXPECT_TRUE(setDlgItemText(dialog, kNameField, "nothing.wav"));
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        })
        .then([&](WindowHandle box, int) {
            told = dlgItemText(box, kTextOfBox);
            EXPECT_TRUE(pressDialogButton(box, kIdOk));
        })
        .then([](WindowHandle dialog, int) {
            // A click on a file in the list names it.
            sendDlgItemMessage(dialog, kEntryList, kMsgListSetCurSel, 1, 0);
            sendMessage(dialog, kMsgCommand, makeWParam(kEntryList, kListSelChange),
                        reinterpret_cast<intptr_t>(dialogItem(dialog, kEntryList)));
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        });
    EXPECT_TRUE(getOpenFileName(request));
    EXPECT_EQ(told, "nothing.wav\nFile not found.\nCheck the file name and try again.");
    EXPECT_EQ(request.file, folder.file("take1.wav"));
}

TEST_F(FileDialogTest, HeadlessDefaultAnswerCancels)
{
    ScopedEnv answer("VELMORA_HEADLESS_ANSWER", "default");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(getOpenFileName(request));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("(cancelled)"), std::string::npos);
}

TEST_F(FileDialogTest, FolderBrowserGoesIntoAFolderAndAnswersIt)
{
    FolderDialogRequest browse;
    browse.initialFolder = folder.path();
    ModalScript script;
    script.then([](WindowHandle dialog, int) {
        EXPECT_EQ(entries(dialog), std::vector<std::string>{"Userfiles"});
        sendDlgItemMessage(dialog, kEntryList, kMsgListSetCurSel, 0, 0);
        EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
    });
    std::string chosen;
    EXPECT_TRUE(browseForFolder(browse, chosen));
    EXPECT_EQ(chosen, folder.file("Userfiles"));

    ModalScript cancel;
    cancel.then([](WindowHandle dialog, int) { EXPECT_TRUE(pressDialogButton(dialog, kIdCancel)); });
    chosen = "unchanged";
    EXPECT_FALSE(browseForFolder(browse, chosen));
    EXPECT_EQ(chosen, "unchanged");
}

// A path typed in the path field and Enter goes there (a file's path selects
// it); letters typed in the list jump to the first entry that starts with them.
TEST_F(FileDialogTest, APathTypedInThePathFieldGoesThereAndTypedLettersFindAnEntry)
{
    constexpr int kPathField = 1091;
    for (const char* name : {"Userfiles/beats", "Userfiles/bells", "Userfiles/drums"})
        ASSERT_TRUE(plat::createFolder(folder.file(name)));
    FolderDialogRequest browse;
    browse.initialFolder = "/";
    std::vector<std::string> shown;
    ModalScript script;
    script
        .then([&](WindowHandle dialog, int) {
            setFocus(dialogItem(dialog, kPathField));
            EXPECT_TRUE(setDlgItemText(dialog, kPathField, folder.file("Userfiles/../Userfiles").c_str()));
            plat::ui::headless::pressKey(dialog, kVkReturn);
        })
        .then([&](WindowHandle dialog, int) {
            shown = entries(dialog);
            setFocus(dialogItem(dialog, kEntryList));
            plat::ui::headless::typeText(dialog, "bel");
        })
        .then([](WindowHandle dialog, int) { EXPECT_TRUE(pressDialogButton(dialog, kIdOk)); });
    std::string chosen;
    EXPECT_TRUE(browseForFolder(browse, chosen));
    EXPECT_EQ(shown, (std::vector<std::string>{"beats", "bells", "drums"}));
    EXPECT_EQ(chosen, folder.file("Userfiles/bells"));

    ModalScript open;
    open.then([&](WindowHandle dialog, int) {
            setFocus(dialogItem(dialog, kPathField));
            EXPECT_TRUE(setDlgItemText(dialog, kPathField, folder.file("Userfiles/old.wav").c_str()));
            plat::ui::headless::pressKey(dialog, kVkReturn);
        })
        .then([](WindowHandle dialog, int) {
            EXPECT_EQ(dlgItemText(dialog, kNameField), "old.wav");
            EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
        });
    EXPECT_TRUE(getOpenFileName(request));
    EXPECT_EQ(request.file, folder.file("Userfiles/old.wav"));
}
