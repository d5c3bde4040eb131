#include "platform/core/Socket.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace plat {

bool localHostName(std::string& name)
{
    char buffer[256];
    if (::gethostname(buffer, sizeof buffer) != 0)
        return false;
    buffer[sizeof buffer - 1] = '\0';
    name = buffer;
    return true;
}

bool ClientSocket::resolve(const std::string& host, int port)
{
    addressLength_ = 0;
    if (host.empty() || port <= 0 || port > 65535)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr)
        return false;
    bool resolved = false;
    if (found->ai_addrlen <= sizeof address_) {
        std::memcpy(address_, found->ai_addr, found->ai_addrlen);
        addressLength_ = found->ai_addrlen;
        family_ = found->ai_family;
        resolved = true;
    }
    ::freeaddrinfo(found);
    return resolved;
}

bool ClientSocket::startConnect()
{
    if (addressLength_ == 0)
        return false;
    fd_.reset(::socket(family_, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd_)
        return false;
    const auto* address = reinterpret_cast<const sockaddr*>(address_);
    int result;
    do {
        result = ::connect(fd_.get(), address, addressLength_);
    } while (result != 0 && errno == EINTR);
    if (result == 0 || errno == EINPROGRESS)
        return true;
    fd_.reset();
    return false;
}

SocketReady ClientSocket::poll(short events, int waitMs)
{
    if (!fd_)
        return SocketReady::Failed;
    pollfd entry{fd_.get(), events, 0};
    int result;
    do {
        result = ::poll(&entry, 1, waitMs);
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return SocketReady::Failed;
    if (result == 0)
        return SocketReady::No;
    if ((entry.revents & POLLNVAL) != 0)
        return SocketReady::Failed;
    // A peer that closed still reads (its last bytes, then the end); an error
    // state does not write.
    if ((entry.revents & events) != 0 && (events == POLLIN || (entry.revents & POLLERR) == 0))
        return SocketReady::Yes;
    if ((entry.revents & (POLLERR | POLLHUP)) != 0)
        return events == POLLIN ? SocketReady::Yes : SocketReady::Failed;
    return SocketReady::No;
}

SocketReady ClientSocket::pollWritable(int waitMs)
{
    const SocketReady ready = poll(POLLOUT, waitMs);
    if (ready != SocketReady::Yes)
        return ready;
    // Writable also after a failed connect: the pending error tells them apart.
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return SocketReady::Failed;
    return SocketReady::Yes;
}

SocketReady ClientSocket::pollReadable(int waitMs)
{
    return poll(POLLIN, waitMs);
}

long ClientSocket::sendSome(const void* data, std::size_t size)
{
    if (!fd_)
        return -1;
    ssize_t sent;
    do {
        sent = ::send(fd_.get(), data, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return static_cast<long>(sent);
}

long ClientSocket::receiveSome(void* buffer, std::size_t size)
{
    if (!fd_)
        return -1;
    ssize_t received;
    do {
        received = ::recv(fd_.get(), buffer, size, 0);
    } while (received < 0 && errno == EINTR);
    return static_cast<long>(received);
}

void ClientSocket::shutdownAndClose()
{
    if (fd_)
        ::shutdown(fd_.get(), SHUT_RDWR);
    fd_.reset();
}

} // namespace plat
