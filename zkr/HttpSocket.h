#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/core/Socket.h"
#include "zkr/ObjectBase.h"
#include "zkr/ThreadObject.h"

namespace zkr {

// What a progress callback is told.
enum HttpProgressCode : int {
    kHttpStatus = 1,   // text: a status line for the user
    kHttpFailed = 2,   // failed or cancelled; the error has been reported
    kHttpFinished = 3, // the document is in the destination file
};

using HttpProgressCallback = void (*)(void* context, int code, const char* text);

// Downloads one document over HTTP into a file, on a worker thread of its
// own, directly or through a proxy. The destination file holds the response
// exactly as received, headers included. The worker reports through the
// progress callback: status texts, then either kHttpFinished or (after the
// error was recorded with setError, the socket errors or WriteFailed) kHttpFailed. A
// response longer than kMaxResponseSize fails with SocketReceive, the file holding no
// more than that.
//
// Threads: get, cancel and the destructor belong to the owner's thread; the
// worker reads the texts and flags set before get, and the cancel flag. The
// worker writes lastError and the connect fields: read them after
// waitForWorker. The callback runs on the worker, which is still running when
// it reports the end: a get made from the callback answers NotNow.
class HttpSocket : public ObjectBase {
public:
    static constexpr int kTextSize = 256;
    static constexpr int32_t kDefaultPort = 80;
    // How long the worker waits for the socket before it looks at the cancel flag again.
    static constexpr int kPollWaitMs = 2000;
    static constexpr int kReceiveChunk = 1024;
    // The most a response may hold, headers counted.
    static constexpr uint64_t kMaxResponseSize = 1 << 20;
    static constexpr char kUserAgent[] = "Velmora Audio Engine v0.1b";

    HttpSocket();
    // Cancels a running download and waits for the worker to end.
    ~HttpSocket() override;

    // Stores the three texts and starts the worker; returns at once. The
    // server address names the host and port to connect to
    // ("http://host[:port]"), the document address is sent in the request
    // as it stands. 0, or NotNow while a download runs, IndexOutOfRange for a text too long
    // to store, SocketInternal when the worker cannot be started.
    [[nodiscard]] int get(const char* serverAddress, const char* documentAddress,
                          const char* destinationPath);
    // Connects to the proxy (an address "http://host:port") instead of the server.
    void setProxy(const char* address);
    // Asks the worker to give up; it notices within one poll wait.
    void cancel() { cancelFlag.store(1); }
    // True once the worker has ended (or none was started), within timeoutMs.
    [[nodiscard]] bool waitForWorker(uint32_t timeoutMs);

    // Records and reports the error, then tells the callback kHttpFailed.
    void setError(int code) override;

    char localHost[kTextSize] = {};
    char connectHost[kTextSize] = {};
    int32_t connectPort = kDefaultPort;
    char proxyAddress[kTextSize] = {};
    bool useProxy = false;
    // Status texts name the host and the document.
    bool verbose = false;
    ThreadObject worker;
    char serverAddress[kTextSize] = {};
    char documentAddress[kTextSize] = {};
    std::string destinationPath;
    plat::ClientSocket socket;
    std::atomic<int32_t> cancelFlag{0};
    HttpProgressCallback progress = nullptr;
    void* progressContext = nullptr;

    // Splits "http://host[:port]..." into host (kTextSize characters) and
    // port (defaultPort when absent); false when no host can be read or the
    // port is none a connection can use.
    [[nodiscard]] static bool parseAddress(const char* address, char* host, int32_t& port,
                                           int32_t defaultPort = kDefaultPort);

private:
    static uint32_t workerRoutine(void* parameter);
    // The whole download; the error code, or 0 when finished.
    [[nodiscard]] int download();
    [[nodiscard]] int connectToServer();
    [[nodiscard]] int fetchDocument();
    void report(int code, const char* text);
    void status(const char* format, ...) __attribute__((format(printf, 2, 3)));

    std::atomic<bool> running{false};
};

} // namespace zkr
