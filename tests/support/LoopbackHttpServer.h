#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/core/UniqueFd.h"
#include "support/LoopbackSocket.h"

namespace velmora::test {

// A whole HTTP/1.0 response with a Content-Length, for the canned answer.
inline std::string httpResponse(const std::string& statusLine, const std::string& body,
                                const std::string& contentType = "text/plain")
{
    return statusLine + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// A small HTTP server on 127.0.0.1 (an ephemeral port) with a thread of its
// own. In Answer mode it reads each request up to its blank line, sends the
// canned bytes and closes; in Hold mode it accepts and never answers. The
// destructor stops and joins the thread; every wait is a poll with a short
// time-out, so nothing here can hang.
//
// Threads: the server thread owns the sockets; requests_ and the connection
// count are guarded by mutex_ (the owner's thread reads them).
class LoopbackHttpServer {
public:
    enum class Mode { Answer, Hold };

    explicit LoopbackHttpServer(std::string answer) : LoopbackHttpServer(Mode::Answer, std::move(answer)) {}
    LoopbackHttpServer(Mode mode, std::string answer) : mode_(mode), answer_(std::move(answer))
    {
        LoopbackSocket listener = listenOnLoopback(0, 16, SOCK_NONBLOCK);
        if (!listener)
            std::abort();
        listener_ = std::move(listener.fd);
        port_ = listener.port;
        thread_ = std::thread([this] { run(); });
    }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;
    ~LoopbackHttpServer()
    {
        stop_.store(true);
        thread_.join();
    }

    int port() const { return port_; }
    // "http://127.0.0.1:<port>", the server address a client is given.
    std::string address() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // Every request read so far, up to and including its blank line (or what
    // came before the client closed).
    std::vector<std::string> requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int connectionCount() const
    {
        std::lock_guard lock(mutex_);
        return connections_;
    }
    // True once at least count connections were accepted, within timeout.
    bool waitForConnections(int count, std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return connections_ >= count; });
    }
    // True once at least count requests were read, within timeout.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
    }

private:
    static constexpr int kPollMs = 20;

    enum class Stage { Reading, Sending, Draining, Holding };
    struct Connection {
        plat::UniqueFd fd;
        std::string request;
        std::size_t sent = 0;
        Stage stage = Stage::Reading;
    };

    void run()
    {
        std::list<Connection> open;
        while (!stop_.load()) {
            std::vector<pollfd> watched;
            watched.push_back({listener_.get(), POLLIN, 0});
            for (Connection& connection : open)
                watched.push_back({connection.fd.get(),
                                   static_cast<short>(connection.stage == Stage::Sending ? POLLOUT : POLLIN),
                                   0});
            if (::poll(watched.data(), watched.size(), kPollMs) <= 0)
                continue;
            if (watched[0].revents & POLLIN)
                acceptAll(open);
            std::size_t index = 1;
            for (auto it = open.begin(); it != open.end(); ++index) {
                // Connections accepted just now were not polled yet.
                if (index >= watched.size())
                    break;
                if (watched[index].revents == 0 || service(*it))
                    ++it;
                else
                    it = open.erase(it);
            }
        }
    }

    void acceptAll(std::list<Connection>& open)
    {
        for (;;) {
            int fd = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0)
                return;
            open.emplace_back().fd.reset(fd);
            {
                std::lock_guard lock(mutex_);
                ++connections_;
            }
            changed_.notify_all();
        }
    }

    // One step of a connection that the poll found ready; false when it is done.
    bool service(Connection& connection)
    {
        char buffer[4096];
        switch (connection.stage) {
        case Stage::Reading:
        case Stage::Holding: {
            long received = ::recv(connection.fd.get(), buffer, sizeof buffer, 0);
            if (received < 0 && (errno == EAGAIN || errno == EINTR))
                return true;
            if (received <= 0) {
                if (connection.stage == Stage::Reading && !connection.request.empty())
                    record(connection.request);
                return false;
            }
            if (connection.stage == Stage::Holding)
                return true;
            connection.request.append(buffer, static_cast<std::size_t>(received));
            std::size_t end = requestEnd(connection.request);
            if (end == std::string::npos)
                return true;
            connection.request.resize(end);
            record(connection.request);
            connection.stage = mode_ == Mode::Hold ? Stage::Holding : Stage::Sending;
            return true;
        }
        case Stage::Sending: {
            long sent = ::send(connection.fd.get(), answer_.data() + connection.sent,
                               answer_.size() - connection.sent, MSG_NOSIGNAL);
            if (sent < 0)
                return errno == EAGAIN || errno == EINTR;
            connection.sent += static_cast<std::size_t>(sent);
            if (connection.sent < answer_.size())
                return true;
            // Half-close and wait for the client's close, so that unread
            // bytes never turn the close into a reset that loses the answer.
            ::shutdown(connection.fd.get(), SHUT_WR);
            connection.stage = Stage::Draining;
            return true;
        }
        case Stage::Draining: {
            long received = ::recv(connection.fd.get(), buffer, sizeof buffer, 0);
            return received > 0 || (received < 0 && (errno == EAGAIN || errno == EINTR));
        }
        }
        return false;
    }

    // Where the request's blank line ends (CRLF or bare LF line ends).
    static std::size_t requestEnd(const std::string& request)
    {
        std::size_t crlf = request.find("\r\n\r\n");
        std::size_t lf = request.find("\n\n");
        std::size_t end = std::string::npos;
        if (crlf != std::string::npos)
            end = crlf + 4;
        if (lf != std::string::npos && lf + 2 < end)
            end = lf + 2;
        return end;
    }

    void record(const std::string& request)
    {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        changed_.notify_all();
    }

    const Mode mode_;
    const std::string answer_;
    plat::UniqueFd listener_;
    int port_ = 0;
    std::atomic<bool> stop_{false};

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> requests_; // guarded by mutex_
    int connections_ = 0;               // guarded by mutex_

    std::thread thread_;
};

} // namespace velmora::test
