#include "zkr/HttpSocket.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/Handle.h"
#include "zkr/Text.h"

namespace zkr {

namespace {

bool fits(const char* text)
{
    return text != nullptr && std::strlen(text) < HttpSocket::kTextSize;
}

} // namespace

HttpSocket::HttpSocket()
{
    kind = kKindHttpSocket;
}

HttpSocket::~HttpSocket()
{
    cancel();
    (void)waitForWorker(plat::kInfinite); // without a time limit it answers only once the worker ended
}

bool HttpSocket::parseAddress(const char* address, char* host, int32_t& port, int32_t defaultPort)
{
    host[0] = '\0';
    int parsedPort = defaultPort;
    if (address == nullptr || std::sscanf(address, "http://%255[^:/]:%d", host, &parsedPort) < 1) {
        host[0] = '\0';
        return false;
    }
    port = parsedPort;
    return port > 0 && port <= 65535;
}

void HttpSocket::setProxy(const char* address)
{
    copyText(proxyAddress, address);
    useProxy = true;
}

int HttpSocket::get(const char* server, const char* document, const char* destination)
{
    if (running.load())
        return toWire(engine::Error::NotNow);
    if (!fits(server) || !fits(document) || destination == nullptr)
        return toWire(engine::Error::IndexOutOfRange);
    // The last worker has reported its end; collect it before starting anew.
    (void)waitForWorker(plat::kInfinite);
    copyText(serverAddress, server);
    copyText(documentAddress, document);
    destinationPath = destination;
    cancelFlag.store(0);
    running.store(true);
    if (!worker.create(&HttpSocket::workerRoutine, this)) {
        running.store(false);
        return toWire(engine::Error::SocketInternal);
    }
    if (!worker.resume()) {
        // A thread that never ran would be waited for in vain.
        plat::closeHandle(worker.handle);
        worker.handle = nullptr;
        running.store(false);
        return toWire(engine::Error::SocketInternal);
    }
    return toWire(engine::Error::Ok);
}

bool HttpSocket::waitForWorker(uint32_t timeoutMs)
{
    if (worker.handle == nullptr)
        return true;
    if (!worker.wait(timeoutMs))
        return false;
    plat::closeHandle(worker.handle);
    worker.handle = nullptr;
    return true;
}

void HttpSocket::setError(int code)
{
    ObjectBase::setError(code);
    report(kHttpFailed, nullptr);
}

uint32_t HttpSocket::workerRoutine(void* parameter)
{
    auto* self = static_cast<HttpSocket*>(parameter);
    const int result = self->download();
    self->socket.shutdownAndClose();
    if (result != toWire(engine::Error::Ok))
        self->setError(result);
    else
        self->report(kHttpFinished, nullptr);
    self->running.store(false);
    return 0;
}

void HttpSocket::report(int code, const char* text)
{
    if (progress != nullptr)
        progress(progressContext, code, text);
}

void HttpSocket::status(const char* format, ...)
{
    char text[kTextSize * 2];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    report(kHttpStatus, text);
}

int HttpSocket::download()
{
    std::string hostName;
    if (!plat::localHostName(hostName))
        return toWire(engine::Error::SocketInit);
    copyText(localHost, hostName.c_str());
    if (const int failed = connectToServer(); failed != toWire(engine::Error::Ok))
        return failed;
    if (const int failed = fetchDocument(); failed != toWire(engine::Error::Ok))
        return failed;
    return toWire(engine::Error::Ok);
}

int HttpSocket::connectToServer()
{
    const char* address = useProxy ? proxyAddress : serverAddress;
    connectPort = kDefaultPort;
    const bool parsed = parseAddress(address, connectHost, connectPort);
    if (verbose)
        status("Finding host %s...", connectHost);
    else
        status("Finding host...");
    if (!parsed || !socket.resolve(connectHost, connectPort))
        return toWire(engine::Error::UnknownHost);

    if (verbose)
        status("Connecting to %s, port %i...", connectHost, connectPort);
    else if (useProxy)
        status("Connecting to proxy, port %i...", connectPort);
    else
        status("Connecting to host, port %i...", connectPort);
    // A connect refused at once fails like one refused later: as an internal
    // error, since the system has no text of its own for it.
    if (!socket.startConnect())
        return toWire(engine::Error::SocketInternal);
    for (;;) {
        if (cancelFlag.load() != 0)
            return toWire(engine::Error::SocketCanceled);
        const plat::SocketReady ready = socket.pollWritable(kPollWaitMs);
        if (ready == plat::SocketReady::Yes)
            break;
        if (ready == plat::SocketReady::Failed)
            return toWire(engine::Error::SocketInternal);
    }
    if (verbose)
        status("Connected to %s...", connectHost);
    else
        status("Connected...");
    return toWire(engine::Error::Ok);
}

int HttpSocket::fetchDocument()
{
    // The temporary folder may be shared with other users: the file is made
    // private, and a link or someone else's file put there is refused.
    plat::UniqueFd file(plat::createPrivateFile(destinationPath));
    if (!file)
        return toWire(engine::Error::WriteFailed);
    if (verbose)
        status("Getting document %s...", documentAddress);
    else
        status("Getting document...");

    // The Host header names the server, also when the request goes through a proxy.
    char serverHost[kTextSize];
    int32_t serverPort = kDefaultPort;
    // The address was parsed to connect (directly) or is the proxy's to judge: an empty host is sent as it
    // is.
    (void)parseAddress(serverAddress, serverHost, serverPort);
    char request[kTextSize * 4];
    const int length = std::snprintf(
        request, sizeof request, "GET %s HTTP/1.1\r\nHost: %s\r\nUser-Agent: %s\r\nConnection: close\r\n\r\n",
        documentAddress, serverHost, kUserAgent);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof request ||
        socket.sendSome(request, static_cast<std::size_t>(length)) != length)
        return toWire(engine::Error::SocketSend);

    char buffer[kReceiveChunk];
    long total = 0;
    for (;;) {
        if (cancelFlag.load() != 0)
            return toWire(engine::Error::SocketCanceled);
        const plat::SocketReady ready = socket.pollReadable(kPollWaitMs);
        if (ready == plat::SocketReady::No)
            continue;
        if (ready == plat::SocketReady::Failed)
            return toWire(engine::Error::SocketInternal);
        const long received = socket.receiveSome(buffer, sizeof buffer);
        if (received < 0)
            return toWire(engine::Error::SocketReceive);
        if (received == 0)
            break;
        // A description is a few kilobytes; a server that sends on and on
        // would fill the disk.
        if (static_cast<uint64_t>(total) + static_cast<uint64_t>(received) > kMaxResponseSize)
            return toWire(engine::Error::SocketReceive);
        total += received;
        status("Receiving %li Bytes...", total);
        if (!plat::writeFully(file.get(), buffer, static_cast<std::size_t>(received)))
            return toWire(engine::Error::WriteFailed);
    }
    // A close can report a delayed write error: lost data too.
    if (!file.close())
        return toWire(engine::Error::WriteFailed);
    status("Download finished (%li Bytes)!", total);
    return toWire(engine::Error::Ok);
}

} // namespace zkr
