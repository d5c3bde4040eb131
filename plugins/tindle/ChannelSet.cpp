#include "plugins/tindle/ChannelSet.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <pthread.h>

#include "api/PluginApi.h"
#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/Realtime.h"
#include "plugins/tindle/EngineLink.h"
#include "plugins/tindle/WaveformImage.h"
#include "zkr/BufferedFile.h"
#include "zkr/MutexLock.h"
#include "zkr/Text.h"

namespace tindle {

namespace {

constexpr unsigned kAllChannels = (1u << kChannelCount) - 1;

bool validChannel(int channel)
{
    return channel >= 0 && channel < kChannelCount;
}

// The lock bit of a channel; none for -1 (no partner).
unsigned bit(int channel)
{
    return validChannel(channel) ? 1u << channel : 0;
}

std::string lockName(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "ChannelLock%i", index);
    return name;
}

constexpr char kDiskThreadName[] = "tindle-disk";
constexpr char kReadInStreamWait[] = "the wave file player reading in the streaming thread";

// VELMORA_READ_IN_STREAM=1: the streaming thread reads the files, as before
// the disk thread (for the benches' comparison).
bool readInStreamAsked()
{
    const char* value = std::getenv("VELMORA_READ_IN_STREAM");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

bool rewind(zkr::MultimediaFile& file)
{
    return file.seek(file.dataOffset, zkr::BufferedFile::kFromStart) == toWire(engine::Error::Ok);
}

// The owner's file back to its first sample, and its converter with it.
void rewind(ChannelRecord& owner)
{
    rewind(*owner.file);
    if (owner.converter != nullptr)
        owner.converter->rewound();
}

const char* sampleKind(const zkr::WaveFormat& format)
{
    switch (format.formatTag) {
    case zkr::kWaveFormatPcm:
        return "integer";
    case zkr::kWaveFormatFloat:
        return "floating-point";
    default:
        return "unknown";
    }
}

} // namespace

ChannelRecord::ChannelRecord(int index) : lock(false, lockName(index).c_str()) {}

// Holds the locks of the channels of a mask, taken in ascending order (so an
// owner's before its partner's, as the streaming thread takes them) with a
// 50 ms wait each, given back in reverse. When one cannot be had, none is held.
class ChannelSet::Locks {
public:
    Locks(ChannelSet& set, unsigned mask)
    {
        for (int channel = 0; channel < kChannelCount; ++channel) {
            if ((mask & bit(channel)) == 0)
                continue;
            zkr::MutexObject& lock = set.record(channel).lock;
            if (!lock.wait(kLockWaitMs)) {
                release();
                return;
            }
            held_[count_++] = &lock;
        }
        owned_ = true;
    }
    ~Locks() { release(); }
    Locks(const Locks&) = delete;
    Locks& operator=(const Locks&) = delete;

    bool owned() const { return owned_; }

private:
    void release()
    {
        while (count_ > 0)
            (void)held_[--count_]->release();
        owned_ = false;
    }

