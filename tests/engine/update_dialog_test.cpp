// The update dialog against a server on the loopback interface: the offered
// plug-ins and "&Download", no update, an answer that is no description, a
// server that cannot be reached, and Close while the download still runs.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/DialogTestKit.h"
#include "engine/PluginFolderKit.h"
#include "api/Protocol.h"
#include "engine/UpdateDialog.h"
#include "platform/core/Files.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "support/FileText.h"
#include "support/LoopbackHttpServer.h"
#include "support/LoopbackSocket.h"

namespace {

using engine::UpdateDialog;
using namespace plat::ui;
using namespace velmora::test;
using Clock = std::chrono::steady_clock;
using Shown = std::vector<std::pair<int, std::string>>;

// Five entries: three newer than their files (one without a title, one
// whose address is a local file), one whose file is not there, one older
// than its file.
const char kDescription[] =
    "[AUTO_UPDATE_SECTION]\nNumFiles=5\nFile1=Mixer\nFile2=Reverb\nFile3=Ghost\n"
    "File4=Old\nFile5=Local\n\n"
    "[Mixer]\nname=mixer.vui\ntitle=Velmora Mixer\ndate=12/31/2037\n"
    "url=http://example.invalid/mixer\n\n"
    "[Reverb]\nname=reverb.vfx\ndate=06/15/2037\nurl=http://example.invalid/reverb\n\n"
    "[Ghost]\nname=ghost.vin\ntitle=Ghost\ndate=12/31/2037\n"
    "url=http://example.invalid/ghost\n\n"
    "[Old]\nname=old.vin\ntitle=Old\ndate=01/01/2001\nurl=http://example.invalid/old\n\n"
    "[Local]\nname=local.vin\ntitle=Local\ndate=12/31/2037\nurl=file:///tmp/run.desktop\n";

const char kNothingNewer[] =
    "[AUTO_UPDATE_SECTION]\nNumFiles=1\nFile1=Old\n\n"
    "[Old]\nname=old.vin\ntitle=Old\ndate=01/01/2001\nurl=http://example.invalid/old\n";

std::vector<std::string> listLines(WindowHandle dialog)
{
    std::vector<std::string> lines;
    const auto count = sendDlgItemMessage(dialog, UpdateDialog::kIdUpdates, kMsgListGetCount, 0, 0);
    for (intptr_t i = 0; i < count; ++i) {
        char line[512] = {};
        sendDlgItemMessage(dialog, UpdateDialog::kIdUpdates, kMsgListGetText, static_cast<uintptr_t>(i),
                           reinterpret_cast<intptr_t>(line));
        lines.push_back(line);
    }
    return lines;
}

bool enabled(WindowHandle dialog, int id)
{
    return isWindowEnabled(dialogItem(dialog, id));
}

class UpdateDialogTest : public PluginFolderTest {
protected:
    UpdateDialogTest()
    {
        for (const char* name : {"mixer.vui", "reverb.vfx", "old.vin", "local.vin"})
            writeText(pluginPath(name), "plug-in");
    }
    void pointAt(const std::string& server)
    {
        (void)core.settings.selectSection(engine::EngineCore::kSettingsSection, true);
        (void)core.settings.setString(engine::kUpdateServerKey, server.c_str());
    }
    // Runs the dialog as tray item 40008 does; the driver closes it once
    // ready answers true (the list filled, a notice shown). False, with the
    // failure recorded, when ready never did and the driver's limit closed it.
    bool runUntil(const std::function<bool(WindowHandle)>& ready,
                  const std::function<void(WindowHandle)>& then)
    {
        IdleDriver driver([&](WindowHandle dialog, int) {
            if (!ready(dialog))
                return false;
            then(dialog);
            EXPECT_TRUE(pressDialogButton(dialog, UpdateDialog::kIdClose));
            return true;
        });
        EXPECT_EQ(core.shell().openUpdateDialog(nullptr), 1);
        return driver.finished();
    }

