#include "platform/core/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/UniqueFd.h"

namespace plat {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A hand-over is the magic, the length (32 bits, little endian) and the
// command line's bytes; the answer is one byte, 1 delivered or 0 not.
constexpr char kMagic[4] = {'V', 'L', 'M', '1'};
constexpr std::size_t kHeaderSize = 8;
constexpr uint32_t kMaxCommandLine = 64 * 1024;
constexpr char kDelivered = 1;
constexpr char kNotDelivered = 0;

// The listener gives each peer this long to say what it has to say, and
// serves this many at once, so a silent or slow peer never holds up another.
constexpr auto kPeerTimeLimit = 2s;
constexpr std::size_t kMaxPeers = 16;
// A second start gives the first this long to connect, take the command line
// and answer (the first may be busy delivering it to its window).
constexpr auto kHandOverTimeLimit = 5s;
constexpr auto kConnectTimeLimit = 2s;

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for events on fd until the deadline; false on time-out or error.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = poll(&entry, 1, millisecondsUntil(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool fillAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A readable part of the name plus a hash of all of it, so that names told
// apart only by their punctuation or their length still get files of their own.
std::string fileStem(const std::string& name)
{
    constexpr std::size_t kReadableLength = 40;
    std::string readable;
    for (char c : name) {
        if (readable.size() == kReadableLength)
            break;
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.' || c == '_';
        readable += safe ? c : '_';
    }
    uint32_t hash = 2166136261u; // FNV-1a
    for (char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    return "velmora-" + readable + "-" + hex;
}

// A folder only this user may use: $XDG_RUNTIME_DIR when it is ours and no
// one else may write to it (it should be, but the variable is only a hint);
// else one of our own in /tmp, named after the user.
struct RuntimePlace {
    std::string folder;
    bool ownFolderInTmp = false;
};

RuntimePlace runtimePlace(const std::string& stem)
{
    const std::string folder = privateRuntimeFolder();
    const std::string socketPath = folder + "/" + stem + ".sock";
    if (!folder.empty() && socketPath.size() < sizeof(sockaddr_un::sun_path))
        return {folder, false};
    return {ownTmpFolder(), true};
}

// One connected second start, as far as it has come.
struct Peer {
    UniqueFd socket;
    std::string received;
    Clock::time_point deadline;
};

enum class Progress { Waiting, Complete, Gone, Garbage };

uint32_t lengthOf(const std::string& received)
{
    uint32_t length = 0;
    for (int i = 3; i >= 0; --i)
        length = (length << 8) | static_cast<unsigned char>(received[4 + static_cast<std::size_t>(i)]);
    return length;
}

// Reads what the peer has sent so far, never more than its request.
Progress readFrom(Peer& peer)
{
    for (;;) {
        std::size_t wanted = kHeaderSize;
        if (peer.received.size() >= 4 && std::memcmp(peer.received.data(), kMagic, 4) != 0)
            return Progress::Garbage;
        if (peer.received.size() >= kHeaderSize) {
            const uint32_t length = lengthOf(peer.received);
            if (length > kMaxCommandLine)
                return Progress::Garbage;
            wanted = kHeaderSize + length;
        }
        if (peer.received.size() == wanted)
            return Progress::Complete;

        char buffer[4096];
        const std::size_t ask = std::min(sizeof buffer, wanted - peer.received.size());
        const ssize_t got = recv(peer.socket.get(), buffer, ask, MSG_DONTWAIT);
        if (got > 0) {
            peer.received.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Progress::Waiting;
        return Progress::Gone;
    }
}

// Command lines come only from this user's own programs: a peer of another
// user (through a socket file made reachable by mistake) is not served.
bool sameUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           peer.uid == geteuid();
}

void answer(const Peer& peer, char byte)
{
    // The peer may have given up already; that is no concern of ours.
    (void)send(peer.socket.get(), &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool deliver(const SingleInstance::Receiver& receiver, const std::string& commandLine)
{
    try {
        return receiver(commandLine);
    } catch (...) {
        return false;
    }
}

// The listener thread: accepts second starts and hands their command lines
// to the receiver until a byte arrives on stopFd.
void serveHandOvers(int listenFd, int stopFd, const SingleInstance::Receiver& receiver)
{
    std::vector<Peer> peers;
    std::vector<pollfd> watched;
    for (;;) {
        watched.clear();
        watched.push_back({stopFd, POLLIN, 0});
        // A full house waits in the backlog until a place frees up.
        watched.push_back({listenFd, static_cast<short>(peers.size() < kMaxPeers ? POLLIN : 0), 0});
        int timeout = -1;
        for (const Peer& peer : peers) {
            watched.push_back({peer.socket.get(), POLLIN, 0});
            const int left = millisecondsUntil(peer.deadline);
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        if (poll(watched.data(), watched.size(), timeout) < 0 && errno != EINTR)
            return; // cannot happen with valid descriptors; ending beats spinning
        if ((watched[0].revents & POLLIN) != 0)
            return;

        std::vector<std::string> complete;
        std::vector<Peer> kept;
        for (std::size_t i = 0; i < peers.size(); ++i) {
            Peer& peer = peers[i];
            Progress progress = Progress::Waiting;
            if (watched[i + 2].revents != 0)
                progress = readFrom(peer);
            if (progress == Progress::Complete) {
                const bool delivered = deliver(receiver, peer.received.substr(kHeaderSize));
                answer(peer, delivered ? kDelivered : kNotDelivered);
            } else if (progress == Progress::Garbage) {
                answer(peer, kNotDelivered);
            } else if (progress == Progress::Waiting && Clock::now() < peer.deadline) {
                kept.push_back(std::move(peer));
            }
        }
        peers = std::move(kept);

        if ((watched[1].revents & POLLIN) != 0) {
            while (peers.size() < kMaxPeers) {
                const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd < 0)
                    break; // nobody else waiting, or the peer left already
                UniqueFd accepted(fd);
                if (!sameUser(accepted.get()))
                    continue; // closed unanswered
                peers.push_back({std::move(accepted), {}, Clock::now() + kPeerTimeLimit});
            }
        }
    }
}

bool sendAll(int fd, const std::string& bytes, Clock::time_point deadline)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

} // namespace

// The owner's thread alone calls acquire, listen, handOver and the destructor
// and touches every field here. The listener thread gets the listening socket,
// the stop pipe's reading end and the receiver when it starts (hand-off by the
// thread's start) and only reads them; the owner closes them after the join.
struct SingleInstance::State {
    std::string lockPath;
    std::string socketPath;
    std::string folder;
    bool ownFolderInTmp = false;

    Role role = Role::Failed;
    UniqueFd lock; // holds the flock while this process is the first
    UniqueFd listening;
    UniqueFd stopReader;
    UniqueFd stopWriter;
    Receiver receiver;
    std::thread listener;
    const std::thread::id owner = std::this_thread::get_id();

    void assertOwner() const { assert(owner == std::this_thread::get_id()); }
};

SingleInstance::SingleInstance(const std::string& name) : state_(std::make_unique<State>())
{
    const std::string stem = fileStem(name);
    const RuntimePlace place = runtimePlace(stem);
    state_->folder = place.folder;
    state_->ownFolderInTmp = place.ownFolderInTmp;
    state_->lockPath = place.folder + "/" + stem + ".lock";
    state_->socketPath = place.folder + "/" + stem + ".sock";
}

SingleInstance::~SingleInstance()
{
    State& s = *state_;
    s.assertOwner();
    if (s.listener.joinable()) {
        const char stop = 1;
        while (write(s.stopWriter.get(), &stop, 1) < 0 && errno == EINTR) {
        }
        s.listener.join();
    }
    if (s.listening) {
        s.listening.reset();
        // Removed while the lock is still held, so it cannot be a newer first's.
        unlink(s.socketPath.c_str());
    }
    // The lock file itself stays: removing it would let a process that has it
    // open lock a file no one else can see any more.
    s.lock.reset();
}

SingleInstance::Role SingleInstance::acquire()
{
    State& s = *state_;
    s.assertOwner();
    if (s.lock)
        return Role::First;
    s.role = Role::Failed;
    // Another user could have put a folder or a link of that name in /tmp first.
    if (s.ownFolderInTmp && !prepareOwnFolder(s.folder))
        return s.role;

    // Close-on-exec: a program we start must not keep holding our lock.
    UniqueFd file(open(s.lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    struct stat info;
    if (!file || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return s.role;
    int locked;
    do
        locked = flock(file.get(), LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked == 0) {
        s.lock = std::move(file);
        s.role = Role::First;
    } else if (errno == EWOULDBLOCK) {
        s.role = Role::Second;
    }
    return s.role;
}

bool SingleInstance::listen(Receiver receiver)
{
    State& s = *state_;
    s.assertOwner();
    if (!s.lock || s.listener.joinable() || !receiver)
        return false;
    sockaddr_un address;
    if (!fillAddress(s.socketPath, address))
        return false;

    UniqueFd listening(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listening)
        return false;
    // Left behind by a first that died: we hold the lock, so the name is ours.
    unlink(s.socketPath.c_str());
    if (bind(listening.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    if (::listen(listening.get(), static_cast<int>(kMaxPeers)) != 0) {
        unlink(s.socketPath.c_str());
        return false;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        unlink(s.socketPath.c_str());
        return false;
    }
    UniqueFd stopReader(pipeEnds[0]);
    UniqueFd stopWriter(pipeEnds[1]);

    s.receiver = std::move(receiver);
    try {
        s.listener = std::thread(serveHandOvers, listening.get(), stopReader.get(), std::cref(s.receiver));
    } catch (const std::system_error&) {
        unlink(s.socketPath.c_str());
        return false;
    }
    s.listening = std::move(listening);
    s.stopReader = std::move(stopReader);
    s.stopWriter = std::move(stopWriter);
    return true;
}

bool SingleInstance::handOver(const std::string& commandLine)
{
    State& s = *state_;
    s.assertOwner();
    if (s.role != Role::Second || commandLine.size() > kMaxCommandLine)
        return false;
    sockaddr_un address;
    if (!fillAddress(s.socketPath, address))
        return false;
    UniqueFd peer(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!peer)
        return false;

    const Clock::time_point deadline = Clock::now() + kHandOverTimeLimit;
    // A blocking connect waits for a place in a full backlog, bounded by the
    // send time-out; nobody listening fails at once.
    const timeval connectLimit{std::chrono::duration_cast<std::chrono::seconds>(kConnectTimeLimit).count(),
                               0};
    setsockopt(peer.get(), SOL_SOCKET, SO_SNDTIMEO, &connectLimit, sizeof connectLimit);
    if (connect(peer.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;

    std::string message(kMagic, sizeof kMagic);
    const auto length = static_cast<uint32_t>(commandLine.size());
    for (int shift = 0; shift < 32; shift += 8)
        message += static_cast<char>((length >> shift) & 0xFF);
    message += commandLine;
    if (!sendAll(peer.get(), message, deadline))
        return false;

    for (;;) {
        if (!waitFor(peer.get(), POLLIN, deadline))
            return false;
        char reply = kNotDelivered;
        const ssize_t got = recv(peer.get(), &reply, 1, MSG_DONTWAIT);
        if (got == 1)
            return reply == kDelivered;
        if (got == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            return false;
    }
}

std::string SingleInstance::lockPath() const
{
    return state_->lockPath;
}

std::string SingleInstance::socketPath() const
{
    return state_->socketPath;
}

} // namespace plat
