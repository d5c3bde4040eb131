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
    addresses_.clear();
    current_ = 0;
    if (host.empty() || port <= 0 || port > 65535)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0)
        return false;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        Address address{};
        if (entry->ai_addrlen > sizeof address.bytes)
            continue;
        std::memcpy(address.bytes, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        address.family = entry->ai_family;
        addresses_.push_back(address);
    }
    ::freeaddrinfo(found);
    return !addresses_.empty();
}

bool ClientSocket::startConnect()
{
    return connectFrom(0);
}

bool ClientSocket::connectFrom(std::size_t first)
{
    for (current_ = first; current_ < addresses_.size(); ++current_) {
        const Address& address = addresses_[current_];
        fd_.reset(::socket(address.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd_)
            continue;
        int result;
        do {
            result = ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(address.bytes), address.length);
        } while (result != 0 && errno == EINTR);
        if (result == 0 || errno == EINPROGRESS)
            return true;
    }
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
    if (ready == SocketReady::No)
        return ready;
    // A failed connect shows as writable or as an error: the pending error tells.
    int error = 0;
    socklen_t length = sizeof error;
    if (ready == SocketReady::Yes && ::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
        error == 0)
        return SocketReady::Yes;
    return connectFrom(current_ + 1) ? SocketReady::No : SocketReady::Failed;
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