    std::array<zkr::MutexObject*, kChannelCount> held_{};
    int count_ = 0;
    bool owned_ = false;
};

ChannelSet::ChannelSet(EngineLink& engineLink) : engineLink_(engineLink), readInStream_(readInStreamAsked())
{
    for (int channel = 0; channel < kChannelCount; ++channel)
        records_[std::size_t(channel)] = std::make_unique<ChannelRecord>(channel);
    if (!readInStream_)
        disk_ = std::thread([this] { diskLoop(); });
}

ChannelSet::~ChannelSet()
{
    if (disk_.joinable()) {
        diskEnding_.store(true);
        wakeDisk();
        disk_.join();
    }
    releaseAll();
}

void ChannelSet::wakeDisk()
{
    diskWork_.fetch_add(1, std::memory_order_release);
    diskWork_.notify_one();
}

void ChannelSet::diskLoop()
{
    pthread_setname_np(pthread_self(), kDiskThreadName);
    for (;;) {
        const uint32_t seen = diskWork_.load(std::memory_order_acquire);
        if (diskEnding_.load())
            return;
        // One block per channel and round, so that every ring fills alike.
        bool worked = false;
        for (int channel = 0; channel < kChannelCount; ++channel) {
            ChannelRecord& owner = record(channel);
            plat::ScopedLock feed(owner.feedLock);
            worked |= topUp(owner);
        }
        if (!worked)
            diskWork_.wait(seen, std::memory_order_acquire);
    }
}

bool ChannelSet::topUp(ChannelRecord& owner)
{
    if (owner.ring == nullptr || owner.state.load() == kStateStopped)
        return false;
    const bool resumed = owner.feedEnded && owner.resumeFromStart.exchange(false);
    if (resumed) {
        rewind(owner);
        owner.feedEnded = false;
    }
    if (owner.feedEnded)
        return false;
    BlockRing::Block* block = owner.ring->vacant();
    if (block == nullptr)
        return false;
    produce(owner, *block);
    block->restarted |= resumed;
    owner.ring->publish();
    return true;
}

void ChannelSet::produce(ChannelRecord& owner, BlockRing::Block& block)
{
    bool restarted = false;
    uint32_t bytes = 0;
    zkr::WaveformatConverter* converter = owner.converter;
    if (converter != nullptr && converter->resamples()) {
        bytes = readResampled(owner, restarted);
    } else {
        // Without a converter the file's bytes are the block's.
        uint8_t* target = converter != nullptr ? owner.readBuffer.get() : block.left.get();
        int32_t got = 0;
        if (readLooping(owner, target, got, restarted) && got > 0)
            bytes = converter != nullptr ? converter->convert(target, static_cast<uint32_t>(got))
                                         : static_cast<uint32_t>(got);
    }
    if (converter != nullptr && bytes > 0) {
        std::memcpy(block.left.get(), converter->leftOutput(), bytes);
        if (block.right != nullptr)
            std::memcpy(block.right.get(), converter->rightOutput(), bytes);
    }
    block.bytes = static_cast<int32_t>(bytes);
    block.restarted = restarted;
    block.looping = owner.loop.load();
    owner.feedEnded = bytes == 0;
}

void ChannelSet::prepareStart(ChannelRecord& owner)
{
    {
        plat::ScopedLock feed(owner.feedLock);
        if (owner.ring == nullptr || owner.atStart.load())
            return;
        rewind(owner);
        // The filter starts afresh here rather than on the streaming thread.
        if (owner.converter != nullptr)
            owner.converter->restart();
        owner.ring->clear();
        owner.feedEnded = false;
        owner.resumeFromStart.store(false);
        while (!owner.feedEnded) {
            BlockRing::Block* block = owner.ring->vacant();
            if (block == nullptr)
                break;
            produce(owner, *block);
            owner.ring->publish();
        }
        owner.atStart.store(true);
    }
    wakeDisk();
}

int ChannelSet::getName(char* buffer)
{
    if (buffer != nullptr)
        zkr::copyText(buffer, zkr::kObjectNameSize, kPluginTitle);
    return kind;
}

int32_t ChannelSet::sendEvent(intptr_t code, intptr_t target, intptr_t index)
{
    const engine::EventCallback callback = engineLink_.eventCallback;
    if (callback == nullptr)
        return 0;
    engine::EngineEvent event{};
    event.code = code;
    event.wait = 1;
    if (code != toWire(engine::Event::StartStreaming)) {
        event.value = engineLink_.pluginHandle;
        event.target = target;
        event.index = index;
    }
    return callback(&event);
}

int ChannelSet::refuseFormat(const std::string& path, const zkr::WaveFormat& format)
{
    char text[kRefusalSize];
    std::snprintf(text, sizeof text,
                  "Cannot play %s: it holds %u channel(s) of %u-bit %s samples at %u Hz.\n"
                  "The wave file player plays mono and stereo files of 8, 16, 24 or 32-bit integer or 32 or "
                  "64-bit floating-point samples at %u to %u Hz. Convert the file to one of these (for "
                  "example with sox or Audacity) and open it again.",
                  plat::fileNameOf(path).c_str(), unsigned{format.channels}, unsigned{format.bitsPerSample},
                  sampleKind(format), format.samplesPerSecond, zkr::WaveformatConverter::kLowestRate,
                  zkr::WaveformatConverter::kHighestRate);
    refusal_ = text;
    errorContext = refusal_.c_str();
    setError(toWire(engine::Error::PlainMessage));
    errorContext = nullptr;
    // Callers see the code of a format that cannot be converted.
    lastError = toWire(engine::Error::NotImplemented);
    return lastError;
}

int ChannelSet::fail(int code, bool reported)
{
    if (reported)
        lastError = code;
    else
        setError(code);
    return code;
}

void ChannelSet::refresh(int channel)
{
    if (ChannelView* shown = view.load(); shown != nullptr && validChannel(channel))
        shown->refreshStrip(channel);
}

bool ChannelSet::isLoaded(int channel)
{
    Locks locks(*this, bit(channel));
    // A channel busy past the wait counts as taken.
    return !locks.owned() || record(channel).loaded;
}

// ---------------------------------------------------------------------------
// Streaming thread

bool ChannelSet::readBlock(int channel, const int16_t** block, int32_t* bytes)
{
    if (!validChannel(channel))
        return false;
    ChannelRecord& current = record(channel);
    const auto report = [&](const uint8_t* data, int32_t count) {
        if (block != nullptr)
            *block = reinterpret_cast<const int16_t*>(data);
        if (bytes != nullptr)
            *bytes = count;
    };
    // Only tried: the window's thread holds it for a moment, and the channel is silent meanwhile.
    zkr::MutexLock lock(current.lock, 0);
    if (!lock.owned()) {
        current.lockMisses.fetch_add(1, std::memory_order_relaxed);
        report(nullptr, 0);
        return true;
    }
    const int32_t state = current.state.load();
    if (!current.loaded || state == kStateStopped || state == kStateWaiting)
        return false;
    if (state == kStatePaused) {
        report(current.outputData, 0);
        return true;
    }

    bool restarted = false;
    if (current.owner) {
        const BlockRing::Block* next = takeBlock(current);
        const uint8_t* right = nullptr;
        if (next == nullptr) {
            // Not read yet: a silent block, and the file goes on where it was.
            current.diskUnderruns.fetch_add(1, std::memory_order_relaxed);
            current.outputBytes = 0;
            current.delivered = 1;
        } else if (next->bytes == 0 && current.loop && !next->looping) {
            // Looping was switched on after the end was read ahead: the file
            // goes on from its beginning after this silent block.
            current.resumeFromStart.store(true);
            wakeDisk();
            current.diskUnderruns.fetch_add(1, std::memory_order_relaxed);
            current.outputBytes = 0;
            current.delivered = 1;
        } else if (next->bytes == 0 || (next->restarted && !current.loop)) {
            // The end, or a pass read ahead while looping was still on: the
            // file ends here, as it would have without reading ahead.
            current.outputBytes = 0;
            current.delivered = 0;
            current.state = kStateStopped;
        } else {
            current.outputData = next->left.get();
            current.outputBytes = next->bytes;
            current.delivered = 1;
            right = next->right.get();
            restarted = next->restarted;
            if (restarted && current.synchronised)
                releaseWaiting(channel);
        }
        sharePartner(current, right);
    } else if (!current.shared) {
        // The owner did not get its lock this cycle: nothing to hand on.
        current.outputBytes = 0;
    }
    current.shared = false;

    if (current.state != current.previousState) {
        refresh(channel);
        current.previousState = current.state;
    }
    if (current.delivered == 1 && current.outputBytes > 0) {
        if (ChannelView* shown = view.load())
            shown->advanceCursor(channel, restarted);
    }
    report(current.outputData, current.outputBytes);
    return current.delivered == 1;
}

const BlockRing::Block* ChannelSet::takeBlock(ChannelRecord& owner)
{
    if (owner.ring == nullptr)
        return nullptr;
    const BlockRing::Block* next = owner.ring->take();
    if (next == nullptr && (readInStream_ || !plat::mustNotBlock())) {
        const plat::AllowedWait reading(kReadInStreamWait);
        plat::ScopedLock feed(owner.feedLock);
        // The disk thread may have filled the ring while this waited for its
        // lock: a full ring has no room to top up, yet holds the next block.
        next = owner.ring->take();
        if (next == nullptr && topUp(owner))
            next = owner.ring->take();
    }
    owner.atStart.store(false, std::memory_order_relaxed);
    if (!readInStream_)
        wakeDisk();
    return next;
}

void ChannelSet::sharePartner(const ChannelRecord& owner, const uint8_t* right)
{
    if (!validChannel(owner.partner))
        return;
    ChannelRecord& partner = record(owner.partner);
    zkr::MutexLock partnerLock(partner.lock, 0);
    if (partnerLock.owned()) {
        partner.previousState = partner.state;
        partner.state = owner.state.load();
        partner.outputBytes = owner.outputBytes;
        partner.delivered = owner.delivered;
        if (right != nullptr)
            partner.outputData = right;
        partner.shared = true;
        if (partner.state != partner.previousState)
            refresh(owner.partner);
    } else {
        partner.lockMisses.fetch_add(1, std::memory_order_relaxed);
    }
}

bool ChannelSet::readLooping(ChannelRecord& owner, uint8_t* target, int32_t& got, bool& restarted)
{
    zkr::MultimediaFile& file = *owner.file;
    bool read = file.read(target, owner.readSize, &got) == toWire(engine::Error::Ok);
    if (read && got == 0 && owner.loop.load()) {
        rewind(file);
        read = file.read(target, owner.readSize, &got) == toWire(engine::Error::Ok);
        restarted = true;
    }
    return read;
}

uint32_t ChannelSet::readResampled(ChannelRecord& owner, bool& restarted)
{
    zkr::WaveformatConverter& converter = *owner.converter;
    // The filter gives out less than it takes at first: a block may need
    // more than one read. A loop goes on through the filter without a seam.
    while (!converter.blockReady() && !converter.inputEnded()) {
        int32_t got = 0;
        const bool failed = !readLooping(owner, owner.readBuffer.get(), got, restarted);
        if (failed || got == 0 || !converter.feed(owner.readBuffer.get(), static_cast<uint32_t>(got)))
            converter.endOfInput();
    }
    return converter.takeBlock();
}

void ChannelSet::releaseWaiting(int restarting)
{
    // Without the other channels' locks: only the state changes, in one step.
    for (int channel = 0; channel < kChannelCount; ++channel) {
        int32_t waiting = kStateWaiting;
        if (channel != restarting)
            record(channel).state.compare_exchange_strong(waiting, kStatePlaying);
    }
}

void ChannelSet::streamingError()
{
    for (int channel = 0; channel < kChannelCount; ++channel) {
        ChannelRecord& failed = record(channel);
        {
            zkr::MutexLock lock(failed.lock, 0);
            if (lock.owned()) {
                if (!failed.loaded)
                    continue;
                failed.delivered = 0;
            }
            // The next start reads the file from its beginning again.
            failed.state = kStateStopped;
        }
        refresh(channel);
    }
}

// ---------------------------------------------------------------------------
// Window's thread

int ChannelSet::open(int channel, const std::string& path)
{
    if (!validChannel(channel))
        return fail(toWire(engine::Error::IndexOutOfRange), false);
    const engine::AudioSystemSetup audio = engineLink_.audioRecord();

    // The file reports its own failures; its destructor detaches it.
    auto file = std::make_unique<zkr::MultimediaFile>();
    zkr::WaveFormat format{};
    int error = file->attach(path.c_str(), 0);
    if (error == toWire(engine::Error::Ok))
        error = file->readHeader();
    if (error == toWire(engine::Error::Ok))
        error = file->getFormat(&format);
    if (error == toWire(engine::Error::Ok))
        error = file->setDiskBuffer(audio.diskBufSize);
    if (error != toWire(engine::Error::Ok))
        return fail(error, true);
    const bool stereo = format.channels == 2;
    if (stereo && channel == kChannelCount - 1)
        return fail(toWire(engine::Error::NoFreeChannelsForFile), false);
    // Neither one channel nor a pair to split: no channel could play it.
    if (format.channels != 1 && !stereo)
        return refuseFormat(path, format);

    auto converter = std::make_unique<zkr::WaveformatConverter>();
    uint32_t readSize = static_cast<uint32_t>(std::max(audio.musicBufSize, 0));
    // A format it cannot convert is told with the file's name, not the converter's.
    converter->silent = true;
    if (converter->setup(format, engineLink_.engineFormat, true) == toWire(engine::Error::NoConversion))
        converter.reset();
    else if ((error = converter->prepare(readSize, &readSize)) == toWire(engine::Error::NotImplemented))
        return refuseFormat(path, format);
    else if (error != toWire(engine::Error::Ok))
        return fail(error, false);

    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[readSize]);
    // Without a converter the file's pieces are the blocks themselves.
    const auto blockBytes = static_cast<int32_t>(converter != nullptr ? converter->outputBlockSize : readSize);
    const int depth = readInStream_ ? kReadInStreamBlocks
                                    : std::clamp(audio.diskBufSize / std::max(blockBytes, 1),
                                                 kFewestReadAheadBlocks, kMostReadAheadBlocks) + 1;
    std::unique_ptr<BlockRing> ring = BlockRing::make(depth, blockBytes, stereo);
    if (buffer == nullptr || ring == nullptr)
        return fail(toWire(engine::Error::OutOfMemory), false);

