#include "plugins/plevnt/Player.h"

#include <chrono>
#include <cstdio>
#include <new>
#include <thread>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/Notice.h"
#include "platform/core/Realtime.h"
#include "platform/ui/MessageBox.h"
#include "plugins/plevnt/PlayerView.h"
#include "plugins/plevnt/PlevntModel.h"
#include "api/Protocol.h"
#include "zkr/MutexLock.h"
#include "zkr/Product.h"
#include "zkr/Text.h"

namespace plevnt {

namespace {

constexpr char kUnknownModulesText[] =
    "Found some unknown decoder modules, they maybe won't work together properly with me!";
// How long a read waits for the module before it gives the engine an empty
// block (the module is slow, or paused a moment ago).
constexpr uint32_t kReadWaitMs = 500;
constexpr uint32_t kReadStepMs = 20;
// How long an ended stream's remaining blocks may take to reach the engine.
constexpr auto kDrainWait = std::chrono::milliseconds(1500);
// A player read no later than this is being streamed.
constexpr auto kRecentRead = std::chrono::milliseconds(250);

std::string lockName(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "PlayerLock%i", index);
    return name;
}

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

Player::Player(PlevntModel& plugin, int index)
    : plugin_(plugin), index_(index), deliveryLock_(false, lockName(index).c_str())
{
    kind = zkr::kKindAudioManager;
}

Player::~Player()
{
    if (stream_)
        stream_->close();
    stream_.reset();
    freeBuffers();
}

int Player::getName(char* buffer)
{
    if (buffer != nullptr)
        zkr::copyText(buffer, zkr::kObjectNameSize, kPluginTitle);
    return kind;
}

int Player::fail(int code)
{
    setError(code);
    return code;
}

// ---------------------------------------------------------------------------
// Streaming thread

bool Player::readStream(bool right, const int16_t** block, int32_t* bytes)
{
    const auto answer = [&](const uint8_t* data, int32_t count, bool running) {
        if (block != nullptr)
            *block = reinterpret_cast<const int16_t*>(data);
        if (bytes != nullptr)
            *bytes = count;
        return running;
    };
    // In the real-time section only tries: a miss or a block not decoded yet is a silent block.
    const bool mayWait = !plat::mustNotBlock();
    zkr::MutexLock lock(deliveryLock_, mayWait ? kLockWaitMs : 0);
    const int32_t state = state_.load();
    if (!lock.owned())
        return answer(nullptr, 0, state != kStateStopped || continuing_.load());
    if (state == kStateStopped)
        return answer(nullptr, 0, continuing_.load());
    if (state == kStatePaused)
        return answer(nullptr, 0, true);
    if (right)
        return stereo_ ? answer(right_, lastLength_, true) : answer(nullptr, 0, false);

    lastRead_.store(nowMs());
    lastLength_ = 0;
    if (!workBlock_)
        return answer(nullptr, 0, true);
    uint32_t got = 0;
    int status = toWire(engine::Error::Busy);
    // Bounded, so a paused or slow module never holds up the other channels.
    for (uint32_t waited = 0; waited < kReadWaitMs && state_.load() == kStatePlaying; waited += kReadStepMs) {
        status = buffer_.tryRead(workBlock_.get(), &got);
        if (status != toWire(engine::Error::Busy) && status != toWire(engine::Error::NotNow))
            break;
        if (!mayWait) {
            missedBlocks_.fetch_add(1, std::memory_order_relaxed);
            break;
        }
        zkr::EventObject& wake =
            status == toWire(engine::Error::NotNow) ? buffer_.canRead : buffer_.dataWritten;
        (void)wake.wait(kReadStepMs); // a time-out only reads again
        (void)wake.reset();
    }
    if (status != toWire(engine::Error::Ok))
        return answer(nullptr, 0, true);
    if (got == 0) {
        // The module has ended and everything it gave has been delivered:
        // the end's handler on the window's thread says whether it goes on.
        if (ended_.load())
            drained_.store(true);
        return answer(nullptr, 0, true);
    }
    if (split_) {
        converter_.convert(workBlock_.get(), got);
        lastLength_ = int32_t(got / 2);
    } else {
        lastLength_ = int32_t(got);
    }
    return answer(left_, lastLength_, true);
}

// ---------------------------------------------------------------------------
// Window's thread

int Player::loadDecoders(const std::string& folder)
{
    if (int code = decoders_.load(folder, number()); code != toWire(engine::Error::Ok))
        return code;
    if (decoders_.hasUnknownModules())
        (void)plat::ui::messageBox(nullptr, kUnknownModulesText, zkr::kProductTitle,
                                   plat::kNoticeTaskModal | plat::kNoticeTopmost |
                                       plat::kNoticeIconInformation);
    return toWire(engine::Error::Ok);
}

void Player::releaseDecoders()
{
    closeStream();
    stream_.reset();
    decoders_.release();
}

void Player::refreshView()
{
    if (PlayerView* view = plugin_.view())
        view->refreshPlayer(index_);
    plugin_.playerChanged();
}

int Player::prepareBuffer(int32_t blockSize)
{
    zkr::MutexLock lock(deliveryLock_, plat::kInfinite);
    if (blockSize != buffer_.blockSize || !workBlock_) {
        if (int code = buffer_.allocate(kBufferBlocks, blockSize); code != toWire(engine::Error::Ok))
            return code;
        workBlock_.reset(new (std::nothrow) uint8_t[std::size_t(blockSize)]);
        if (!workBlock_)
            return fail(toWire(engine::Error::OutOfMemory));
        workBlockSize_ = blockSize;
    }
    buffer_.reset();
    buffer_.setEndOfData(false);
    buffer_.started = false;
    ended_.store(false);
    drained_.store(false);
    stereo_ = stream_->stereo();
    split_ = false;
    left_ = workBlock_.get();
    right_ = nullptr;
    lastLength_ = 0;
    converter_.release();
    const int setup = converter_.setup(stream_->sourceFormat(), plugin_.playerFormat, true);
    if (setup == toWire(engine::Error::Ok)) {
        uint32_t inputSize = 0;
        const uint32_t channelBytes = uint32_t(stereo_ ? blockSize / 2 : blockSize);
        if (int code = converter_.prepare(channelBytes, &inputSize); code != toWire(engine::Error::Ok))
            return code;
        split_ = converter_.splitStereo;
        left_ = converter_.leftOutput();
        right_ = converter_.rightOutput();
    }
    return toWire(engine::Error::Ok);
}

void Player::freeBuffers()
{
    zkr::MutexLock lock(deliveryLock_, plat::kInfinite);
    state_.store(kStateStopped);
    converter_.release();
    buffer_.release();
    workBlock_.reset();
    workBlockSize_ = 0;
    left_ = right_ = nullptr;
    lastLength_ = 0;
    split_ = stereo_ = false;
}

int Player::open(const std::string& path, bool addToPlaylist, bool play)
{
    // A FIFO or a device would block the module's open, and this thread with it.
    if (!plat::fileExists(path))
        return fail(toWire(engine::Error::ReadFailed));
    AudioDecoder* decoder = decoders_.choose(path, stream_ ? stream_->decoder() : nullptr);
    if (decoder == nullptr)
        return fail(toWire(engine::Error::NoDecoderForFormat));
    if (stream_ && stream_->isOpen()) {
        if (state_.load() == kStatePaused)
            return fail(toWire(engine::Error::NotNow));
        if (state_.load() == kStatePlaying) {
            stop();
            if (stream_->mode() == PlayerMode::Playing)
                return fail(toWire(engine::Error::NotNow));
        }
        stream_->close();
        if (stream_->decoder() != decoder)
            stream_.reset();
    }
    {
        // The reader lets go of the blocks before they change.
        zkr::MutexLock lock(deliveryLock_, plat::kInfinite);
        state_.store(kStateStopped);
    }
    if (!stream_)
        stream_ = std::make_unique<DecodedStream>();
    stream_->connect(&buffer_, &ended_, plugin_.notificationWindow(), index_);
    path_ = path;
    positionMs_ = 0;
    percent_ = 0;
    if (int code = stream_->open(*decoder, path, plugin_.musicBufSize(), plugin_.playerFormat);
        code != toWire(engine::Error::Ok)) {
        lastError = code;
        refreshView();
        return code;
    }
    if (int code = prepareBuffer(stream_->blockSize()); code != toWire(engine::Error::Ok)) {
        stream_->close();
        lastError = code;
        return code;
    }
    int result = toWire(engine::Error::Ok);
    if (play)
        result = this->play();
    if (addToPlaylist) {
        const StreamInfo info = stream_->info();
        if (playlist.addUnlessLast(path.c_str(), &info) == toWire(engine::Error::Ok) &&
            playlist.currentIndex() == Playlist::kNoEntry)
            playlist.setCurrentIndex(playlist.size() - 1);
    }
    refreshView();
    return result;
}

int Player::play(bool forced)
{
    const int32_t state = state_.load();
    if (state == kStatePlaying || (state == kStatePaused && !forced))
        return toWire(engine::Error::Ok);
    if (!stream_ || !stream_->isOpen()) {
        // Nothing open: the playlist's current (or first) entry.
        if (playlist.size() == 0)
            return toWire(engine::Error::Ok);
        return openEntry(playlist.currentIndex() < 0 ? 0 : playlist.currentIndex(), true);
    }
    if (!attached_.load()) {
        if (int code = attach(); code != toWire(engine::Error::Ok))
            return code;
    }
    state_.store(kStatePaused);
    engine::EngineEvent start{};
    start.code = toWire(engine::Event::StartStreaming);
    start.wait = 1;
    if (plugin_.sendEvent(start) == 0) {
        state_.store(kStateStopped);
        refreshView();
        return fail(toWire(engine::Error::OutputNotReady));
    }
    ended_.store(false);
    drained_.store(false);
    if (int code = stream_->play(); code != toWire(engine::Error::Ok)) {
        state_.store(kStateStopped);
        refreshView();
        lastError = code;
        return code;
    }
    state_.store(kStatePlaying);
    refreshView();
    announce();
    return toWire(engine::Error::Ok);
}

std::string nowPlayingTitle(const StreamInfo& info, const std::string& path)
{
    if (info.valid != 0 && info.title[0] != '\0')
        return info.artist[0] != '\0' ? std::string(info.artist) + " - " + info.title : std::string(info.title);
    return plat::fileNameOf(path);
}

void Player::announce()
{
    // Every start goes through here: a chosen entry, the next one, a cross-fade's.
    const std::string title = nowPlayingTitle(currentInfo(), path_);
    engine::EngineEvent playing{};
    playing.code = toWire(engine::Event::NowPlaying);
    playing.value = reinterpret_cast<intptr_t>(title.c_str());
    (void)plugin_.sendEvent(playing); // an engine without titles ignores it
}

void Player::stop()
{
    if (state_.load() != kStatePlaying || !stream_)
        return;
    stream_->stop();
    state_.store(kStateStopped);
    positionMs_ = 0;
    percent_ = 0;
    if (PlayerView* view = plugin_.view()) {
        view->showTime(index_, timeText(0));
        view->showProgress(index_, 0);
    }
    refreshView();
}

void Player::pause()
{
    if (!stream_)
        return;
    if (state_.load() == kStatePlaying) {
        state_.store(kStatePaused);
        if (stream_->pause() != toWire(engine::Error::Ok))
            state_.store(kStatePlaying);
    } else if (state_.load() == kStatePaused) {
        if (stream_->resume() == toWire(engine::Error::Ok))
            state_.store(kStatePlaying);
    }
    refreshView();
}

int Player::seek(uint32_t positionMs)
{
    if (!stream_ || !stream_->isOpen())
        return toWire(engine::Error::NotNow);
    const int code = stream_->seek(positionMs);
    // Until the next progress tells it.
    if (code == toWire(engine::Error::Ok))
        positionMs_ = positionMs;
    return code;
}

int Player::openEntry(int entry, bool play)
{
    const PlaylistEntry* item = playlist.entry(entry);
    if (item == nullptr) {
        lastError = toWire(engine::Error::IndexOutOfRange);
        return lastError;
    }
    playlist.setCurrentIndex(entry);
    const std::string path = item->path;
    const int code = open(path, false, play);
    if (stream_ && stream_->isOpen() && path_ == path)
        playlist.setInfo(entry, stream_->info());
    refreshView();
    return code;
}

int Player::next(bool play)
{
    if (state_.load() == kStatePaused)
        return fail(toWire(engine::Error::NotNow));
    const int from = playlist.currentIndex();
    if (!playlist.next()) {
        lastError = toWire(engine::Error::IndexOutOfRange);
        return lastError;
    }
    const int entry = playlist.currentIndex();
    playlist.setCurrentIndex(from);
    return openEntry(entry, play);
}

int Player::previous(bool play)
{
    if (state_.load() == kStatePaused)
        return fail(toWire(engine::Error::NotNow));
    const int from = playlist.currentIndex();
    if (!playlist.previous()) {
        lastError = toWire(engine::Error::IndexOutOfRange);
        return lastError;
    }
    const int entry = playlist.currentIndex();
    playlist.setCurrentIndex(from);
    return openEntry(entry, play);
}

int Player::playEntry(int entry)
{
    if (state_.load() == kStatePaused)
        return fail(toWire(engine::Error::NotNow));
    return openEntry(entry, true);
}

void Player::closeStream()
{
    if (stream_) {
        if (state_.load() == kStatePlaying)
            stream_->stop();
        stream_->close();
        stream_.reset();
    }
    freeBuffers();
    refreshView();
}

int Player::attach()
{
    engine::EngineEvent event{};
    event.code = toWire(engine::Event::AttachStreams);
    event.wait = 1;
    event.value = plugin_.pluginHandle;
    event.target = 2 * index_ + 1;
    event.index = 2 * index_ + 2;
    if (plugin_.sendEvent(event) == 0)
        return fail(toWire(engine::Error::NoFreeMixerChannels));
    attached_.store(true);
    return toWire(engine::Error::Ok);
}

void Player::detach()
{
    if (!attached_.load())
        return;
    engine::EngineEvent event{};
    event.code = toWire(engine::Event::DetachStreams);
    event.wait = 1;
    event.value = plugin_.pluginHandle;
    event.target = 2 * index_ + 1;
    event.index = 2 * index_ + 2;
    plugin_.sendEvent(event);
    attached_.store(false);
}

// ---------------------------------------------------------------------------
// Notifications (window's thread)

void Player::streamStarted()
{
    refreshView();
}

void Player::streamEnded(bool wasPlaying)
{
    positionMs_ = 0;
    percent_ = 0;
    if (PlayerView* view = plugin_.view()) {
        view->showTime(index_, timeText(0));
        view->showProgress(index_, 0);
    }
    if (!wasPlaying) {
        refreshView();
        return;
    }
    // What the ring still holds goes to the engine before the next file
    // takes the ring; a player no one reads is not waited for.
    const auto deadline = std::chrono::steady_clock::now() + kDrainWait;
    while (!drained_.load() && state_.load() == kStatePlaying &&
           nowMs() - lastRead_.load() < kRecentRead.count() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool skip = plugin_.skipNextEnd == index_;
    const bool carryOn = !skip && ((loop && stream_ && stream_->isOpen()) || playlist.size() > 0);
    continuing_.store(carryOn);
    state_.store(kStateStopped);
    if (skip) {
        plugin_.skipNextEnd = -1;
        refreshView();
        return;
    }
    int started = toWire(engine::Error::NotNow);
    if (loop && stream_ && stream_->isOpen()) {
        if (prepareBuffer(stream_->blockSize()) == toWire(engine::Error::Ok))
            started = play();
    } else if (playlist.size() > 0) {
        started = next(true);
    }
    continuing_.store(false);
    if (started != toWire(engine::Error::Ok) || state_.load() != kStatePlaying)
        detach();
    refreshView();
}

bool Player::progress(bool autoCrossFade, uint32_t leadMs)
{
    if (!stream_ || !stream_->isOpen())
        return false;
    const uint32_t position = stream_->position();
    const uint32_t size = stream_->size();
    positionMs_ = position;
    percent_ = int(uint64_t(position) * 100 / size);
    if (PlayerView* view = plugin_.view()) {
        view->showTime(index_, timeText(position));
        view->showProgress(index_, percent_);
    }
    return autoCrossFade && state_.load() == kStatePlaying &&
           int64_t(position) >= int64_t(size) - int64_t(leadMs);
}

bool Player::startNextForCrossFade()
{
    if (state_.load() != kStateStopped)
        return false;
    return next(true) == toWire(engine::Error::Ok) && state_.load() == kStatePlaying;
}

uint32_t Player::lengthMs() const
{
    // The stream answers 1 for a length it does not know.
    const uint32_t size = stream_ && stream_->isOpen() ? stream_->size() : 0;
    return size > 1 ? size : 0;
}

StreamInfo Player::currentInfo() const
{
    return stream_ && stream_->isOpen() ? stream_->info() : StreamInfo{};
}

} // namespace plevnt