    std::vector<std::string> tempNames() const
    {
        return plat::listFolder(temp.path(), "*", plat::ListWhat::Both);
    }
    TempFolder temp;
    ScopedEnv tempDir{"TMPDIR", temp.path()};
    ScopedEnv runtimeDir{"XDG_RUNTIME_DIR", std::nullopt};
    ShellAndNotices recorder;
};

TEST_F(UpdateDialogTest, ListsThePlugInsWithNewerVersionsAndDownloadOpensTheChosenOne)
{
    const std::string answer = httpResponse("HTTP/1.0 200 OK", kDescription);
    LoopbackHttpServer server(answer);
    pointAt(server.address() + "/");
    writeText(pluginPath("linked.txt"), "kept");
    std::filesystem::create_hard_link(pluginPath("linked.txt"), temp.file("qomupdate.ini"));
    std::string caption, status;
    std::vector<std::string> lines;
    bool listOn = false, downloadOn = false;
    std::vector<std::string> opened;
    std::vector<RecordedNotice> failures;
    if (!runUntil([](WindowHandle dialog) { return !listLines(dialog).empty(); },
                  [&](WindowHandle dialog) {
                      caption = windowText(dialog);
                      status = dlgItemText(dialog, UpdateDialog::kIdStatus);
                      lines = listLines(dialog);
                      listOn = enabled(dialog, UpdateDialog::kIdUpdates);
                      downloadOn = enabled(dialog, UpdateDialog::kIdDownload);
                      sendDlgItemMessage(dialog, UpdateDialog::kIdUpdates, kMsgListSetCurSel, 1, 0);
                      EXPECT_TRUE(pressDialogButton(dialog, UpdateDialog::kIdDownload));
                      opened = ShellAndNotices::targets();
                      // A failed open names the address and the reason.
                      ShellAndNotices::answer() = plat::kShellFileNotFound;
                      sendDlgItemMessage(dialog, UpdateDialog::kIdUpdates, kMsgListSetCurSel, 0, 0);
                      EXPECT_TRUE(pressDialogButton(dialog, UpdateDialog::kIdDownload));
                      // An address that is no web page never reaches the shell.
                      sendDlgItemMessage(dialog, UpdateDialog::kIdUpdates, kMsgListSetCurSel, 2, 0);
                      EXPECT_TRUE(pressDialogButton(dialog, UpdateDialog::kIdDownload));
                      failures = ShellAndNotices::notices();
                  }))
        return; // the driver reported the failure

    EXPECT_EQ(caption, "Velmora Audio Engine Update");
    EXPECT_EQ(status, "Download finished (" + std::to_string(answer.size()) + " Bytes)!");
    EXPECT_EQ(lines, (std::vector<std::string>{"Velmora Mixer (mixer.vui) => http://example.invalid/mixer",
                                               "reverb.vfx (reverb.vfx) => http://example.invalid/reverb",
                                               "Local (local.vin) => file:///tmp/run.desktop"}));
    EXPECT_TRUE(listOn);
    EXPECT_TRUE(downloadOn);
    EXPECT_EQ(opened, std::vector<std::string>{"http://example.invalid/reverb"});
    EXPECT_EQ(ShellAndNotices::targets().size(), 2u);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].text,
              "Failed to open http://example.invalid/mixer!\nThe specified file was not found.");
    EXPECT_EQ(failures[1].text, "Failed to open file:///tmp/run.desktop!");
    for (const RecordedNotice& failure : failures)
        EXPECT_EQ(failure.style & 0xF0, plat::kNoticeIconStop);

    // The document's full address on the server, which is connected to by its own port.
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(
        requests[0].rfind("GET " + server.address() + "/qomupdate.ini HTTP/1.1\r\nHost: 127.0.0.1\r\n", 0),
        0u)
        << requests[0];
    EXPECT_EQ(readText(pluginPath("linked.txt")), "kept");
    EXPECT_EQ(tempNames(), std::vector<std::string>{"qomupdate.ini"});
    EXPECT_TRUE(core.shownErrors().empty());
}