    // From here on streaming errors raise no dialog.
    file->silent = true;

    closePair(channel);
    if (stereo)
        closePair(channel + 1);

    const intptr_t rightStream = stereo ? channel + 2 : 0;
    if (sendEvent(toWire(engine::Event::AttachStreams), channel + 1, rightStream) == 0)
        return fail(toWire(engine::Error::NoFreeMixerChannels), false);
    // After the engine took the streams, a failure hands them back.
    const auto undo = [&](int code) {
        sendEvent(toWire(engine::Event::DetachStreams), channel + 1, rightStream);
        return fail(code, false);
    };

    WaveformImage image;
    ChannelView* shown = view.load();
    error = shown != nullptr ? shown->buildPicture(*file, path, image)
                             : buildWaveformImage(*file, path, image, {});
    if (error != toWire(engine::Error::Ok))
        return undo(error);
    if (shown != nullptr)
        shown->showPicture(channel, image, std::max<uint32_t>(file->durationMs(), 1));

    {
        Locks locks(*this, bit(channel) | (stereo ? bit(channel + 1) : 0));
        if (!locks.owned())
            return undo(toWire(engine::Error::NotNow));
        ChannelRecord& owner = record(channel);
        owner.loaded = true;
        owner.owner = true;
        owner.partner = stereo ? channel + 1 : -1;
        owner.file = file.get();
        owner.converter = converter.get();
        owner.readSize = static_cast<int32_t>(readSize);
        owner.readBuffer = std::move(buffer);
        owner.outputData = nullptr;
        owner.outputBytes = 0;
        owner.state = kStateStopped;
        owner.previousState = kStateStopped;
        owner.delivered = 0;
        owner.path = path;
        if (stereo) {
            ChannelRecord& right = record(channel + 1);
            right.loaded = true;
            right.owner = false;
            right.partner = -1;
            right.file = file.get();
            right.converter = converter.get();
            right.readSize = 0;
            right.outputData = nullptr;
            right.outputBytes = 0;
            right.state = kStateStopped;
            right.previousState = kStateStopped;
            right.delivered = 0;
            // The pair plays as one: the right half follows its owner's flags.
            right.loop = owner.loop.load();
            right.synchronised = owner.synchronised;
            right.path = path;
        }
        owner.ownedFile = std::move(file);
        owner.ownedConverter = std::move(converter);
        plat::ScopedLock feed(owner.feedLock);
        owner.ring = std::move(ring);
        owner.feedEnded = false;
        owner.atStart.store(false);
    }
    refresh(channel);
    if (stereo)
        refresh(channel + 1);
    return toWire(engine::Error::Ok);
}

