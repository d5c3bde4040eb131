#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "api/Protocol.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/LoopbackHttpServer.h"
#include "support/LoopbackSocket.h"
#include "support/TempFolder.h"
#include "support/TinyProxy.h"
#include "support/Watchdog.h"
#include "zkr/ApplicationUpdate.h"
#include "zkr/HttpSocket.h"

namespace {

using namespace std::chrono_literals;
using velmora::test::freePort;
using velmora::test::httpResponse;
using velmora::test::listenOnLoopback;
using velmora::test::loopbackAddress;
using velmora::test::LoopbackHttpServer;
using velmora::test::LoopbackSocket;
using velmora::test::readText;
using velmora::test::TempFolder;
using velmora::test::TinyProxy;
using velmora::test::Watchdog;
using velmora::test::writeText;
using Clock = std::chrono::steady_clock;

struct Progress {
    int code;
    std::string text;
    bool operator==(const Progress&) const = default;
};

// What the worker tells the callback, kept for the test's thread.
class ProgressLog {
public:
    static void callback(void* context, int code, const char* text)
    {
        auto* log = static_cast<ProgressLog*>(context);
        {
            std::lock_guard lock(log->mutex_);
            log->seen_.push_back({code, text != nullptr ? text : "(null)"});
        }
        log->changed_.notify_all();
    }

