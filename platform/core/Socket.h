#pragma once

#include <cstddef>
#include <string>

#include "platform/core/Api.h"
#include "platform/core/UniqueFd.h"

// Client stream sockets (TCP over IPv4 or IPv6) for code that polls: a
// connect that does not block, and readiness checks that wait at most a
// given time.
namespace plat {

// This machine's host name, as the network knows it; false when it cannot be read.
PLAT_API bool localHostName(std::string& name);

enum class SocketReady {
    No,     // not yet
    Yes,    // ready
    Failed, // the poll failed, or the socket has an error (a refused connect)
};

class PLAT_API ClientSocket {
public:
    ClientSocket() = default;
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;
    ~ClientSocket() = default; // UniqueFd closes

    // Resolves host (a name or a numeric address) for port: false when it
    // names no address. Blocks while the resolver asks.
    bool resolve(const std::string& host, int port);
    // Creates a non-blocking stream socket for the resolved address and
    // starts connecting: false when the socket cannot be made or the connect
    // failed at once. Completion shows as writability.
    bool startConnect();
    // Whether the socket can be written (the connect has completed) or read,
    // waiting at most waitMs (0: just look).
    SocketReady pollWritable(int waitMs);
    SocketReady pollReadable(int waitMs);
    // Bytes sent (possibly fewer than size), or -1 on failure. Never raises SIGPIPE.
    long sendSome(const void* data, std::size_t size);
    // Bytes received, 0 at the end of the stream, -1 on failure.
    long receiveSome(void* buffer, std::size_t size);
    // Ends both directions and closes the socket.
    void shutdownAndClose();
    bool isOpen() const { return static_cast<bool>(fd_); }

private:
    SocketReady poll(short events, int waitMs);

    UniqueFd fd_;
    // The resolved address (room for IPv6).
    alignas(8) unsigned char address_[128] = {};
    unsigned addressLength_ = 0;
    int family_ = 0;
};

} // namespace plat
