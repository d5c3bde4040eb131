#include "plugins/brolet/Broadcaster.h"

#include <dlfcn.h>
#include <pthread.h>
#include <shout/shout.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

namespace brolet {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kBytesPerSecond = 176400;
constexpr int kBytesPerFrame = 4;
constexpr int kMinimumSlots = 4;
// How often the broadcast thread looks at an empty ring: well under a block.
constexpr auto kRingPoll = std::chrono::milliseconds(5);
constexpr auto kWaitSlice = std::chrono::milliseconds(100);
constexpr auto kConnectTimeout = std::chrono::seconds(5);
// A queue the network has not taken for this long means the connection is gone.
constexpr auto kStallLimit = std::chrono::seconds(10);
// Unsent bytes beyond which the ring is left to fill (and drop) rather than
// the queue grow: a few seconds of the highest bit rates.
constexpr ssize_t kMaxQueuedBytes = 256 * 1024;
constexpr auto kListenerPoll = std::chrono::seconds(5);
constexpr int kStatusPageTimeoutMs = 1000;
// Where the credentials are tried when the mount is taken.
constexpr char kTrialMountSuffix[] = "-velmora-login-check";
// The end of a stopped stream gets this long to reach the server.
constexpr auto kCloseGrace = std::chrono::seconds(2);

int64_t nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(Clock::now().time_since_epoch()).count();
}

// The sending and encoding libraries stay mapped once the output has been
// loaded: the TLS library under libshout keeps process-wide state that its
// exit handlers free, which an unloaded output would take away with it.
const bool kLibrariesKept = [] {
    for (const char* library : {"libshout.so.3", "libmp3lame.so.0", "libopusenc.so.0", "libvorbisenc.so.2"})
        (void)dlopen(library, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    return true;
}();

void initialiseShout()
{
    static std::once_flag once;
    std::call_once(once, [] { shout_init(); });
}

} // namespace

// One connection to the server through libshout, in its non-blocking mode so
// that a dead network never holds the broadcast thread past a time-out.
class Broadcaster::Connection {
public:
    enum class Outcome { Connected, Unreachable, Refused, Stopped };