void ChannelSet::clearRecord(ChannelRecord& channel)
{
    // The disk thread is out of the file before it goes.
    plat::ScopedLock feed(channel.feedLock);
    channel.previousState = channel.state;
    channel.state = kStateStopped;
    channel.loaded = false;
    channel.owner = false;
    channel.partner = -1;
    channel.delivered = 0;
    channel.shared = false;
    channel.outputData = nullptr;
    channel.outputBytes = 0;
    channel.file = nullptr;
    channel.converter = nullptr;
    channel.readSize = 0;
    channel.path.clear();
    channel.ring.reset();
    channel.feedEnded = false;
    channel.resumeFromStart.store(false);
    channel.atStart.store(false);
    channel.readBuffer.reset();
    channel.ownedConverter.reset();
    channel.ownedFile.reset();
}

void ChannelSet::closePair(int channel)
{
    if (!validChannel(channel))
        return;
    int owner = channel;
    int partner = -1;
    bool ownsFile = false;
    {
        Locks locks(*this, bit(channel - 1) | bit(channel));
        if (!locks.owned() || !record(channel).loaded)
            return;
        if (!record(channel).owner && channel > 0 && record(channel - 1).partner == channel)
            owner = channel - 1;
        partner = record(owner).partner;
        ownsFile = record(owner).owner;
    }
    // The engine lets go of the streams, and is out of any copy from their
    // buffers, before the buffers go.
    if (ownsFile)
        sendEvent(toWire(engine::Event::DetachStreams), owner + 1, partner + 1);
    {
        Locks locks(*this, bit(owner) | bit(partner));
        if (!locks.owned())
            return;
        // The right half drops its references before its owner deletes them.
        if (partner >= 0)
            clearRecord(record(partner));
        clearRecord(record(owner));
    }
    refresh(owner);
    refresh(partner);
}

