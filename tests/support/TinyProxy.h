#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/core/UniqueFd.h"
#include "support/FileText.h"
#include "support/LoopbackSocket.h"
#include "support/TempFolder.h"

extern char** environ;

namespace velmora::test {

// A tinyproxy of the test's own on 127.0.0.1, run in the foreground with a
// configuration, log and nothing else in a temporary folder; killed in the
// destructor. When it cannot be started, running() is false and failure()
// says why: a test that needs it asserts running() and so fails (CI installs
// tinyproxy) instead of skipping quietly.
class TinyProxy {
public:
    TinyProxy()
    {
        std::string program = findProgram();
        if (program.empty()) {
            failure_ = "tinyproxy is not installed (apt-get install tinyproxy)";
            return;
        }
        // The free port is chosen before tinyproxy binds it; another process
        // may take it in between, so a start that fails is tried again.
        for (int attempt = 0; attempt < 3 && pid_ < 0; ++attempt)
            start(program);
    }
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;
    ~TinyProxy() { stop(); }

    bool running() const { return pid_ > 0; }
    const std::string& failure() const { return failure_; }
    int port() const { return port_; }
    // "http://127.0.0.1:<port>", the form a proxy address is given in.
    std::string address() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // What tinyproxy wrote so far (for failure messages).
    std::string log() const { return readText(folder_.file("tinyproxy.log")); }

private:
    static constexpr auto kStartLimit = std::chrono::seconds(5);
    static constexpr auto kStopLimit = std::chrono::seconds(2);

    static std::string findProgram()
    {
        for (const char* candidate : {"/usr/sbin/tinyproxy", "/usr/bin/tinyproxy",
                                      "/usr/local/sbin/tinyproxy", "/usr/local/bin/tinyproxy"})
            if (::access(candidate, X_OK) == 0)
                return candidate;
        return {};
    }

    bool accepts() const
    {
        plat::UniqueFd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address = loopbackAddress(port_);
        return probe && ::connect(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    void start(const std::string& program)
    {
        port_ = freePort();
        if (port_ == 0) {
            failure_ = "no free loopback port for tinyproxy";
            return;
        }
        // Root needs no User: tinyproxy only warns and stays the current user.
        // Without LogFile or Syslog it logs to its standard error, which goes
        // to the folder; without PidFile it writes none.
        std::string config = folder_.file("tinyproxy.conf");
        writeText(config,
                  "Port " + std::to_string(port_) +
                      "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 30\nMaxClients 8\nLogLevel Info\n");
        std::string logPath = folder_.file("tinyproxy.log");

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::string configArgument = config;
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("-d"), const_cast<char*>("-c"),
                        configArgument.data(), nullptr};
        pid_t pid = -1;
        int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            failure_ = "cannot start " + program + ": error " + std::to_string(spawned);
            return;
        }

        auto limit = std::chrono::steady_clock::now() + kStartLimit;
        while (std::chrono::steady_clock::now() < limit) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                failure_ = program + " ended before accepting connections; its log:\n" + log();
                return;
            }
            if (accepts()) {
                pid_ = pid;
                failure_.clear();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = pid;
        stop();
        failure_ =
            program + " accepted no connection on port " + std::to_string(port_) + "; its log:\n" + log();
    }

    void stop()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        auto limit = std::chrono::steady_clock::now() + kStopLimit;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= limit) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }

    TempFolder folder_;
    std::string failure_;
    int port_ = 0;
    pid_t pid_ = -1;
};

} // namespace velmora::test