TEST_F(UpdateDialogTest, WithoutNewerVersionsTheListSaysSoAndStaysDisabled)
{
    LoopbackHttpServer server(httpResponse("HTTP/1.0 200 OK", kNothingNewer));
    pointAt(server.address());
    std::vector<std::string> lines;
    bool listOn = true, downloadOn = true;
    if (!runUntil([](WindowHandle dialog) { return !listLines(dialog).empty(); },
                  [&](WindowHandle dialog) {
                      lines = listLines(dialog);
                      listOn = enabled(dialog, UpdateDialog::kIdUpdates);
                      downloadOn = enabled(dialog, UpdateDialog::kIdDownload);
                  }))
        return; // the driver reported the failure
    EXPECT_EQ(lines, std::vector<std::string>{"(no update available!)"});
    EXPECT_FALSE(listOn);
    EXPECT_FALSE(downloadOn);
}

TEST_F(UpdateDialogTest, AnAnswerThatIsNoDescriptionIsShownByItsStatusLine)
{
    LoopbackHttpServer server(httpResponse("HTTP/1.0 404 Not Found", "<html>no such file</html>"));
    pointAt(server.address());
    std::filesystem::create_symlink(temp.file("nowhere"), temp.file("qomupdate.ini"));
    std::vector<std::string> lines{"unread"};
    bool downloadOn = true;
    if (!runUntil([](WindowHandle) { return !ShellAndNotices::notices().empty(); },
                  [&](WindowHandle dialog) {
                      lines = listLines(dialog);
                      downloadOn = enabled(dialog, UpdateDialog::kIdDownload);
                  }))
        return; // the driver reported the failure
    const auto& notices = ShellAndNotices::notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, "HTTP/1.0 404 Not Found");
    EXPECT_EQ(notices[0].caption, "Velmora Audio Engine v0.1b");
    EXPECT_EQ(notices[0].style, plat::kNoticeIconStop | plat::kNoticeTaskModal | plat::kNoticeTopmost);
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(downloadOn);
    EXPECT_TRUE(tempNames().empty());
}

TEST_F(UpdateDialogTest, AServerThatCannotBeReachedIsReportedAndTheDialogClosesByItself)
{
    const int port = freePort();
    ASSERT_NE(port, 0);
    pointAt("http://127.0.0.1:" + std::to_string(port));
    // Nothing to do but wait: a dialog that fails to close by itself is
    // closed by the driver at its limit, and the test fails.
    IdleDriver driver([](WindowHandle, int) { return false; }, std::chrono::seconds(8));
    EXPECT_EQ(core.shell().openUpdateDialog(nullptr), 1);
    EXPECT_FALSE(driver.timedOut()) << "the dialog did not close by itself";
    EXPECT_EQ(core.shownErrors(), (Shown{{toWire(engine::Error::SocketInternal), "HTTP Socket"}}));
    EXPECT_TRUE(tempNames().empty());
}

TEST_F(UpdateDialogTest, CloseDuringTheDownloadAbortsAndClosesOnceTheWorkerGaveUp)
{
    LoopbackHttpServer server(LoopbackHttpServer::Mode::Hold, "");
    pointAt(server.address());
    std::string aborting;
    bool openAfterClose = false, openAfterSecondClose = false;
    Clock::time_point closed{};
    IdleDriver driver([&](WindowHandle dialog, int) {
        if (server.requests().empty() ||
            dlgItemText(dialog, UpdateDialog::kIdStatus) != "Getting document...")
            return false;
        EXPECT_TRUE(pressDialogButton(dialog, UpdateDialog::kIdClose));
        closed = Clock::now();
        aborting = dlgItemText(dialog, UpdateDialog::kIdStatus);
        openAfterClose = isWindowVisible(dialog);
        headless::closeRequest(dialog);
        openAfterSecondClose = isWindowVisible(dialog);
        return true;
    });
    EXPECT_EQ(core.shell().openUpdateDialog(nullptr), 1);
    const auto waited = Clock::now() - closed;
    ASSERT_TRUE(driver.finished());
    EXPECT_EQ(aborting, "Aborting, please wait...");
    EXPECT_TRUE(openAfterClose);
    EXPECT_TRUE(openAfterSecondClose);
    // The worker gives up within one poll of 2000 ms.
    EXPECT_LT(waited, std::chrono::milliseconds(3500));
    EXPECT_EQ(core.shownErrors(), (Shown{{toWire(engine::Error::SocketCanceled), "HTTP Socket"}}));
    EXPECT_TRUE(tempNames().empty());
}

} // namespace
