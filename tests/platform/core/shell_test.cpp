#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Shell.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

using velmora::test::ScopedEnv;
using velmora::test::TempFolder;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

// A stand-in for xdg-open, first on PATH: it writes its working folder and
// its arguments, one a line, to a record file and ends with a chosen code.
class FakeOpener {
public:
    explicit FakeOpener(int exitCode, const std::string& beforeExit = "")
    {
        const std::string script = bin_.file("xdg-open");
        std::ofstream(script) << "#!/bin/sh\n"
                              << "pwd > '" << record() << "'\n"
                              << "for argument in \"$@\"; do printf '%s\\n' \"$argument\" >> '" << record()
                              << "'; done\n"
                              << beforeExit << "\n"
                              << "exit " << exitCode << "\n";
        chmod(script.c_str(), 0755);
        const char* path = std::getenv("PATH");
        pathEnv_.emplace("PATH", bin_.path() + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
    }

    std::string record() const { return bin_.file("record"); }
    bool ran() const { return std::filesystem::exists(record()); }
    // The working folder, then the arguments.
    std::vector<std::string> recorded() const
    {
        std::ifstream in(record());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    TempFolder bin_;
    std::optional<ScopedEnv> pathEnv_;
};

} // namespace

TEST(ShellOpen, TheTargetReachesTheOpenerAsOneArgumentAndNeverAsShellText)
{
    TempFolder work;
    FakeOpener opener(0);
    const std::string target = "https://velmora.example/a b?x=1&y=$(touch " + work.file("owned") + ");`id`";
    EXPECT_EQ(plat::shellOpen(target, ""), plat::kShellOpenDone);
    const std::vector<std::string> lines = opener.recorded();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], target);
    EXPECT_FALSE(std::filesystem::exists(work.file("owned")));
}

TEST(ShellOpen, RunsInTheGivenFolderAndFindsRelativeFilesThere)
{
    TempFolder work;
    std::ofstream(work.file("main.html")) << "<html></html>";
    std::ofstream(work.file("-help.html")) << "<html></html>";
    FakeOpener opener(0);
    EXPECT_EQ(plat::shellOpen("main.html", work.path()), plat::kShellOpenDone);
    std::vector<std::string> lines = opener.recorded();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::filesystem::equivalent(lines[0], work.path()));
    EXPECT_EQ(lines[1], "main.html");

    // A file named like an option still reaches the opener as a file.
    EXPECT_EQ(plat::shellOpen("-help.html", work.path()), plat::kShellOpenDone);
    lines = opener.recorded();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "./-help.html");
}

TEST(ShellOpen, MissingFilesAndFoldersAreReportedWithoutStartingTheOpener)
{
    TempFolder work;
    FakeOpener opener(0);
    EXPECT_EQ(plat::shellOpen(work.file("missing.html"), ""), plat::kShellFileNotFound);
    EXPECT_EQ(plat::shellOpen("missing.html", work.path()), plat::kShellFileNotFound);
    EXPECT_EQ(plat::shellOpen("", work.path()), plat::kShellFileNotFound);
    EXPECT_EQ(plat::shellOpen("https://velmora.example/", work.file("gone")), plat::kShellPathNotFound);
    EXPECT_FALSE(opener.ran());
}

TEST(ShellOpen, OpenerExitCodesBecomeShellResults)
{
    const struct {
        int exitCode;
        int result;
    } cases[] = {
        {0, plat::kShellOpenDone},      {1, plat::kShellNoAssociation}, {2, plat::kShellFileNotFound},
        {3, plat::kShellNoAssociation}, {4, plat::kShellNoAssociation},
    };
    for (const auto& c : cases) {
        FakeOpener opener(c.exitCode);
        EXPECT_EQ(plat::shellOpen("mailto:someone@velmora.example", ""), c.result) << "exit " << c.exitCode;
        EXPECT_TRUE(opener.ran());
    }
    FakeOpener killed(0, "kill -9 $$");
    EXPECT_EQ(plat::shellOpen("https://velmora.example/", ""), plat::kShellNoAssociation);
}

TEST(ShellOpen, NoOpenerOnThePathMeansNoAssociation)
{
    TempFolder empty;
    ScopedEnv path("PATH", empty.path());
    EXPECT_EQ(plat::shellOpen("https://velmora.example/", ""), plat::kShellNoAssociation);
    ScopedEnv none("PATH", "");
    EXPECT_EQ(plat::shellOpen("https://velmora.example/", ""), plat::kShellNoAssociation);
}

TEST(ShellOpen, AnOpenerStillRunningAfterTheWaitHasLaunchedSomething)
{
    Watchdog watchdog(10s, "shell open of a lingering opener");
    TempFolder work;
    const std::string gate = work.file("gate");
    ASSERT_EQ(mkfifo(gate.c_str(), 0600), 0);
    // The opener goes on until the test opens and closes the gate.
    FakeOpener opener(0, "cat '" + gate + "' > /dev/null");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(plat::shellOpenWithin("https://velmora.example/", "", 100), plat::kShellOpenDone);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    const int writer = open(gate.c_str(), O_WRONLY); // waits for the opener to be reading
    ASSERT_GE(writer, 0);
    close(writer);
}
