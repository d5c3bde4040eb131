#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/core/Api.h"
#include "platform/core/UniqueFd.h"

// Client stream sockets (TCP over IPv4 or IPv6) for code that polls: a
// connect that does not block, and readiness checks that wait at most a
// given time.
namespace plat {

// This machine's host name, as the network knows it; false when it cannot be read.
[[nodiscard]] PLAT_API bool localHostName(std::string& name);

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
    [[nodiscard]] bool resolve(const std::string& host, int port);
    // Creates a non-blocking stream socket and starts connecting to the first
    // resolved address that does not refuse at once: false when none is
    // left. Completion shows as writability.
    [[nodiscard]] bool startConnect();
    // Whether the socket can be written (the connect has completed) or read,
    // waiting at most waitMs (0: just look). A connect that failed goes on
    // with the next resolved address (a name may give IPv6 and IPv4
    // addresses, and the server listen on one of them only); writing fails
    // once every address has.
    [[nodiscard]] SocketReady pollWritable(int waitMs);
    [[nodiscard]] SocketReady pollReadable(int waitMs);
    // Bytes sent (possibly fewer than size), or -1 on failure. Never raises SIGPIPE.
    [[nodiscard]] long sendSome(const void* data, std::size_t size);
    // Bytes received, 0 at the end of the stream, -1 on failure.
    [[nodiscard]] long receiveSome(void* buffer, std::size_t size);
    // Ends both directions and closes the socket.
    void shutdownAndClose();
    bool isOpen() const { return static_cast<bool>(fd_); }

private:
    SocketReady poll(short events, int waitMs);

    UniqueFd fd_;
    struct Address {
        alignas(8) unsigned char bytes[128]; // room for IPv6
        unsigned length;
        int family;
    };

    bool connectFrom(std::size_t first);

    std::vector<Address> addresses_;
    std::size_t current_ = 0; // the address being connected to
};

} // namespace plat
