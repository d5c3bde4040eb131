#include "platform/core/Shell.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/core/FileUri.h"
#include "platform/core/Files.h"
#include "platform/core/UniqueFd.h"

extern char** environ;

namespace plat {

namespace {

// Exit codes of xdg-open.
constexpr int kOpenerFileMissing = 2;

std::string searchPath()
{
    if (const char* path = std::getenv("PATH"))
        return path;
    std::string fallback(confstr(_CS_PATH, nullptr, 0), '\0');
    if (!fallback.empty()) {
        confstr(_CS_PATH, fallback.data(), fallback.size());
        fallback.pop_back(); // the terminator confstr counted
    }
    return fallback;
}

// Only absolute folders of PATH count: an opener picked up from whatever
// folder the process happens to stand in is not the desktop's.
std::string findOnPath(const std::string& program)
{
    const std::string list = searchPath();
    std::string::size_type start = 0;
    while (start <= list.size()) {
        std::string::size_type end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string folder = list.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/') {
            const std::string candidate = folder + "/" + program;
            struct stat info;
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
public:
    SpawnAttributes() { posix_spawnattr_init(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

// Waits up to limitMs for the child to end; true with its status when it did.
bool waitForChild(pid_t pid, uint32_t limitMs, int& status)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    const auto remainingMs = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    };
    const auto reaped = [&] {
        pid_t result;
        do
            result = waitpid(pid, &status, WNOHANG);
        while (result < 0 && errno == EINTR);
        return result == pid;
    };

    UniqueFd process(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    if (process.get() >= 0) {
        pollfd ended{process.get(), POLLIN, 0};
        for (;;) {
            const int ready = poll(&ended, 1, remainingMs());
            if (ready > 0 || (ready < 0 && errno != EINTR) || remainingMs() == 0)
                break;
        }
        return reaped();
    }
    // A kernel without process descriptors: look again in short steps.
    for (;;) {
        if (reaped())
            return true;
        const int left = remainingMs();
        if (left == 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 10)));
    }
}

// The opener goes on running on its own; someone has to collect its exit.
void reapLater(pid_t pid)
{
    try {
        std::thread([pid] {
            int status;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
        // No thread to spare: the child stays a zombie until the process ends.
    }
}

int resultOfExit(int status)
{
    if (!WIFEXITED(status))
        return kShellNoAssociation;
    const int code = WEXITSTATUS(status);
    if (code == 0)
        return kShellOpenDone;
    if (code == kOpenerFileMissing)
        return kShellFileNotFound;
    // 1 bad arguments, 3 no tool for the type, 4 the action failed.
    return kShellNoAssociation;
}

// Starts program (a full path) with arguments (the first is its name), its
// standard input from /dev/null, in folder when one is given and, when
// detached, in a session of its own so that it outlives ours; -1 on failure.
pid_t spawn(const std::string& program, std::vector<std::string> arguments, const std::string& folder,
            bool detached)
{
    SpawnActions actions;
    if (!folder.empty() && posix_spawn_file_actions_addchdir_np(actions.get(), folder.c_str()) != 0)
        return -1;
    // The program has no business with our standard input.
    if (posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0) != 0)
        return -1;

    // Whatever this process blocks or ignores is not the program's concern.
    SpawnAttributes attributes;
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    posix_spawnattr_setsigdefault(attributes.get(), &defaults);
    posix_spawnattr_setflags(attributes.get(),
                             static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                (detached ? POSIX_SPAWN_SETSID : 0)));

    // No shell in between: each argument arrives as it is, whatever it contains.
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(), environ) != 0)
        return -1;
    return pid;
}

} // namespace

bool hasScheme(const std::string& target)
{
    const std::string::size_type colon = target.find(':');
    if (colon == std::string::npos || colon < 2 || !std::isalpha(static_cast<unsigned char>(target[0])))
        return false;
    for (std::string::size_type i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(target[i]);
        if (!std::isalnum(c) && c != '+' && c != '.' && c != '-')
            return false;
    }
    return true;
}

int shellOpen(const std::string& target, const std::string& folder)
{
    return shellOpenWithin(target, folder, kShellOpenWaitMs);
}

int shellOpenWithin(const std::string& target, const std::string& folder, uint32_t waitLimitMs)
{
    if (!folder.empty() && !folderExists(folder))
        return kShellPathNotFound;
    if (target.empty())
        return kShellFileNotFound;

    std::string argument = target;
    if (!hasScheme(target)) {
        const bool relative = target[0] != '/';
        const std::string local = relative && !folder.empty() ? joinPath(folder, target) : target;
        if (!fileExists(local) && !folderExists(local))
            return kShellFileNotFound;
        // A file named like an option must reach the opener as a file.
        if (target[0] == '-')
            argument = "./" + target;
    }

    const std::string opener = findOnPath("xdg-open");
    if (opener.empty())
        return kShellNoAssociation;

    const pid_t pid = spawn(opener, {"xdg-open", argument}, folder, false);
    if (pid < 0)
        return kShellNoAssociation;

    int status = 0;
    if (!waitForChild(pid, waitLimitMs, status)) {
        reapLater(pid);
        return kShellOpenDone;
    }
    return resultOfExit(status);
}

int openWebPage(const std::string& target, std::string& lookedFor)
{
    lookedFor.clear();
    const int opened = shellOpen(target, "");
    // shellOpen has checked that a local page exists, so target is not empty here.
    if (opened != kShellNoAssociation)
        return opened;
    // The opener is missing, or knows no application for web pages.
    static const char* const kBrowsers[] = {
        "sensible-browser", "x-www-browser", "firefox",          "firefox-esr", "chromium",
        "chromium-browser", "google-chrome", "epiphany-browser", "konqueror",   "falkon",
    };
    // A browser may take a bare path for a search: a local page goes as a file address.
    const std::string page = !hasScheme(target) && target[0] == '/' ? fileUriOf(target) : target;
    std::vector<CommandLine> browsers;
    for (const char* browser : kBrowsers)
        browsers.push_back({browser, page});
    std::string browsersLookedFor;
    const int started = startFirstFound(browsers, browsersLookedFor);
    lookedFor = "xdg-open, " + browsersLookedFor;
    return started == kShellOpenDone ? started : kShellNoAssociation;
}

int startFirstFound(const std::vector<CommandLine>& commands, std::string& lookedFor)
{
    lookedFor.clear();
    for (const CommandLine& command : commands) {
        if (command.empty())
            continue;
        const std::string program = findOnPath(command.front());
        if (program.empty()) {
            lookedFor += (lookedFor.empty() ? "" : ", ") + command.front();
            continue;
        }
        const pid_t pid = spawn(program, command, "", true);
        if (pid < 0)
            return kShellNoAssociation;
        reapLater(pid);
        return kShellOpenDone;
    }
    return kShellFileNotFound;
}

} // namespace plat
