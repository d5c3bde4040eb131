#pragma once

// TCP sockets on 127.0.0.1 for the tests' own servers and probes; no test
// reaches beyond loopback.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <utility>

#include "platform/core/UniqueFd.h"

namespace velmora::test {

// 127.0.0.1 with port (0: let bind choose).
inline sockaddr_in loopbackAddress(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// A socket and the loopback port it is bound to; an empty fd on failure.
struct LoopbackSocket {
    plat::UniqueFd fd;
    int port = 0;

    explicit operator bool() const { return static_cast<bool>(fd); }
};

// A stream socket bound to 127.0.0.1:port (0: an ephemeral port), not yet
// listening; flags adds to SOCK_CLOEXEC (e.g. SOCK_NONBLOCK).
inline LoopbackSocket bindLoopback(int port = 0, int flags = 0)
{
    plat::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0));
    sockaddr_in address = loopbackAddress(port);
    socklen_t length = sizeof address;
    if (!fd || ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return {std::move(fd), ntohs(address.sin_port)};
}

// As bindLoopback, listening with backlog.
inline LoopbackSocket listenOnLoopback(int port, int backlog, int flags = 0)
{
    LoopbackSocket socket = bindLoopback(port, flags);
    if (!socket || ::listen(socket.fd.get(), backlog) != 0)
        return {};
    return socket;
}

// A loopback port nobody listens on right now (bound once, then closed), for
// a server started later or a connect that must be refused; 0 when none can
// be had. Another process may take it meanwhile.
inline int freePort()
{
    return bindLoopback().port;
}

} // namespace velmora::test
