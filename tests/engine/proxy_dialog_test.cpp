// The proxy settings dialog: the stored "ProxyHost" split into its fields,
// the port check on OK, and the key written to the settings file.

#include <gtest/gtest.h>

#include <string>

#include "engine/DialogTestKit.h"
#include "engine/PluginFolderKit.h"
#include "engine/ProxyDialog.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "support/FileText.h"

namespace {

using engine::ProxyDialog;
using plat::ui::WindowHandle;
using namespace velmora::test;

TEST(ProxyPortText, TakesADecimalNumberFrom1To65535)
{
    int32_t port = 0;
    EXPECT_TRUE(ProxyDialog::parsePort("3128", port));
    EXPECT_EQ(port, 3128);
    EXPECT_TRUE(ProxyDialog::parsePort(" 65535", port));
    EXPECT_EQ(port, 65535);
    // A leading zero is no octal prefix; what follows the number is ignored.
    EXPECT_TRUE(ProxyDialog::parsePort("08080", port));
    EXPECT_EQ(port, 8080);
    EXPECT_TRUE(ProxyDialog::parsePort("1 ", port));
    EXPECT_EQ(port, 1);
    for (const char* refused : {"0", "", "port", "-1", "65536", "99999999999999999999"})
        EXPECT_FALSE(ProxyDialog::parsePort(refused, port)) << refused;
}

class ProxyDialogTest : public PluginFolderTest {
protected:
    std::string settingsFile() { return readText(config.file("velmoraaudioengine.ini")); }
    int run()
    {
        ProxyDialog dialog(core.shell().settings(), nullptr);
        return dialog.runModal();
    }

    ShellAndNotices recorder;
};

TEST_F(ProxyDialogTest, AStoredHostAndPortFillTheFieldsAndCancelWritesNothing)
{
    writeSettings("[Velmora Audio Engine v0.1b]\nProxyHost=http://cache.example.org:3128\n");
    const std::string before = settingsFile();
    std::string caption, server, port;
    ModalScript script;
    script.then([&](WindowHandle dialog, int) {
        caption = plat::ui::windowText(dialog);
        server = plat::ui::dlgItemText(dialog, ProxyDialog::kIdServer);
        port = plat::ui::dlgItemText(dialog, ProxyDialog::kIdPort);
        EXPECT_TRUE(plat::ui::setDlgItemText(dialog, ProxyDialog::kIdPort, "1234"));
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, plat::ui::kIdCancel));
    });
    EXPECT_EQ(run(), plat::ui::kIdCancel);
    ASSERT_TRUE(script.finished());
    EXPECT_EQ(caption, "Proxy Settings");
    EXPECT_EQ(server, "cache.example.org");
    EXPECT_EQ(port, "3128");
    EXPECT_EQ(settingsFile(), before);
}

TEST_F(ProxyDialogTest, AnInvalidPortIsRefusedAndTheDialogStaysOpenUntilAValidOne)
{
    std::string server, port;
    std::vector<bool> openAfterRefusal;
    ModalScript script;
    script.then([&](WindowHandle dialog, int) {
        server = plat::ui::dlgItemText(dialog, ProxyDialog::kIdServer);
        port = plat::ui::dlgItemText(dialog, ProxyDialog::kIdPort);
        EXPECT_TRUE(plat::ui::setDlgItemText(dialog, ProxyDialog::kIdServer, "cache.local"));
        for (const char* refused : {"0", ""}) {
            EXPECT_TRUE(plat::ui::setDlgItemText(dialog, ProxyDialog::kIdPort, refused));
            EXPECT_TRUE(plat::ui::pressDialogButton(dialog, plat::ui::kIdOk));
        }
        openAfterRefusal.push_back(plat::ui::isWindowVisible(dialog));
    });
    script.then([&](WindowHandle dialog, int) {
        openAfterRefusal.push_back(plat::ui::isWindowVisible(dialog));
        EXPECT_TRUE(plat::ui::setDlgItemText(dialog, ProxyDialog::kIdPort, "3129"));
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, plat::ui::kIdOk));
    });
    EXPECT_EQ(run(), plat::ui::kIdOk);
    ASSERT_TRUE(script.finished());

    // Nothing stored: no host, port 8080.
    EXPECT_EQ(server, "");
    EXPECT_EQ(port, "8080");
    EXPECT_EQ(openAfterRefusal, (std::vector<bool>{true, true}));
    const auto& notices = ShellAndNotices::notices();
    ASSERT_EQ(notices.size(), 2u);
    for (const RecordedNotice& notice : notices) {
        EXPECT_EQ(notice.text, "Invalid port!");
        EXPECT_EQ(notice.style & 0xF0, plat::kNoticeIconStop);
    }
    // Written to the file at once, and read back so by the next opening.
    EXPECT_NE(settingsFile().find("ProxyHost=http://cache.local:3129"), std::string::npos) << settingsFile();
    std::string reopened;
    ModalScript again;
    again.then([&](WindowHandle dialog, int) {
        reopened = plat::ui::dlgItemText(dialog, ProxyDialog::kIdServer) + ":" +
                   plat::ui::dlgItemText(dialog, ProxyDialog::kIdPort);
        EXPECT_TRUE(plat::ui::pressDialogButton(dialog, plat::ui::kIdCancel));
    });
    run();
    EXPECT_EQ(reopened, "cache.local:3129");
}

} // namespace
