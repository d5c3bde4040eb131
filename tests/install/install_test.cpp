// make install into a staging root: the files, desktop entry and icons; the installed command on
// Xvfb until the window manager closes its main window; make uninstall leaves the root empty.

#include <cstdio>
#include <filesystem>
#include <future>

#include "platform/ui/x11_test_support.h"
#include "support/FileText.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using namespace std::chrono_literals;
using namespace velmora::test;
using namespace velmora::test::x11;
namespace fs = std::filesystem;

// The command's exit status and, after a '\n', its output.
static std::string run(const std::string& command)
{
    std::string output;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    for (int c; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;)
        output += static_cast<char>(c);
    return std::to_string(pipe != nullptr ? WEXITSTATUS(pclose(pipe)) : -1) + "\n" + output;
}

class Installed : public XvfbTest {};

TEST_F(Installed, InstallsRunsAndUninstallsToNothing)
{
    if (setUpFailed())
        return;
    Watchdog watchdog(120s, "install test");
    TempFolder stage;
    const std::string root = stage.file("root"), folder = root + "/usr/lib/velmora/";
    const std::string make = "make -C '" VELMORA_SOURCE_DIR
                             "' --no-print-directory BUILD_DIR='" VELMORA_BUILD_DIR
                             "' PREFIX=/usr DESTDIR='" +
                             root + "' ";
    fs::create_directories(root);
    ASSERT_EQ(run(make + "install-files").substr(0, 2), "0\n") << run(make + "install-files");

    for (const char* needed :
         {"Velmora", "libvelmoraplatform.so", "ZKRShared.so", "Plugins/PlevNT.vin",
          "Plugins/Decoders/WAVMP.ESP", "Plugins/Visuals/Prism.svp", "Help/gfx/htmlhelp.gif"})
        EXPECT_TRUE(fs::exists(folder + needed)) << needed;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string file = entry.path().string();
        EXPECT_FALSE(file.ends_with(".debug") || file.ends_with(".ini") ||
                     file.find("Userfiles") != file.npos);
        // Nothing installed looks for its libraries in the build tree.
        EXPECT_TRUE(!entry.is_regular_file() ||
                    run("readelf -d '" + file + "'").find(VELMORA_BUILD_DIR) == file.npos);
    }
    // The generated help pages link to where the pages are installed.
    EXPECT_NE(readText(folder + "Help/~content.html").find("\"file:///usr/lib/velmora/Help/main.html\""),
              std::string::npos);
    EXPECT_EQ(fs::read_symlink(root + "/usr/bin/velmora"), "../lib/velmora/Velmora");
    for (const std::string size : {"16", "22", "24", "32", "48", "64", "128", "256"}) {
        const std::string png =
            readText(root + "/usr/share/icons/hicolor/" + size + "x" + size + "/apps/velmora.png");
        EXPECT_EQ(png.size() > 24 ? uint8_t(png[18]) * 256 + uint8_t(png[19]) : 0, std::stoi(size));
    }
    EXPECT_EQ(run("desktop-file-validate '" + root + "/usr/share/applications/velmora.desktop'"), "0\n");

    // The command with settings of its own; the stage is private, as a runtime folder must be.
    auto session = std::async(std::launch::async, [&] {
        return run("cd / && env -i DISPLAY=" + display() + " VELMORA_AUDIO=virtual VELMORA_CONFIG_DIR='" +
                   stage.file("config") + "' XDG_RUNTIME_DIR='" + stage.path() + "' HOME='" +
                   stage.file("home") + "' timeout 20 '" + root + "/usr/bin/velmora'");
    });
    const ::Window window = waitForWindow("Velmora Audio Engine");
    XEvent close{};
    close.xclient = {
        ClientMessage, 0, False, client_->display(), window, client_->atom("WM_PROTOCOLS"), 32, {}};
    close.xclient.data.l[0] = static_cast<long>(client_->atom("WM_DELETE_WINDOW"));
    XSendEvent(client_->display(), window, False, NoEventMask, &close);
    XFlush(client_->display());
    EXPECT_EQ(session.get().substr(0, 2), "0\n");

    EXPECT_EQ(run(make + "uninstall").substr(0, 2), "0\n");
    EXPECT_TRUE(fs::is_empty(root)) << fs::recursive_directory_iterator(root)->path();
}
