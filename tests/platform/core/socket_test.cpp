// Client stream sockets against listeners of the test's own on loopback.

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <cstring>
#include <string>

#include "platform/core/Socket.h"
#include "support/LoopbackSocket.h"
#include "support/Watchdog.h"

namespace {

using plat::ClientSocket;
using plat::SocketReady;
using namespace std::chrono_literals;

// Polls until the connect completes or fails (each poll waits at most 100 ms).
SocketReady connectWithin(ClientSocket& socket, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    SocketReady ready = SocketReady::No;
    while (ready == SocketReady::No && std::chrono::steady_clock::now() < deadline)
        ready = socket.pollWritable(100);
    return ready;
}

TEST(ClientSocket, ResolvingRefusesAnEmptyHostAndPortsNoConnectionCanUse)
{
    ClientSocket socket;
    EXPECT_FALSE(socket.resolve("", 80));
    EXPECT_FALSE(socket.resolve("127.0.0.1", 0));
    EXPECT_FALSE(socket.resolve("127.0.0.1", 65536));
    EXPECT_FALSE(socket.startConnect()) << "nothing resolved";
    EXPECT_TRUE(socket.resolve("127.0.0.1", 80));

    std::string name;
    ASSERT_TRUE(plat::localHostName(name));
    EXPECT_FALSE(name.empty());
}

TEST(ClientSocket, ANameWithSeveralAddressesReachesTheOneTheServerListensOn)
{
    velmora::test::Watchdog watchdog(20s, "socket test");
    // Listening on IPv4 only: "localhost" may resolve to ::1 first, which refuses.
    velmora::test::LoopbackSocket listener = velmora::test::listenOnLoopback(0, 4);
    ASSERT_TRUE(listener);

    ClientSocket socket;
    ASSERT_TRUE(socket.resolve("localhost", listener.port));
    ASSERT_TRUE(socket.startConnect());
    ASSERT_EQ(connectWithin(socket, 5s), SocketReady::Yes);

    plat::UniqueFd peer(::accept(listener.fd.get(), nullptr, nullptr));
    ASSERT_TRUE(peer);
    const char request[] = "ping";
    EXPECT_EQ(socket.sendSome(request, 4), 4);
    char received[8] = {};
    ASSERT_EQ(::recv(peer.get(), received, sizeof received, 0), 4);
    EXPECT_EQ(std::string(received, 4), "ping");

    // Nothing sent yet: a bounded wait says so.
    EXPECT_EQ(socket.pollReadable(50), SocketReady::No);
    ASSERT_EQ(::send(peer.get(), "pong", 4, 0), 4);
    peer.reset();
    ASSERT_EQ(socket.pollReadable(2000), SocketReady::Yes);
    EXPECT_EQ(socket.receiveSome(received, sizeof received), 4);
    EXPECT_EQ(std::string(received, 4), "pong");
    // The peer has gone: readable, and the end of the stream.
    ASSERT_EQ(socket.pollReadable(2000), SocketReady::Yes);
    EXPECT_EQ(socket.receiveSome(received, sizeof received), 0);

    socket.shutdownAndClose();
    EXPECT_FALSE(socket.isOpen());
    EXPECT_EQ(socket.sendSome(request, 4), -1);
    EXPECT_EQ(socket.pollReadable(0), SocketReady::Failed);
}

TEST(ClientSocket, ARefusedConnectFailsOnceEveryAddressHasRefused)
{
    velmora::test::Watchdog watchdog(20s, "socket test");
    const int port = velmora::test::freePort();
    ASSERT_NE(port, 0);
    ClientSocket socket;
    ASSERT_TRUE(socket.resolve("localhost", port));
    // Refused at once or later: either way no connection comes of it.
    if (socket.startConnect()) {
        EXPECT_EQ(connectWithin(socket, 5s), SocketReady::Failed);
    }
    EXPECT_EQ(socket.sendSome("x", 1), -1);
}

} // namespace