    explicit Connection(const BroadcastSettings& settings) : settings_(settings)
    {
        initialiseShout();
        shout_ = shout_new();
    }
    ~Connection()
    {
        if (shout_ != nullptr) {
            (void)shout_close(shout_); // an unconnected handle has nothing to close
            shout_free(shout_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Outcome open(const std::atomic<bool>& stopping)
    {
        if (shout_ == nullptr || !configure()) {
            cause_ = "settings refused";
            reason_ = std::string("The broadcast settings were refused: ") +
                      (shout_ != nullptr ? shout_get_error(shout_) : "out of memory") +
                      ". Check them in Configure Broadcast.";
            return Outcome::Refused;
        }
        int result = shout_open(shout_);
        const Clock::time_point deadline = Clock::now() + kConnectTimeout;
        while ((result == SHOUTERR_BUSY || result == SHOUTERR_RETRY) && Clock::now() < deadline) {
            if (stopping.load())
                return Outcome::Stopped;
            std::this_thread::sleep_for(kRingPoll);
            result = shout_get_connected(shout_);
        }
        if (result == SHOUTERR_SUCCESS || result == SHOUTERR_CONNECTED)
            return Outcome::Connected;
        if (result == SHOUTERR_NOLOGIN) {
            // The server says only that it refused. Another source on the mount is told by its status
            // page, and then the credentials are tried on a mount of their own, which is left at once.
            const bool inUse = readMountStatus(settings_.host, settings_.port, settings_.mount, kStatusPageTimeoutMs).live &&
                               credentialsAccepted(stopping);
            cause_ = inUse ? "mount in use" : "wrong password";
            reason_ = inUse ? "The mount point " + settings_.mount +
                                  " is in use by another source: choose another mount point or stop the other source."
                            : "The server refused the user name or password: check them in Configure Broadcast.";
            return Outcome::Refused;
        }
        cause_ = "server unreachable";
        reason_ = "The server " + settings_.host + ":" + std::to_string(settings_.port) +
                  " cannot be reached: check the host and port, and that the server runs.";
        return Outcome::Unreachable;
    }

    // False when the connection is lost.
    bool send(std::vector<uint8_t>& bytes)
    {
        if (!bytes.empty()) {
            const int result = shout_send(shout_, bytes.data(), bytes.size());
            bytes.clear();
            if (result != SHOUTERR_SUCCESS && result != SHOUTERR_BUSY)
                return false;
        } else if (queued() > 0) {
            // Nothing new: what waits is pushed on.
            static const unsigned char nothing = 0;
            if (shout_send_raw(shout_, &nothing, 0) < 0)
                return false;
        }
        const Clock::time_point now = Clock::now();
        if (queued() < kMaxQueuedBytes)
            lastProgress_ = now;
        return now - lastProgress_ < kStallLimit;
    }

    // The network is behind: new blocks wait in the ring.
    bool backedUp() { return queued() >= kMaxQueuedBytes; }

    ssize_t queued() { return shout_queuelen(shout_); }

    // The title for formats that carry none in their data (MP3); false when the server refused it.
    bool tellTitle(const std::string& title)
    {
        shout_metadata_t* metadata = shout_metadata_new();
        if (metadata == nullptr)
            return false;
        bool told = shout_metadata_add(metadata, "song", title.c_str()) == SHOUTERR_SUCCESS &&
                    shout_set_metadata_utf8(shout_, metadata) == SHOUTERR_SUCCESS;
        shout_metadata_free(metadata);
        return told;
    }

    const std::string& reason() const { return reason_; }
    const std::string& cause() const { return cause_; }

private:
    bool credentialsAccepted(const std::atomic<bool>& stopping)
    {
        BroadcastSettings trial = settings_;
        trial.mount += kTrialMountSuffix;
        trial.listed = false;
        Connection probe(trial);
        return probe.open(stopping) == Outcome::Connected; // the probe closes as it goes
    }

    bool configure()
    {
        const bool mp3 = settings_.format == BroadcastFormat::Mp3;
        const std::string quality = std::to_string(settings_.quality());
        bool ok = shout_set_host(shout_, settings_.host.c_str()) == SHOUTERR_SUCCESS &&
                  shout_set_port(shout_, static_cast<unsigned short>(settings_.port)) == SHOUTERR_SUCCESS &&
                  shout_set_user(shout_, settings_.user.c_str()) == SHOUTERR_SUCCESS &&
                  shout_set_password(shout_, settings_.password.c_str()) == SHOUTERR_SUCCESS &&
                  shout_set_mount(shout_, settings_.mount.c_str()) == SHOUTERR_SUCCESS &&
                  shout_set_protocol(shout_, SHOUT_PROTOCOL_HTTP) == SHOUTERR_SUCCESS &&
                  shout_set_content_format(shout_, mp3 ? SHOUT_FORMAT_MP3 : SHOUT_FORMAT_OGG, SHOUT_USAGE_AUDIO,
                                           nullptr) == SHOUTERR_SUCCESS &&
                  shout_set_public(shout_, settings_.listed ? 1 : 0) == SHOUTERR_SUCCESS &&
                  shout_set_nonblocking(shout_, SHOUT_BLOCKING_NONE) == SHOUTERR_SUCCESS;
        // Presentation only: an empty field is left out.
        const std::pair<const char*, const std::string*> meta[] = {{SHOUT_META_NAME, &settings_.name},
                                                                   {SHOUT_META_DESCRIPTION, &settings_.description},
                                                                   {SHOUT_META_GENRE, &settings_.genre},
                                                                   {SHOUT_META_URL, &settings_.url}};
        for (const auto& [key, value] : meta)
            if (ok && !value->empty())
                ok = shout_set_meta(shout_, key, value->c_str()) == SHOUTERR_SUCCESS;
        (void)shout_set_audio_info(shout_, SHOUT_AI_SAMPLERATE, "44100"); // directory listings only
        (void)shout_set_audio_info(shout_, SHOUT_AI_CHANNELS, "2");
        (void)shout_set_audio_info(shout_, settings_.format == BroadcastFormat::OggVorbis ? SHOUT_AI_QUALITY
                                                                                           : SHOUT_AI_BITRATE,
                                   quality.c_str());
        return ok;
    }

    const BroadcastSettings& settings_;
    shout_t* shout_ = nullptr;
    std::string reason_;
    std::string cause_;
    Clock::time_point lastProgress_ = Clock::now();
};

Broadcaster::~Broadcaster()
{
    stop();
}

bool Broadcaster::start(const BroadcastSettings& settings, uint32_t blockBytes)
{
    stop();
    if (blockBytes == 0)
        return false;
    settings_ = settings;
    if (!ring_.make(blockBytes, std::max<uint32_t>(kMinimumSlots, kRingSeconds * kBytesPerSecond / blockBytes + 1)))
        return false;
    block_.assign(blockBytes / sizeof(int16_t), 0);
    dropped_ = 0;
    stopping_ = false;
    {
        plat::ScopedLock lock(lock_);
        status_ = BroadcastStatus{};
        status_.state = BroadcastState::Connecting;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void Broadcaster::offer(const void* block, uint32_t bytes)
{
    if (!thread_.joinable() || block == nullptr || bytes == 0)
        return;
    if (!ring_.push(block, bytes))
        dropped_.fetch_add(1, std::memory_order_relaxed);
}

bool Broadcaster::take()
{
    uint32_t bytes = 0;
    const uint8_t* queued = ring_.front(bytes);
    if (queued == nullptr)
        return false;
    block_.resize(bytes / sizeof(int16_t));
    std::memcpy(block_.data(), queued, block_.size() * sizeof(int16_t));
    ring_.pop();
    return true;
}

void Broadcaster::discardRing()
{
    ring_.clear();
}

void Broadcaster::stop()
{
    if (!thread_.joinable())
        return;
    stopping_ = true;
    thread_.join();
    plat::ScopedLock lock(lock_);
    status_.state = BroadcastState::Off;
    status_.reason.clear();
}

void Broadcaster::setTitle(const std::string& title)
{
    plat::ScopedLock lock(lock_);
    if (title == title_)
        return;
    title_ = title;
    ++titleVersion_;
}

std::string Broadcaster::titleIfChanged(uint64_t& seen)
{
    plat::ScopedLock lock(lock_);
    seen = titleVersion_;
    return title_;
}

BroadcastStatus Broadcaster::status()
{
    plat::ScopedLock lock(lock_);
    BroadcastStatus status = status_;
    status.droppedBlocks = dropped_.load(std::memory_order_relaxed);
    return status;
}

void Broadcaster::setState(BroadcastState state, const std::string& reason, const std::string& cause)
{
    plat::ScopedLock lock(lock_);
    status_.state = state;
    status_.reason = reason;
    status_.cause = cause;
    status_.retryInSeconds = 0;
    if (state == BroadcastState::OnAir)
        status_.onAirSince = nowSeconds();
    else
        status_.listeners = -1;
}

void Broadcaster::run()
{
    // libshout writes to sockets that the server may have closed: the failure
    // must come back as an error on this thread, not end the process.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    (void)pthread_sigmask(SIG_BLOCK, &pipe, nullptr); // it cannot fail for a valid set
    int backOff = kFirstRetrySeconds;
    while (!stopping_.load()) {
        setState(BroadcastState::Connecting);
        Connection connection(settings_);
        const Connection::Outcome outcome = connection.open(stopping_);
        if (outcome == Connection::Outcome::Stopped)
            break;
        if (outcome == Connection::Outcome::Refused) {
            // Trying again cannot help until the user changes something: the run goes on without the broadcast.
            setState(BroadcastState::Failed, connection.reason(), connection.cause());
            while (!stopping_.load()) {
                discardRing();
                std::this_thread::sleep_for(kWaitSlice);
            }
            break;
        }
        if (outcome == Connection::Outcome::Connected) {
            backOff = kFirstRetrySeconds;
            if (stayOnAir(connection))
                break;
            if (!waitBeforeRetry(backOff, "The connection to the server was lost.", "connection lost"))
                break;
        } else if (!waitBeforeRetry(backOff, connection.reason(), connection.cause())) {
            break;
        }
        backOff = std::min(backOff * 2, kLastRetrySeconds);
    }
    setState(BroadcastState::Off);
}

bool Broadcaster::stayOnAir(Connection& connection)
{
    std::unique_ptr<BroadcastEncoder> encoder = makeBroadcastEncoder(settings_.format, settings_.quality());
    uint64_t titleSeen = 0;
    std::string title = titleIfChanged(titleSeen);
    if (!encoder || !encoder->begin(title)) {
        setState(BroadcastState::Failed,
                 "The encoder refused the quality or bit rate: choose another in Configure Broadcast.",
                 "encoder refused");
        while (!stopping_.load()) {
            discardRing();
            std::this_thread::sleep_for(kWaitSlice);
        }
        return true;
    }
    // Ogg streams carry the title in their tags; an MP3 stream's is told to the server.
    if (!title.empty() && settings_.format == BroadcastFormat::Mp3)
        (void)connection.tellTitle(title); // a refused title leaves the stream as it is
    setState(BroadcastState::OnAir);
    Clock::time_point nextListenerPoll = Clock::now();
    bool alive = connection.send(encoder->output);
    while (alive && !stopping_.load()) {
        bool busy = false;
        if (!connection.backedUp() && take()) {
            encoder->encode(block_.data(), static_cast<int>(block_.size() * sizeof(int16_t) / kBytesPerFrame));
            busy = true;
        }
        uint64_t version = 0;
        {
            plat::ScopedLock lock(lock_);
            version = titleVersion_;
        }
        if (version != titleSeen) {
            title = titleIfChanged(titleSeen);
            if (!encoder->retitle(title))
                (void)connection.tellTitle(title); // refused, the server shows the old title
        }
        alive = connection.send(encoder->output);
        if (Clock::now() >= nextListenerPoll) {
            nextListenerPoll = Clock::now() + kListenerPoll;
            const MountStatus mount =
                readMountStatus(settings_.host, settings_.port, settings_.mount, kStatusPageTimeoutMs);
            plat::ScopedLock lock(lock_);
            status_.listeners = mount.reachable && mount.live ? mount.listeners : -1;
        }
        if (!busy)
            std::this_thread::sleep_for(kRingPoll);
    }
    if (!alive)
        return false;
    // A clean end: the stream's last page, then the connection closes.
    while (take())
        encoder->encode(block_.data(), static_cast<int>(block_.size() * sizeof(int16_t) / kBytesPerFrame));
    encoder->finish();
    const Clock::time_point deadline = Clock::now() + kCloseGrace;
    while (connection.send(encoder->output) && connection.queued() > 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(kRingPoll);
    return true;
}

bool Broadcaster::waitBeforeRetry(int seconds, const std::string& reason, const std::string& cause)
{
    setState(BroadcastState::Retrying, reason, cause);
    const Clock::time_point until = Clock::now() + std::chrono::seconds(seconds);
    while (!stopping_.load()) {
        const Clock::time_point now = Clock::now();
        if (now >= until)
            return true;
        {
            plat::ScopedLock lock(lock_);
            status_.retryInSeconds =
                static_cast<int>(std::chrono::ceil<std::chrono::seconds>(until - now).count());
        }
        // What comes while off air is not kept for later: listeners would hear it late.
        discardRing();
        std::this_thread::sleep_for(kWaitSlice);
    }
    return false;
}

} // namespace brolet