void ChannelSet::close(int channel)
{
    closePair(channel);
}

void ChannelSet::closeAll()
{
    for (int channel = 0; channel < kChannelCount; ++channel)
        closePair(channel);
}

void ChannelSet::releaseAll()
{
    // Right halves first: they only hold references to what their owners delete.
    for (int channel = kChannelCount - 1; channel >= 0; --channel) {
        if (records_[std::size_t(channel)] != nullptr)
            clearRecord(record(channel));
    }
}

void ChannelSet::setPairState(int channel, int32_t state)
{
    for (int member : {channel, record(channel).partner}) {
        if (!validChannel(member))
            continue;
        ChannelRecord& changed = record(member);
        // playStop read the first blocks already, outside the locks; this only catches the rest.
        if (state != kStateStopped && changed.state == kStateStopped && changed.owner)
            prepareStart(changed);
        changed.state = state;
        changed.delivered = 0;
    }
}

int ChannelSet::playStop(int channel)
{
    if (!validChannel(channel))
        return toWire(engine::Error::Ok);
    unsigned started = 0;   // channels set playing, undone when the engine refuses
    unsigned refreshed = 0; // strips to refresh
    std::string title;      // what started, named while the locks are held
    // The files that may start read their first blocks before any channel
    // lock is held for it, so that the channels playing meanwhile are not
    // kept from their blocks. Only this thread takes a channel out of the
    // stopped state, so what is read stays right until the start.
    unsigned starting = 0;
    {
        Locks locks(*this, kAllChannels);
        const ChannelRecord& current = record(channel);
        for (int other = 0; locks.owned() && other < kChannelCount; ++other) {
            const ChannelRecord& member = record(other);
            if (member.loaded && member.owner && member.state == kStateStopped &&
                (other == channel || (current.synchronised && member.synchronised)))
                starting |= bit(other);
        }
    }
    for (int other = 0; other < kChannelCount; ++other) {
        if ((starting & bit(other)) != 0)
            prepareStart(record(other));
    }
    {
        Locks locks(*this, kAllChannels);
        ChannelRecord& current = record(channel);
        if (!locks.owned() || !current.loaded || !current.owner)
            return toWire(engine::Error::Ok);
        refreshed = bit(channel) | bit(current.partner);
        if (current.state == kStatePlaying || current.state == kStatePaused) {
            // The next start rewinds it (prepareStart).
            setPairState(channel, kStateStopped);
        } else if (current.state == kStateStopped && !current.synchronised) {
            setPairState(channel, kStatePlaying);
            started = refreshed;
        } else if (current.state == kStateStopped) {
            bool groupPlays = false;
            for (int other = 0; other < kChannelCount; ++other) {
                const ChannelRecord& member = record(other);
                groupPlays |= member.loaded && member.synchronised && member.state == kStatePlaying;
            }
            for (int other = 0; other < kChannelCount; ++other) {
                const ChannelRecord& member = record(other);
                if (member.loaded && member.synchronised)
                    refreshed |= bit(other) | bit(member.partner);
                if (!groupPlays && member.loaded && member.synchronised)
                    setPairState(other, kStatePlaying);
            }
            // It joins at the next loop restart of the synchronised channel that plays.
            if (groupPlays)
                setPairState(channel, kStateWaiting);
            else
                started = kAllChannels;
        }
        title = titleOf(started);
    }
    int result = toWire(engine::Error::Ok);
    // Outside the locks: the streaming thread that starts now reads at once.
    if (started != 0 && sendEvent(toWire(engine::Event::StartStreaming), 0, 0) == 0) {
        Locks locks(*this, started);
        for (int other = 0; locks.owned() && other < kChannelCount; ++other) {
            if ((started & bit(other)) != 0) {
                record(other).state = kStateStopped;
                record(other).delivered = 0;
            }
        }
        result = fail(toWire(engine::Error::OutputNotReady), false);
    } else if (started != 0) {
        announce(title);
    }
    for (int other = 0; other < kChannelCount; ++other) {
        if ((refreshed & bit(other)) != 0)
            refresh(other);
    }
    return result;
}

