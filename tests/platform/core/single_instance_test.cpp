#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/SingleInstance.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

extern char** environ;

using plat::SingleInstance;
using Role = plat::SingleInstance::Role;
using velmora::test::ScopedEnv;
using velmora::test::TempFolder;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

namespace {

constexpr const char* kName = "Velmora Audio Engine just runs once";

pid_t spawn(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

int exitCodeOf(pid_t pid)
{
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Starts the peer program as a later start of the program named kName, handing
// over the given words; returns its exit code.
int runPeer(const std::vector<std::string>& words)
{
    std::vector<std::string> arguments{VELMORA_TEST_PROGRAMS_DIR "/single_instance_peer", kName};
    arguments.insert(arguments.end(), words.begin(), words.end());
    return exitCodeOf(spawn(arguments));
}

// What the first start received, filled on the listener's thread.
class Inbox {
public:
    SingleInstance::Receiver receiver(bool accept = true)
    {
        return [this, accept](const std::string& commandLine) {
            std::lock_guard lock(mutex_);
            received_.push_back(commandLine);
            return accept;
        };
    }
    std::vector<std::string> received()
    {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> received_; // guarded by mutex_
};

// A raw local connection to the first start, for peers that misbehave.
class RawPeer {
public:
    explicit RawPeer(const std::string& socketPath) : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        timeval limit{3, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;
    ~RawPeer() { close(fd_); }

    bool connected() const { return connected_; }
    void say(const std::string& bytes)
    {
        ASSERT_EQ(send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
    }
    // The answer byte, or -1 when the listener closed without one.
    int answer()
    {
        char byte = 0;
        const ssize_t got = recv(fd_, &byte, 1, 0);
        return got == 1 ? byte : -1;
    }

private:
    int fd_;
    bool connected_ = false;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    TempFolder runtime_;
    ScopedEnv runtimeEnv_{"XDG_RUNTIME_DIR", runtime_.path()};
};

} // namespace

TEST_F(SingleInstanceTest, TheSecondHolderOfANameIsTold)
{
    SingleInstance first(kName);
    SingleInstance second(kName);
    EXPECT_EQ(first.acquire(), Role::First);
    EXPECT_EQ(first.acquire(), Role::First); // asking again changes nothing
    EXPECT_EQ(second.acquire(), Role::Second);

    // Both files live in the runtime folder under a name that needs no quoting.
    for (const std::string& path : {first.lockPath(), first.socketPath()}) {
        EXPECT_EQ(std::filesystem::path(path).parent_path(), runtime_.path());
        EXPECT_EQ(path.find(' '), std::string::npos) << path;
    }
    EXPECT_EQ(first.lockPath(), second.lockPath());
    EXPECT_NE(SingleInstance("Velmora Audio Engine just runs once!").lockPath(), first.lockPath());

    // Each side does only its own part.
    Inbox inbox;
    EXPECT_FALSE(second.listen(inbox.receiver()));
    EXPECT_FALSE(first.handOver("x"));
}

TEST_F(SingleInstanceTest, WithoutARuntimeFolderTheUsersOwnFolderInTmpIsUsed)
{
    ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    const std::string expected = "/tmp/velmora-" + std::to_string(geteuid());
    EXPECT_EQ(std::filesystem::path(SingleInstance(kName).lockPath()).parent_path(), expected);
    ScopedEnv relative("XDG_RUNTIME_DIR", "run/user");
    EXPECT_EQ(std::filesystem::path(SingleInstance(kName).socketPath()).parent_path(), expected);
}

TEST_F(SingleInstanceTest, ALockFileThatCannotBeMadeFails)
{
    SingleInstance instance(kName);
    ASSERT_TRUE(std::filesystem::create_directory(instance.lockPath()));
    EXPECT_EQ(instance.acquire(), Role::Failed);
    EXPECT_FALSE(instance.listen([](const std::string&) { return true; }));
}

TEST_F(SingleInstanceTest, TheLockGoesWithItsHolderNotWithItsChildren)
{
    Watchdog watchdog(10s, "lock release");
    std::optional<SingleInstance> holder(std::in_place, kName);
    ASSERT_EQ(holder->acquire(), Role::First);
    Inbox inbox;
    ASSERT_TRUE(holder->listen(inbox.receiver()));
    std::optional<SingleInstance> waiting(std::in_place, kName);
    EXPECT_EQ(waiting->acquire(), Role::Second);

    // A program the holder started lives on; it must not keep the lock.
    const pid_t child = spawn({"sleep", "30"});
    ASSERT_GT(child, 0);
    holder.reset();
    EXPECT_EQ(waiting->acquire(), Role::First);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    // A process that ends takes its lock along.
    waiting.reset();
    EXPECT_EQ(runPeer({"a.wav"}), 2);
    EXPECT_EQ(SingleInstance(kName).acquire(), Role::First);
}

TEST_F(SingleInstanceTest, ASecondStartHandsItsCommandLineToTheFirst)
{
    Watchdog watchdog(20s, "hand-over between processes");
    SingleInstance first(kName);
    ASSERT_EQ(first.acquire(), Role::First);
    Inbox inbox;
    ASSERT_TRUE(first.listen(inbox.receiver()));
    EXPECT_FALSE(first.listen(inbox.receiver())); // once is enough

    EXPECT_EQ(runPeer({"/music/a b.mp3", "/music/c.wav"}), 0);
    EXPECT_EQ(runPeer({}), 0);
    const std::vector<std::string> received = inbox.received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], "/music/a b.mp3 /music/c.wav");
    EXPECT_EQ(received[1], "");
}

TEST_F(SingleInstanceTest, TheSecondStartLearnsWhenNothingWasDelivered)
{
    Watchdog watchdog(20s, "refused hand-over");
    SingleInstance first(kName);
    ASSERT_EQ(first.acquire(), Role::First);
    // Still starting: nobody listens yet.
    EXPECT_EQ(runPeer({"early.wav"}), 3);

    Inbox inbox;
    SingleInstance::Receiver refuse = inbox.receiver(false);
    ASSERT_TRUE(first.listen([&](const std::string& commandLine) -> bool {
        if (commandLine == "crash.wav")
            throw std::runtime_error("window gone");
        return refuse(commandLine);
    }));
    EXPECT_EQ(runPeer({"refused.wav"}), 3);
    EXPECT_EQ(runPeer({"crash.wav"}), 3);
    EXPECT_EQ(runPeer({"again.wav"}), 3); // the listener lives on
    EXPECT_EQ(inbox.received(), (std::vector<std::string>{"refused.wav", "again.wav"}));
}

TEST_F(SingleInstanceTest, LongCommandLinesArriveWholeUpToTheLimit)
{
    Watchdog watchdog(10s, "long command line");
    SingleInstance first(kName);
    ASSERT_EQ(first.acquire(), Role::First);
    Inbox inbox;
    ASSERT_TRUE(first.listen(inbox.receiver()));
    SingleInstance second(kName);
    ASSERT_EQ(second.acquire(), Role::Second);

    std::string longest(64 * 1024, 'x');
    for (std::size_t i = 0; i < longest.size(); i += 7)
        longest[i] = static_cast<char>('a' + i % 26);
    EXPECT_TRUE(second.handOver(longest));
    EXPECT_FALSE(second.handOver(longest + "y"));
    const std::vector<std::string> received = inbox.received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], longest);
}

TEST_F(SingleInstanceTest, AStaleSocketFileDoesNotStopTheNextFirst)
{
    Watchdog watchdog(10s, "stale socket");
    SingleInstance first(kName);
    // A first that died left its socket file; nothing listens on it.
    {
        const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, first.socketPath().c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(stale);
    }
    ASSERT_TRUE(std::filesystem::exists(first.socketPath()));
    ASSERT_EQ(first.acquire(), Role::First);
    Inbox inbox;
    ASSERT_TRUE(first.listen(inbox.receiver()));
    EXPECT_EQ(runPeer({"after-a-crash.wav"}), 0);
    EXPECT_EQ(inbox.received(), std::vector<std::string>{"after-a-crash.wav"});
}

TEST_F(SingleInstanceTest, MisbehavingPeersDoNotStallTheListener)
{
    Watchdog watchdog(10s, "misbehaving peers");
    SingleInstance first(kName);
    ASSERT_EQ(first.acquire(), Role::First);
    Inbox inbox;
    ASSERT_TRUE(first.listen(inbox.receiver()));

    RawPeer silent(first.socketPath());
    ASSERT_TRUE(silent.connected());
    RawPeer halfway(first.socketPath());
    ASSERT_TRUE(halfway.connected());
    halfway.say(std::string("VLM1\x10\x00\x00\x00", 8) + "only a part");

    RawPeer garbage(first.socketPath());
    garbage.say("GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(garbage.answer(), 0);
    RawPeer tooLong(first.socketPath());
    tooLong.say(std::string("VLM1\xff\xff\xff\x7f", 8));
    EXPECT_EQ(tooLong.answer(), 0);
    {
        RawPeer leaving(first.socketPath());
        leaving.say(std::string("VLM1\x05\x00", 6));
    }

    // While the silent and the halfway peers still hold their connections, a
    // real second start gets through at once.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(runPeer({"through.wav"}), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1500ms);
    EXPECT_EQ(inbox.received(), std::vector<std::string>{"through.wav"});

    // The silent one is cut off after a while, without an answer.
    EXPECT_EQ(silent.answer(), -1);
}

TEST_F(SingleInstanceTest, EndingTheFirstStopsListeningAndRemovesTheSocket)
{
    Watchdog watchdog(10s, "listener shutdown");
    std::optional<SingleInstance> first(std::in_place, kName);
    ASSERT_EQ(first->acquire(), Role::First);
    Inbox inbox;
    ASSERT_TRUE(first->listen(inbox.receiver()));
    const std::string socketPath = first->socketPath();
    ASSERT_TRUE(std::filesystem::exists(socketPath));
    RawPeer silent(socketPath); // must not keep the listener from ending

    const auto started = std::chrono::steady_clock::now();
    first.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    EXPECT_EQ(silent.answer(), -1);
    EXPECT_EQ(runPeer({"late.wav"}), 2); // the peer is first now
}

TEST_F(SingleInstanceTest, OnlyTheUsersOwnRuntimeFolderAndPeersAreTrusted)
{
    Watchdog watchdog(20s, "hand-over from another user");
    const std::filesystem::path fallback = "/tmp/velmora-" + std::to_string(geteuid());
    auto folderUsed = [] { return std::filesystem::path(SingleInstance(kName).lockPath()).parent_path(); };
    ASSERT_EQ(chmod(runtime_.path().c_str(), 0770), 0);
    EXPECT_EQ(folderUsed(), fallback);
    if (geteuid() != 0)
        GTEST_SKIP() << "another user needs root";
    ASSERT_EQ(chmod(runtime_.path().c_str(), 0711), 0);
    ASSERT_EQ(chown(runtime_.path().c_str(), 65534, 0), 0);
    EXPECT_EQ(folderUsed(), fallback);

    // Ours again, the socket reachable by mistake: a peer of another user
    // is cut off unanswered, and the listener serves the next.
    ASSERT_EQ(chown(runtime_.path().c_str(), 0, 0), 0);
    SingleInstance first(kName);
    Inbox inbox;
    ASSERT_EQ(first.acquire(), Role::First);
    ASSERT_TRUE(first.listen(inbox.receiver()));
    ASSERT_EQ(chmod(first.socketPath().c_str(), 0666), 0);
    const std::string socketPath = first.socketPath();
    const std::string message = std::string("VLM1\x0c\x00\x00\x00", 8) + "stranger.wav";
    const pid_t child = fork(); // only system calls in the child: the parent has threads
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(98);
        RawPeer stranger(socketPath);
        stranger.say(message);
        _exit(stranger.connected() && stranger.answer() == -1 ? 0 : 1);
    }
    EXPECT_EQ(exitCodeOf(child), 0);
    EXPECT_EQ(runPeer({"own.wav"}), 0);
    EXPECT_EQ(inbox.received(), std::vector<std::string>{"own.wav"});
}
