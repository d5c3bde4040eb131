#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/core/Files.h"
#include "platform/core/Profile.h"
#include "support/FileText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

extern char** environ;

using velmora::test::readText;
using velmora::test::ScopedEnv;
using velmora::test::TempFolder;
using velmora::test::Watchdog;
using velmora::test::writeText;

namespace {

using Lines = std::vector<std::string>;

// The zero-separated lines of a section buffer.
Lines splitLines(const char* buffer)
{
    Lines lines;
    for (const char* line = buffer; *line != '\0'; line += std::strlen(line) + 1)
        lines.emplace_back(line);
    return lines;
}

Lines readSection(const std::string& file, const char* section, uint32_t size = 16384)
{
    std::vector<char> buffer(size + 2, '\x7f');
    uint32_t length = plat::getProfileSection(section, buffer.data(), size, file.c_str());
    EXPECT_LE(length + 1, size);
    return splitLines(buffer.data());
}

// A section text: the lines, each with its zero, and one more zero.
std::string sectionText(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + '\0';
    return text + '\0';
}

bool writeSection(const std::string& file, const char* section, const Lines& lines)
{
    return plat::writeProfileSection(section, sectionText(lines).c_str(), file.c_str());
}

// Runs body in a child process and returns its exit status (-1 when it did
// not exit).
int runInChild(const std::function<int()>& body, bool unprivileged)
{
    pid_t pid = fork();
    if (pid == 0) {
        // As root, become "nobody" so that file permissions hold.
        if (unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(98);
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runUnprivileged(const std::function<int()>& body)
{
    return runInChild(body, true);
}

// A temporary folder that an unprivileged child may enter.
struct SharedTempFolder : TempFolder {
    SharedTempFolder() { chmod(path().c_str(), 0755); }
};

} // namespace

TEST(ProfileRead, SkipsJunkAndFindsSectionsWithoutRegardToCase)
{
    TempFolder folder;
    const std::string file = folder.file("test.ini");
    writeText(file, "HTTP/1.1 200 OK\r\n"
                    "Content-Type: text/plain\r\n"
                    "X-Before=header\r\n"
                    "\r\n"
                    "  [ Alpha ]  ; trailing text\r\n"
                    "  Key One  =  value one  \r\n"
                    "noequals\r\n"
                    "=novalue\r\n"
                    " \t = blank key\r\n"
                    "; comment=1\r\n"
                    "  # hash=2\r\n"
                    "[broken\r\n"
                    "[broken=3\r\n"
                    "url=http://host/a?b=c=d\r\n"
                    "empty=\r\n"
                    "[beta]\r\n"
                    "b=2\r\n"
                    "[ALPHA]\r\n"
                    "dup=ignored\r\n"
                    "[gamma]\r\n"
                    "last=no final newline");

    EXPECT_EQ(readSection(file, "alpha"), (Lines{"Key One=value one", "url=http://host/a?b=c=d", "empty="}));
    EXPECT_EQ(readSection(file, "BETA"), (Lines{"b=2"}));
    EXPECT_EQ(readSection(file, "gamma"), (Lines{"last=no final newline"}));
    EXPECT_EQ(readSection(file, " gamma "), (Lines{"last=no final newline"}));
    EXPECT_TRUE(readSection(file, "missing").empty());
    EXPECT_TRUE(readSection(file, "").empty());
    EXPECT_TRUE(readSection(file, "broken").empty());
}

TEST(ProfileRead, LineEndsZeroBytesAndByteOrderMark)
{
    TempFolder folder;
    const std::string file = folder.file("ends.ini");
    writeText(file, std::string("\xEF\xBB\xBF[first]\nunix=1\n[cr]\rone=1\rtwo=2\r[zero]\r\nz=a") + '\0' +
                        "b\r\nafter=1\r\n[empty]\r\n");
    EXPECT_EQ(readSection(file, "first"), (Lines{"unix=1"}));
    EXPECT_EQ(readSection(file, "cr"), (Lines{"one=1", "two=2"}));
    EXPECT_EQ(readSection(file, "zero"), (Lines{"z=a", "after=1"}));
    EXPECT_TRUE(readSection(file, "empty").empty());
}

TEST(ProfileRead, MegabyteLinesDoNotBreakReading)
{
    TempFolder folder;
    const std::string file = folder.file("big.ini");
    const std::string big(1 << 20, 'x');
    writeText(file, "junk" + big + "\n[big]\nhuge=" + big + "\nafter=1\n[next]\nn=1\n");

    Lines whole = readSection(file, "big", 3u << 20);
    ASSERT_EQ(whole.size(), 2u);
    EXPECT_EQ(whole[0], "huge=" + big);
    EXPECT_EQ(whole[1], "after=1");

    std::vector<char> buffer(16384 + 1, '\x7f');
    EXPECT_EQ(plat::getProfileSection("big", buffer.data(), 16384, file.c_str()), 16382u);
    EXPECT_EQ(buffer[16382], '\0');
    EXPECT_EQ(buffer[16383], '\0');
    EXPECT_EQ(buffer[16384], '\x7f');
    EXPECT_EQ(splitLines(buffer.data()), (Lines{"huge=" + big.substr(0, 16382 - 5)}));
    EXPECT_EQ(readSection(file, "next"), (Lines{"n=1"}));
}

TEST(ProfileRead, SmallBuffersCutLinesAndKeepTheDoubleZero)
{
    TempFolder folder;
    const std::string file = folder.file("small.ini");
    writeText(file, "[s]\na=1\nbb=22\n[e]\n");
    // "a=1\0bb=22\0" is 10 characters, then the final zero.
    struct Case {
        uint32_t size;
        uint32_t result;
        Lines lines;
    };
    for (const Case& c :
         {Case{12, 10, {"a=1", "bb=22"}}, Case{11, 10, {"a=1", "bb=22"}}, Case{10, 8, {"a=1", "bb=2"}},
          Case{6, 4, {"a=1"}}, Case{5, 3, {"a=1"}}, Case{4, 2, {"a="}}, Case{3, 1, {"a"}}, Case{2, 0, {}}}) {
        std::vector<char> buffer(c.size + 4, '\x7f');
        EXPECT_EQ(plat::getProfileSection("s", buffer.data(), c.size, file.c_str()), c.result) << c.size;
        EXPECT_EQ(buffer[c.result], '\0') << c.size;
        if (c.size < 11) { // cut: the double zero closes the buffer
            EXPECT_EQ(buffer[c.result + 1], '\0') << c.size;
        }
        EXPECT_EQ(buffer[c.size], '\x7f') << "written past the buffer of " << c.size;
        EXPECT_EQ(splitLines(buffer.data()), c.lines) << c.size;
    }

    char one[2] = {'\x7f', '\x7f'};
    EXPECT_EQ(plat::getProfileSection("s", one, 1, file.c_str()), 0u);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(one[1], '\x7f');
    char none = '\x7f';
    EXPECT_EQ(plat::getProfileSection("s", &none, 0, file.c_str()), 0u);
    EXPECT_EQ(none, '\x7f');

    char empty[4] = {'\x7f', '\x7f', '\x7f', '\x7f'};
    EXPECT_EQ(plat::getProfileSection("e", empty, 4, file.c_str()), 0u);
    EXPECT_EQ(empty[0], '\0');
    EXPECT_EQ(empty[1], '\0');
    EXPECT_EQ(plat::getProfileSection("s", empty, 4, folder.file("missing.ini").c_str()), 0u);
    EXPECT_EQ(plat::getProfileSection(nullptr, empty, 4, file.c_str()), 0u);
    EXPECT_EQ(plat::getProfileSection("s", empty, 4, nullptr), 0u);
    EXPECT_EQ(plat::getProfileSection("s", nullptr, 4, file.c_str()), 0u);
}

TEST(ProfileRead, UnreadableFileOrFolderGivesAnEmptySection)
{
    SharedTempFolder folder;
    const std::string file = folder.file("secret.ini");
    writeText(file, "[s]\na=1\n");
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    int status = runUnprivileged([&] {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        uint32_t length = plat::getProfileSection("s", buffer, sizeof buffer, file.c_str());
        return length == 0 && buffer[0] == '\0' && buffer[1] == '\0' ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(readSection(folder.path(), "s").empty());
}

TEST(ProfileWrite, ReplacingOneSectionKeepsEverythingElseByteForByte)
{
    TempFolder folder;
    const std::string file = folder.file("keep.ini");
    writeText(file, "; top comment\r\n"
                    "[One]\r\n"
                    "x=1\r\n"
                    "\r\n"
                    "[  Mixer ]\r\n"
                    "old=1\r\n"
                    "; old comment\r\n"
                    "\r\n"
                    "[Two]\r\n"
                    "y=2");

    ASSERT_TRUE(writeSection(file, "mixer", {"a=1", "b=2"}));
    const std::string head = "; top comment\r\n"
                             "[One]\r\n"
                             "x=1\r\n"
                             "\r\n";
    EXPECT_EQ(readText(file), head + "[  Mixer ]\r\n"
                                     "a=1\r\n"
                                     "b=2\r\n"
                                     "\r\n"
                                     "[Two]\r\n"
                                     "y=2");

    ASSERT_TRUE(writeSection(file, "Three", {"z=3"}));
    EXPECT_EQ(readText(file), head + "[  Mixer ]\r\na=1\r\nb=2\r\n\r\n[Two]\r\ny=2\r\n[Three]\r\nz=3\r\n");

    ASSERT_TRUE(writeSection(file, "Two", {}));
    EXPECT_TRUE(readSection(file, "two").empty());
    EXPECT_EQ(readText(file), head + "[  Mixer ]\r\na=1\r\nb=2\r\n\r\n[Two]\r\n[Three]\r\nz=3\r\n");

    ASSERT_TRUE(plat::writeProfileSection("mixer", nullptr, file.c_str()));
    EXPECT_EQ(readText(file), head + "[Two]\r\n[Three]\r\nz=3\r\n");
    EXPECT_EQ(readSection(file, "One"), (Lines{"x=1"}));

    // Only the lock file stays beside the settings file.
    EXPECT_EQ(plat::listFolder(folder.path(), "*"), (Lines{"keep.ini", "keep.ini.lock"}));
}

TEST(ProfileWrite, NewFileAndHeaderWithoutLineEnd)
{
    TempFolder folder;
    const std::string file = folder.file("new.ini");
    ASSERT_TRUE(writeSection(file, "Velmora Audio Engine v0.1b", {"MusicBufSize=4096", "MainWndPos=10,20"}));
    EXPECT_EQ(readText(file), "[Velmora Audio Engine v0.1b]\nMusicBufSize=4096\nMainWndPos=10,20\n");
    struct stat info;
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & 0600, 0u);

    writeText(file, "[a]");
    ASSERT_TRUE(writeSection(file, "A", {"k=v"}));
    EXPECT_EQ(readText(file), "[a]\nk=v\n");

    const std::string empty = folder.file("empty.ini");
    ASSERT_TRUE(writeSection(empty, "s", {}));
    EXPECT_EQ(readText(empty), "[s]\n");
    ASSERT_TRUE(plat::writeProfileSection("gone", nullptr, folder.file("never.ini").c_str()));
    EXPECT_FALSE(plat::fileExists(folder.file("never.ini")));
}

TEST(ProfileWrite, TextCannotInjectLinesOrSections)
{
    TempFolder folder;
    const std::string file = folder.file("inject.ini");
    ASSERT_TRUE(writeSection(file, "other", {"o=1"}));
    ASSERT_TRUE(
        writeSection(file, "s", {"a=1\r\n[other]\r\nevil=1", "b=2\nc=3", "[x]=1", "  [y", "\nlost", "d=4"}));
    EXPECT_EQ(readSection(file, "s"), (Lines{"a=1", "b=2", "d=4"}));
    EXPECT_EQ(readSection(file, "other"), (Lines{"o=1"}));
    EXPECT_EQ(readText(file), "[other]\no=1\n[s]\na=1\nb=2\nd=4\n");

    EXPECT_FALSE(writeSection(file, "", {"a=1"}));
    EXPECT_FALSE(writeSection(file, "  ", {"a=1"}));
    EXPECT_FALSE(writeSection(file, "a]b", {"a=1"}));
    EXPECT_FALSE(writeSection(file, "a\nb", {"a=1"}));
    EXPECT_FALSE(writeSection(file, "a\rb", {"a=1"}));
    EXPECT_FALSE(plat::writeProfileSection(nullptr, "a=1\0", file.c_str()));
    EXPECT_FALSE(plat::writeProfileSection("s", "a=1\0", nullptr));
    EXPECT_FALSE(plat::writeProfileSection("s", "a=1\0", ""));
    EXPECT_EQ(readText(file), "[other]\no=1\n[s]\na=1\nb=2\nd=4\n");
}

TEST(ProfileWrite, FailuresLeaveTheOldFileWhole)
{
    SharedTempFolder folder;
    const std::string original = "[a]\nx=1\n[b]\ny=2\n";

    // A folder the writer may not write to.
    const std::string locked = folder.file("locked");
    ASSERT_TRUE(plat::createFolder(locked));
    writeText(locked + "/s.ini", original);
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
    EXPECT_EQ(runUnprivileged([&] { return writeSection(locked + "/s.ini", "a", {"x=2"}) ? 1 : 0; }), 0);
    ASSERT_EQ(chmod(locked.c_str(), 0755), 0);
    EXPECT_EQ(readText(locked + "/s.ini"), original);
    EXPECT_EQ(plat::listFolder(locked, "*"), (Lines{"s.ini"}));

    // A file the writer may not read: writing would lose its other sections.
    const std::string open = folder.file("open");
    ASSERT_TRUE(plat::createFolder(open));
    ASSERT_EQ(chmod(open.c_str(), 0777), 0);
    writeText(open + "/s.ini", original);
    ASSERT_EQ(chmod((open + "/s.ini").c_str(), 0), 0);
    EXPECT_EQ(runUnprivileged([&] { return writeSection(open + "/s.ini", "a", {"x=2"}) ? 1 : 0; }), 0);
    ASSERT_EQ(chmod((open + "/s.ini").c_str(), 0644), 0);
    EXPECT_EQ(readText(open + "/s.ini"), original);

    // A full disk: the file size limit makes the write fail half way.
    const std::string full = folder.file("full.ini");
    writeText(full, original);
    int status = runInChild(
        [&] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{64, 64};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 97;
            return writeSection(full, "a", {"x=" + std::string(1000, 'v')}) ? 1 : 0;
        },
        false);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readText(full), original);
    EXPECT_EQ(plat::listFolder(folder.path(), "full.ini*"), (Lines{"full.ini", "full.ini.lock"}));

    // A folder in place of the file.
    ASSERT_TRUE(plat::createFolder(folder.file("dir.ini")));
    EXPECT_FALSE(writeSection(folder.file("dir.ini"), "a", {"x=1"}));
}

TEST(ProfileWrite, KeepsThePermissionsOfTheOldFile)
{
    TempFolder folder;
    const std::string file = folder.file("mode.ini");
    writeText(file, "[a]\nx=1\n");
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    ASSERT_TRUE(writeSection(file, "a", {"x=2"}));
    struct stat info;
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(ProfileWrite, LinksStayAndOnlyRegularFilesAreTouched)
{
    Watchdog watchdog(std::chrono::seconds(10), "a FIFO for a settings file");
    TempFolder folder;
    const std::string target = folder.file("real/target.ini");
    ASSERT_TRUE(plat::createFolder(folder.file("real")));
    writeText(target, "[a]\nx=1\n[b]\ny=2\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink("real/target.ini", folder.file("link.ini").c_str()), 0);
    ASSERT_EQ(symlink("link.ini", folder.file("chain.ini").c_str()), 0);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, folder.file("real").c_str(), IN_ATTRIB | IN_MODIFY), 0);

    ASSERT_TRUE(writeSection(folder.file("chain.ini"), "a", {"x=2"}));
    EXPECT_EQ(readText(target), "[a]\nx=2\n[b]\ny=2\n");
    struct stat info;
    EXPECT_TRUE(lstat(folder.file("chain.ini").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // The new file had that mode before it was written to.
    alignas(inotify_event) char events[4096];
    ASSERT_GT(read(watch, events, sizeof events), 0);
    EXPECT_EQ(reinterpret_cast<const inotify_event*>(events)->mask, uint32_t(IN_ATTRIB));
    close(watch);

    ASSERT_EQ(mkfifo(folder.file("fifo.ini").c_str(), 0600), 0);
    EXPECT_TRUE(readSection(folder.file("fifo.ini"), "a").empty());
    EXPECT_FALSE(writeSection(folder.file("fifo.ini"), "a", {"x=1"}));
}

TEST(ProfileFolder, ConfigFolderOrderOfChoice)
{
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv own("VELMORA_CONFIG_DIR", "/cfg/own/");
        ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg/xdg");
        EXPECT_EQ(plat::configFolder(), "/cfg/own");
        EXPECT_EQ(plat::profilePath("velmoraaudioengine.ini"), "/cfg/own/velmoraaudioengine.ini");
        EXPECT_EQ(plat::profilePath("/elsewhere/list.pls"), "/elsewhere/list.pls");
        EXPECT_EQ(plat::profilePath("Plugins/list.pls"), "Plugins/list.pls");
    }
    {
        ScopedEnv own("VELMORA_CONFIG_DIR", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg/xdg");
        EXPECT_EQ(plat::configFolder(), "/cfg/xdg/velmora");
    }
    {
        ScopedEnv own("VELMORA_CONFIG_DIR", std::nullopt);
        ScopedEnv xdg("XDG_CONFIG_HOME", "");
        EXPECT_EQ(plat::configFolder(), "/home/someone/.config/velmora");
    }
    {
        ScopedEnv own("VELMORA_CONFIG_DIR", std::nullopt);
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/path");
        EXPECT_EQ(plat::configFolder(), "/home/someone/.config/velmora");
    }
    {
        ScopedEnv own("VELMORA_CONFIG_DIR", std::nullopt);
        ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv noHome("HOME", std::nullopt);
        EXPECT_FALSE(plat::configFolder().empty());
        EXPECT_NE(plat::configFolder().find("velmora"), std::string::npos);
    }
}

TEST(ProfileFolder, FirstWriteCreatesTheConfigFolder)
{
    TempFolder folder;
    ScopedEnv own("VELMORA_CONFIG_DIR", folder.file("deep/config"));
    EXPECT_TRUE(readSection("velmoraaudioengine.ini", "s").empty());
    ASSERT_TRUE(writeSection("velmoraaudioengine.ini", "s", {"k=v"}));
    EXPECT_EQ(readText(folder.file("deep/config/velmoraaudioengine.ini")), "[s]\nk=v\n");
    EXPECT_EQ(readSection("velmoraaudioengine.ini", "S"), (Lines{"k=v"}));
}

namespace {

// The lines one writer of the concurrency tests writes for round n.
Lines writerLines(int n)
{
    std::string number = std::to_string(n);
    return {"count=" + number, "a=alpha " + number, "b=beta", "c=gamma", "end=" + number};
}

// The round a section shows, 0 before its first write; -1 for a section
// that is not whole.
int roundOf(const Lines& lines)
{
    if (lines.empty())
        return 0;
    if (lines.size() != 5 || lines[0].rfind("count=", 0) != 0)
        return -1;
    int n = std::atoi(lines[0].c_str() + 6);
    return lines == writerLines(n) ? n : -1;
}

// Reads the sections while writers run: each is whole every time and never
// goes back to an earlier round (a lost write would).
void watchSections(const std::string& file, const std::vector<std::string>& sections,
                   const std::function<bool()>& writersDone)
{
    std::vector<int> seen(sections.size(), 0);
    for (;;) {
        bool done = writersDone();
        for (size_t i = 0; i < sections.size(); ++i) {
            int n = roundOf(readSection(file, sections[i].c_str()));
            ASSERT_GE(n, 0) << sections[i] << " read torn";
            ASSERT_GE(n, seen[i]) << sections[i] << " went back";
            seen[i] = n;
        }
        if (done)
            return;
    }
}

constexpr int kRounds = 200;

} // namespace

TEST(ProfileConcurrency, TwoThreadsWriteTheirSectionsOfOneFile)
{
    Watchdog watchdog(std::chrono::seconds(60), "two writing threads");
    TempFolder folder;
    const std::string file = folder.file("threads.ini");
    writeText(file, "[keep]\nk=1\n");
    std::atomic<int> finished{0};
    std::atomic<bool> failed{false};
    auto writer = [&](const char* section) {
        for (int n = 1; n <= kRounds; ++n) {
            if (!writeSection(file, section, writerLines(n)))
                failed = true;
        }
        ++finished;
    };
    std::thread first(writer, "First");
    std::thread second(writer, "Second");
    watchSections(file, {"First", "Second"}, [&] { return finished.load() == 2; });
    first.join();
    second.join();
    EXPECT_FALSE(failed.load());
    EXPECT_EQ(readSection(file, "First"), writerLines(kRounds));
    EXPECT_EQ(readSection(file, "Second"), writerLines(kRounds));
    EXPECT_EQ(readSection(file, "keep"), (Lines{"k=1"}));
    EXPECT_EQ(plat::listFolder(folder.path(), "*"), (Lines{"threads.ini", "threads.ini.lock"}));
}

TEST(ProfileConcurrency, TwoProcessesWriteTheirSectionsOfOneFile)
{
    Watchdog watchdog(std::chrono::seconds(60), "two writing processes");
    TempFolder folder;
    const std::string file = folder.file("processes.ini");
    writeText(file, "[keep]\nk=1\n");
    const std::string program = std::string(VELMORA_TEST_PROGRAMS_DIR) + "/profile_writer";
    const std::string rounds = std::to_string(kRounds);

    std::vector<pid_t> children;
    for (const char* section : {"ProcessOne", "ProcessTwo"}) {
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(file.c_str()),
                                   const_cast<char*>(section), const_cast<char*>(rounds.c_str()), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        children.push_back(pid);
    }
    std::vector<int> statuses(children.size(), -1);
    auto reap = [&] {
        bool all = true;
        for (size_t i = 0; i < children.size(); ++i) {
            if (statuses[i] >= 0)
                continue;
            int status = 0;
            pid_t got = waitpid(children[i], &status, WNOHANG);
            if (got == children[i])
                statuses[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            else
                all = false;
        }
        return all;
    };
    watchSections(file, {"ProcessOne", "ProcessTwo"}, reap);
    for (size_t i = 0; i < children.size(); ++i) {
        int status = 0;
        if (statuses[i] < 0 && waitpid(children[i], &status, 0) == children[i])
            statuses[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    EXPECT_EQ(statuses, (std::vector<int>{0, 0}));
    EXPECT_EQ(readSection(file, "ProcessOne"), writerLines(kRounds));
    EXPECT_EQ(readSection(file, "ProcessTwo"), writerLines(kRounds));
    EXPECT_EQ(readSection(file, "keep"), (Lines{"k=1"}));
}