std::string ChannelSet::titleOf(int channels)
{
    // The file names of what started, each once (a stereo file feeds two channels).
    std::string title;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const ChannelRecord& started = record(channel);
        if ((channels & bit(channel)) == 0 || !started.loaded)
            continue;
        const std::string name = plat::fileNameOf(started.path);
        if (title.find(name) == std::string::npos)
            title += (title.empty() ? "" : " + ") + name;
    }
    return title;
}

void ChannelSet::announce(const std::string& title)
{
    if (title.empty() || engineLink_.eventCallback == nullptr)
        return;
    engine::EngineEvent playing{};
    playing.code = toWire(engine::Event::NowPlaying);
    playing.value = reinterpret_cast<intptr_t>(title.c_str());
    (void)engineLink_.eventCallback(&playing); // an engine without titles ignores it
}

void ChannelSet::pause(int channel)
{
    if (!validChannel(channel))
        return;
    int partner = -1;
    {
        Locks locks(*this, bit(channel) | bit(channel + 1));
        ChannelRecord& current = record(channel);
        if (!locks.owned() || !current.loaded || !current.owner)
            return;
        partner = current.partner;
        if (current.state == kStatePlaying)
            setPairState(channel, kStatePaused);
        else if (current.state == kStatePaused)
            setPairState(channel, kStatePlaying);
        else
            return;
    }
    // A paused channel's reads end before the strip would be refreshed there.
    refresh(channel);
    refresh(partner);
}

