#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/core/Api.h"

// One running copy of a program per user session: an advisory lock on a file
// in $XDG_RUNTIME_DIR (else, or when that folder is not ours or others may
// write to it, in /tmp), and a local socket beside it through which a second
// start of the same user hands its command line to the first.
//
// One thread owns the object and makes every call; the receiver runs on the
// listener's thread. Lock and socket are close-on-exec, so programs started
// from here never hold them.
namespace plat {

class PLAT_API SingleInstance {
public:
    enum class Role { First, Second, Failed };
    // Called on the listener's own thread for each command line received;
    // true when it was delivered (the second start is told so).
    using Receiver = std::function<bool(const std::string& commandLine)>;

    explicit SingleInstance(const std::string& name);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance(); // stops listening, removes the socket, releases the lock

    // Takes the lock. First: this process is the only one; Second: another
    // process holds it; Failed: the lock file cannot be made.
    [[nodiscard]] Role acquire();
    // First only: starts accepting command lines from later starts.
    [[nodiscard]] bool listen(Receiver receiver);
    // Second only: sends the command line to the first process and waits a
    // bounded time for its answer; true when the first delivered it.
    [[nodiscard]] bool handOver(const std::string& commandLine);
    // The lock file's and the socket's paths (for traces and tests).
    std::string lockPath() const;
    std::string socketPath() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace plat