    std::vector<Progress> seen() const
    {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    std::vector<std::string> statusTexts() const
    {
        std::vector<std::string> texts;
        for (const Progress& progress : seen())
            if (progress.code == zkr::kHttpStatus)
                texts.push_back(progress.text);
        return texts;
    }
    // The final code (finished or failed), or 0 when none came within timeout.
    int waitForEnd(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(mutex_);
        int end = 0;
        changed_.wait_for(lock, timeout, [&] {
            for (const Progress& progress : seen_)
                if (progress.code != zkr::kHttpStatus)
                    end = progress.code;
            return end != 0;
        });
        return end;
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Progress> seen_; // guarded by mutex_
};

// Errors the socket reports through its own handler (a plain function, so
// the record is global); the worker thread reports them.
std::mutex reportedMutex;
std::vector<int> reportedCodes; // guarded by reportedMutex

void recordReported(int code, const char*)
{
    std::lock_guard lock(reportedMutex);
    reportedCodes.push_back(code);
}

std::vector<int> reported()
{
    std::lock_guard lock(reportedMutex);
    return reportedCodes;
}

const std::string kUpdateBody = "[AUTO_UPDATE_SECTION]\r\nNumFiles=1\r\nFile1=Reverb\r\n\r\n"
                                "[Reverb]\r\nname=Reverb.so\r\ndate=08/09/2026\r\nurl=http://127.0.0.1/r\r\n";

class HttpSocketTest : public testing::Test {
protected:
    void SetUp() override
    {
        {
            std::lock_guard lock(reportedMutex);
            reportedCodes.clear();
        }
        socket.progress = &ProgressLog::callback;
        socket.progressContext = &log;
        socket.setOwnHandler(&recordReported);
    }

    // Starts a download and waits for its final code (0 when none came).
    int download(const std::string& server, const std::string& document, const std::string& destination)
    {
        EXPECT_EQ(socket.get(server.c_str(), document.c_str(), destination.c_str()),
                  toWire(engine::Error::Ok));
        int end = log.waitForEnd(10s);
        EXPECT_TRUE(socket.waitForWorker(5000));
        return end;
    }

    // The codes that follow the status texts.
    std::vector<int> endCodes() const
    {
        std::vector<int> codes;
        for (const Progress& progress : log.seen())
            if (progress.code != zkr::kHttpStatus)
                codes.push_back(progress.code);
        return codes;
    }

    Watchdog watchdog{30s, "http socket test"};
    TempFolder folder;
    std::string destination = folder.file("qomupdate.ini");
    ProgressLog log;
    zkr::HttpSocket socket;
};

TEST_F(HttpSocketTest, DownloadStoresTheResponseAsReceivedAndReportsEachStep)
{
    // More than a few receive chunks, with bytes that text handling would spoil.
    std::string body;
    for (int i = 0; i < 5000; ++i)
        body += static_cast<char>(i % 256);
    const std::string answer = httpResponse("HTTP/1.1 200 OK", body, "application/octet-stream");
    LoopbackHttpServer server(answer);

    ASSERT_EQ(download(server.address(), "/updates/qomupdate.ini", destination), zkr::kHttpFinished);

    EXPECT_EQ(readText(destination), answer);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "GET /updates/qomupdate.ini HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                    "User-Agent: Velmora Audio Engine v0.1b\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(server.connectionCount(), 1);

    const std::vector<std::string> texts = log.statusTexts();
    ASSERT_GE(texts.size(), 6u);
    const std::vector<std::string> opening(texts.begin(), texts.begin() + 4);
    EXPECT_EQ(opening,
              (std::vector<std::string>{"Finding host...",
                                        "Connecting to host, port " + std::to_string(server.port()) + "...",
                                        "Connected...", "Getting document..."}));
    // Running totals, one per chunk of at most 1024 bytes, up to the whole answer.
    long previous = 0;
    for (std::size_t i = 4; i + 1 < texts.size(); ++i) {
        long total = 0;
        ASSERT_EQ(std::sscanf(texts[i].c_str(), "Receiving %ld Bytes...", &total), 1) << texts[i];
        EXPECT_GT(total, previous);
        EXPECT_LE(total - previous, zkr::HttpSocket::kReceiveChunk);
        previous = total;
    }
    EXPECT_EQ(previous, static_cast<long>(answer.size()));
    EXPECT_EQ(texts.back(), "Download finished (" + std::to_string(answer.size()) + " Bytes)!");
    EXPECT_EQ(endCodes(), std::vector<int>{zkr::kHttpFinished});
    EXPECT_EQ(socket.lastError, 0);
    EXPECT_TRUE(reported().empty());
}

TEST_F(HttpSocketTest, VerboseStatusNamesHostAndDocumentAndTheSocketServesAgain)
{
    const std::string answer = httpResponse("HTTP/1.0 200 OK", kUpdateBody);
    LoopbackHttpServer server(answer);
    const std::string document = server.address() + "/qomupdate.ini";

    ASSERT_EQ(download(server.address(), "/first", destination), zkr::kHttpFinished);
    socket.verbose = true;
    ASSERT_EQ(download(server.address(), document, destination), zkr::kHttpFinished);

    EXPECT_EQ(readText(destination), answer);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].substr(0, server.requests()[1].find('\r')),
              "GET " + document + " HTTP/1.1");
    const std::vector<std::string> texts = log.statusTexts();
    const std::vector<std::string> opening{
        "Finding host 127.0.0.1...", "Connecting to 127.0.0.1, port " + std::to_string(server.port()) + "...",
        "Connected to 127.0.0.1...", "Getting document " + document + "..."};
    auto found = std::search(texts.begin(), texts.end(), opening.begin(), opening.end());
    EXPECT_NE(found, texts.end()) << "verbose texts missing";
    EXPECT_EQ(texts.back(), "Download finished (" + std::to_string(answer.size()) + " Bytes)!");
    EXPECT_EQ(endCodes(), (std::vector<int>{zkr::kHttpFinished, zkr::kHttpFinished}));
}

// An error page is a finished download; the stored status line is what the
// user is shown, since the file is no description.
TEST_F(HttpSocketTest, NotFoundAnswerIsStoredWholeAndNamedByItsStatusLine)
{
    const std::string answer =
        httpResponse("HTTP/1.0 404 Not Found", "<html><body>gone</body></html>\n", "text/html");
    LoopbackHttpServer server(answer);

    ASSERT_EQ(download(server.address(), "/qomupdate.ini", destination), zkr::kHttpFinished);

    EXPECT_EQ(readText(destination), answer);
    zkr::ApplicationUpdate update;
    EXPECT_FALSE(update.evaluate(destination.c_str(), folder.path().c_str()));
    EXPECT_EQ(zkr::ApplicationUpdate::firstLine(destination.c_str()), "HTTP/1.0 404 Not Found");
}

TEST_F(HttpSocketTest, CancelEndsAWaitForASilentServerWithinOnePoll)
{
    LoopbackHttpServer server(LoopbackHttpServer::Mode::Hold, "");
    ASSERT_EQ(socket.get(server.address().c_str(), "/qomupdate.ini", destination.c_str()),
              toWire(engine::Error::Ok));
    ASSERT_TRUE(server.waitForRequests(1, 5s));

    const auto cancelled = Clock::now();
    socket.cancel();
    ASSERT_EQ(log.waitForEnd(6s), zkr::kHttpFailed);
    ASSERT_TRUE(socket.waitForWorker(5000));
    EXPECT_LT(Clock::now() - cancelled, 4s);

    EXPECT_EQ(socket.lastError, toWire(engine::Error::SocketCanceled));
    EXPECT_EQ(reported(), std::vector<int>{toWire(engine::Error::SocketCanceled)});
    EXPECT_EQ(endCodes(), std::vector<int>{zkr::kHttpFailed});
    EXPECT_EQ(log.statusTexts().back(), "Getting document...");
}

// A listener whose queue is full drops further connection attempts, so a
// connect stays pending as behind a firewall.
TEST_F(HttpSocketTest, CancelEndsAConnectThatGetsNoAnswer)
{
    const LoopbackSocket listener = listenOnLoopback(0, 0);
    ASSERT_TRUE(listener);
    const sockaddr_in address = loopbackAddress(listener.port);
    std::vector<plat::UniqueFd> fillers;
    for (int i = 0; i < 2; ++i) {
        fillers.emplace_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        ::connect(fillers.back().get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    // The first filler's connect completing shows the queue taken.
    pollfd connected{fillers.front().get(), POLLOUT, 0};
    ASSERT_EQ(::poll(&connected, 1, 5000), 1);

    const std::string server = "http://127.0.0.1:" + std::to_string(listener.port);
    const std::string connecting = "Connecting to host, port " + std::to_string(listener.port) + "...";
    ASSERT_EQ(socket.get(server.c_str(), "/qomupdate.ini", destination.c_str()), toWire(engine::Error::Ok));
    ASSERT_TRUE(velmora::test::eventually([&] {
        const std::vector<std::string> texts = log.statusTexts();
        return !texts.empty() && texts.back() == connecting;
    }));
    const auto cancelled = Clock::now();
    socket.cancel();
    ASSERT_EQ(log.waitForEnd(6s), zkr::kHttpFailed);
    ASSERT_TRUE(socket.waitForWorker(5000));
    EXPECT_LT(Clock::now() - cancelled, 4s);

    EXPECT_EQ(reported(), std::vector<int>{toWire(engine::Error::SocketCanceled)});
    EXPECT_EQ(log.statusTexts().back(), connecting);
}

TEST_F(HttpSocketTest, DestroyingTheSocketGivesUpARunningDownload)
{
    LoopbackHttpServer server(LoopbackHttpServer::Mode::Hold, "");
    auto owned = std::make_unique<zkr::HttpSocket>();
    owned->silent = true;
    ASSERT_EQ(owned->get(server.address().c_str(), "/qomupdate.ini", destination.c_str()),
              toWire(engine::Error::Ok));
    ASSERT_TRUE(server.waitForRequests(1, 5s));

    const auto closing = Clock::now();
    owned.reset();
    EXPECT_LT(Clock::now() - closing, 4s);
}

TEST_F(HttpSocketTest, GetRefusesWhileRunningAndTextsTooLong)
{
    LoopbackHttpServer server(LoopbackHttpServer::Mode::Hold, "");
    const std::string tooLong(zkr::HttpSocket::kTextSize, 'd');
    EXPECT_EQ(socket.get(server.address().c_str(), tooLong.c_str(), destination.c_str()),
              toWire(engine::Error::IndexOutOfRange));

    ASSERT_EQ(socket.get(server.address().c_str(), "/qomupdate.ini", destination.c_str()),
              toWire(engine::Error::Ok));
    EXPECT_EQ(socket.get(server.address().c_str(), "/other.ini", folder.file("other").c_str()),
              toWire(engine::Error::NotNow));
    ASSERT_TRUE(server.waitForRequests(1, 5s));
    socket.cancel();
    ASSERT_EQ(log.waitForEnd(6s), zkr::kHttpFailed);
    ASSERT_TRUE(socket.waitForWorker(5000));

    // The refused call changed nothing: one connection, for the first document.
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(server.requests()[0].substr(0, 23), "GET /qomupdate.ini HTTP");
    EXPECT_EQ(reported(), std::vector<int>{toWire(engine::Error::SocketCanceled)});
}

TEST_F(HttpSocketTest, UnknownHostFailsBeforeConnecting)
{
    ASSERT_EQ(download("http://:80", "/qomupdate.ini", destination), zkr::kHttpFailed);

    EXPECT_EQ(log.statusTexts(), std::vector<std::string>{"Finding host..."});
    EXPECT_EQ(reported(), std::vector<int>{toWire(engine::Error::UnknownHost)});
    EXPECT_EQ(socket.lastError, toWire(engine::Error::UnknownHost));
    EXPECT_EQ(endCodes(), std::vector<int>{zkr::kHttpFailed});
}

TEST_F(HttpSocketTest, RefusedConnectionFailsInsteadOfWaitingForever)
{
    // Bound once, then closed: connections are refused.
    const int port = freePort();
    ASSERT_NE(port, 0);

    const auto started = Clock::now();
    ASSERT_EQ(download("http://127.0.0.1:" + std::to_string(port), "/qomupdate.ini", destination),
              zkr::kHttpFailed);
    EXPECT_LT(Clock::now() - started, 4s);

    EXPECT_EQ(reported(), std::vector<int>{toWire(engine::Error::SocketInternal)});
    const std::vector<std::string> texts = log.statusTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Connected..."), 0);
}

TEST_F(HttpSocketTest, DestinationThatCannotBeOpenedFails)
{
    LoopbackHttpServer server(httpResponse("HTTP/1.0 200 OK", kUpdateBody));
    const std::string unwritable = folder.file("missing-folder/qomupdate.ini");

    ASSERT_EQ(download(server.address(), "/qomupdate.ini", unwritable), zkr::kHttpFailed);

    EXPECT_EQ(reported(), std::vector<int>{toWire(engine::Error::WriteFailed)});
    EXPECT_EQ(log.statusTexts().back(), "Connected...");
    EXPECT_TRUE(server.requests().empty());
}

// A link planted where others may link to our files must not get them written.
TEST_F(HttpSocketTest, AnAnswerPastTheSizeLimitFailsAndALinkedDestinationIsNeverWritten)
{
    LoopbackHttpServer server(
        httpResponse("HTTP/1.0 200 OK", std::string(zkr::HttpSocket::kMaxResponseSize, 'x')));
    ASSERT_EQ(download(server.address(), "/qomupdate.ini", destination), zkr::kHttpFailed);
    EXPECT_LE(std::filesystem::file_size(destination), zkr::HttpSocket::kMaxResponseSize);

    writeText(folder.file("linked"), "kept");
    std::filesystem::create_hard_link(folder.file("linked"), folder.file("planted"));
    ASSERT_EQ(download(server.address(), "/qomupdate.ini", folder.file("planted")), zkr::kHttpFailed);
    EXPECT_EQ(readText(folder.file("linked")), "kept");
    EXPECT_EQ(reported(),
              (std::vector<int>{toWire(engine::Error::SocketReceive), toWire(engine::Error::WriteFailed)}));
}

TEST_F(HttpSocketTest, DownloadThroughProxyReachesTheServer)
{
    TinyProxy proxy;
    ASSERT_TRUE(proxy.running()) << proxy.failure();
    const std::string answer = httpResponse("HTTP/1.0 200 OK", kUpdateBody);
    LoopbackHttpServer server(answer);
    const std::string document = server.address() + "/qomupdate.ini";
    socket.setProxy(proxy.address().c_str());

    ASSERT_EQ(download(server.address(), document, destination), zkr::kHttpFinished) << proxy.log();

    const std::vector<std::string> texts = log.statusTexts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[1], "Connecting to proxy, port " + std::to_string(proxy.port()) + "...");
    // The proxy passes the request on in its own words, the agent kept.
    ASSERT_EQ(server.requests().size(), 1u) << proxy.log();
    const std::string request = server.requests()[0];
    EXPECT_EQ(request.substr(0, request.find('\r')), "GET /qomupdate.ini HTTP/1.1");
    EXPECT_NE(request.find("\r\nUser-Agent: Velmora Audio Engine v0.1b\r\n"), std::string::npos) << request;
    // The proxy adds a header of its own; status line and body arrive unchanged.
    const std::string stored = readText(destination);
    EXPECT_EQ(stored.substr(0, stored.find('\r')), "HTTP/1.0 200 OK");
    ASSERT_GE(stored.size(), kUpdateBody.size());
    EXPECT_EQ(stored.substr(stored.size() - kUpdateBody.size()), kUpdateBody);
    zkr::ApplicationUpdate update;
    EXPECT_TRUE(update.evaluate(destination.c_str(), folder.path().c_str()));
    EXPECT_EQ(update.entries.count, 1);
}

} // namespace