void ChannelSet::setLoop(int channel, bool loop)
{
    if (!validChannel(channel))
        return;
    Locks locks(*this, bit(channel) | bit(channel + 1));
    ChannelRecord& current = record(channel);
    if (!locks.owned())
        return;
    current.loop = loop;
    if (current.owner && validChannel(current.partner))
        record(current.partner).loop = loop;
}

void ChannelSet::setSynchronised(int channel, bool synchronised)
{
    if (!validChannel(channel))
        return;
    int partner = -1;
    bool stopped = false;
    {
        Locks locks(*this, bit(channel) | bit(channel + 1));
        ChannelRecord& current = record(channel);
        if (!locks.owned())
            return;
        current.synchronised = synchronised;
        if (current.owner && validChannel(current.partner)) {
            partner = current.partner;
            record(partner).synchronised = synchronised;
        }
        if (!synchronised && current.state == kStateWaiting) {
            setPairState(channel, kStateStopped);
            stopped = true;
        }
    }
    if (stopped) {
        refresh(channel);
        refresh(partner);
    }
}

int ChannelSet::loadRecording(const std::string& path, int fileChannels)
{
    const int needed = fileChannels == 2 ? 2 : 1;
    for (int channel = 0; channel + needed <= kChannelCount; ++channel) {
        if (!isLoaded(channel) && (needed == 1 || !isLoaded(channel + 1)))
            return open(channel, path);
    }
    return fail(toWire(engine::Error::NoFreeChannelsForFile), false);
}

} // namespace tindle
