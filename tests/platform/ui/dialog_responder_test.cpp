#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/DialogResponder.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/FolderDialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowTestKit.h"
#include "support/Watchdog.h"

using namespace plat::ui;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

// Answers every kind of question itself and notes what it was asked.
class ScriptedResponder : public DialogResponder {
public:
    std::optional<int> dialogButton(WindowHandle dialog) override
    {
        asked.push_back(windowTitle(dialog));
        return kIdYes;
    }
    PathAnswer filePath(const PathQuestion& question) override
    {
        asked.push_back(question.title + (question.save ? " (save)" : ""));
        return {PathAnswer::Kind::Choose, "/chosen/take1.wav"};
    }
    PathAnswer folderPath(const PathQuestion& question) override
    {
        asked.push_back(question.title);
        return {PathAnswer::Kind::Cancel, {}};
    }
    std::optional<uintptr_t> menuChoice(MenuHandle) override { return 40003; }

    std::vector<std::string> asked;
};

} // namespace

TEST(DialogResponder, AnInstalledResponderAnswersEveryModalQuestionUntilReplaced)
{
    Watchdog watchdog(10s);
    auto responder = std::make_shared<ScriptedResponder>();
    installDialogResponder(responder);

    EXPECT_EQ(messageBox(nullptr, "Replace it?", "Save", plat::kNoticeYesNo), kIdYes);
    FileDialogRequest request;
    request.title = "Record to";
    EXPECT_TRUE(getSaveFileName(request));
    EXPECT_EQ(request.file, "/chosen/take1.wav");
    EXPECT_EQ(request.fileTitle, "take1.wav");
    std::string folder = "kept";
    EXPECT_FALSE(browseForFolder(FolderDialogRequest{}, folder));
    EXPECT_EQ(folder, "kept");
    PopupMenu menu;
    menu.add(40003, "&About...");
    EXPECT_EQ(menu.track(10, 10, nullptr), 40003u);
    EXPECT_EQ(responder->asked, (std::vector<std::string>{"Save", "Record to (save)", "Choose a folder"}));

    EXPECT_EQ(installDialogResponder(nullptr), responder);
    EXPECT_NE(dialogResponder(), responder);
}
