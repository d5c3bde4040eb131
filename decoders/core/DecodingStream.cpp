#include "decoders/core/DecodingStream.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace decoders {

namespace {

// Frames read from the file per step: small enough that stop, pause and seek
// answer at once, large enough that the libraries run efficiently.
constexpr long kReadFrames = 4096;

uint64_t framesOf(uint64_t ms)
{
    return ms * kOutputRate / 1000;
}

} // namespace

DecodingStream::~DecodingStream()
{
    endThread();
}

bool DecodingStream::fail(StreamError error)
{
    std::lock_guard lock(mutex_);
    error_ = error;
    return false;
}

int32_t DecodingStream::lastError() const
{
    std::lock_guard lock(mutex_);
    return int32_t(error_);
}

bool DecodingStream::setInputMode(int32_t mode)
{
    if (mode != decoder::kInputModeFile)
        return fail(StreamError::Unsupported);
    inputMode_ = mode;
    return true;
}

bool DecodingStream::setOutputMode(int32_t mode)
{
    if (mode != decoder::kOutputModeCallback)
        return fail(StreamError::Unsupported);
    outputMode_ = mode;
    return true;
}

bool DecodingStream::setOutputCallbacks(decoder::OutputCallback output, decoder::EventCallback event, void* context)
{
    if (output == nullptr)
        return fail(StreamError::Unsupported);
    output_ = output;
    event_ = event;
    context_ = context;
    return true;
}

bool DecodingStream::useOutputCallback(bool use)
{
    if (use && output_ == nullptr)
        return fail(StreamError::Unsupported);
    useOutput_ = use;
    return true;
}

bool DecodingStream::setInputName(const char* path)
{
    if (path == nullptr || *path == '\0')
        return fail(StreamError::NoInputName);
    path_ = path;
    return true;
}

bool DecodingStream::setBuffers(int32_t count, int32_t blockBytes)
{
    // A block holds at least one stereo frame.
    if (count < 1 || blockBytes < 4)
        return fail(StreamError::Unsupported);
    blockBytes_ = blockBytes;
    return true;
}

bool DecodingStream::setLimits(uint32_t fromMs, uint32_t toMs)
{
    const bool noEnd = toMs == 0 || toMs == decoder::kUnknownSize;
    if (!noEnd && toMs <= fromMs)
        return fail(StreamError::Unsupported);
    if (!setPosition(fromMs))
        return false;
    endLimitMs_ = noEnd ? 0 : toMs;
    return true;
}

bool DecodingStream::open()
{
    if (thread_.joinable() && !endThread())
        return false;
    if (path_.empty())
        return fail(StreamError::NoInputName);
    source_.reset();
    std::unique_ptr<Source> closed = std::move(closedSource_);
    // A FIFO or a device would block the host's thread in the open; only a regular file is read.
    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return fail(StreamError::CannotOpen);
    const FileIdentity file{path_,
                            uint64_t(info.st_dev),
                            uint64_t(info.st_ino),
                            uint64_t(info.st_size),
                            int64_t(info.st_mtim.tv_sec),
                            int64_t(info.st_mtim.tv_nsec)};
    const bool reused = closed && file == sourceFile_ && closed->canSeek() && closed->seek(0);
    std::unique_ptr<Source> source = reused ? std::move(closed) : createSource();
    if (!reused && !source->open(path_))
        return fail(StreamError::CannotOpen);
    const int rate = source->sampleRate();
    if (rate < kLowestInputRate || rate > kHighestInputRate)
        return fail(StreamError::Unsupported);
    if (!resampler_.configure(rate, source->channels()))
        return fail(StreamError::Resampling);
    source_ = std::move(source);
    sourceFile_ = file;
    sourceAtStart_ = true;
    channels_ = source_->channels();
    // Fewer frames from a low-rate file: each step's output stays near kReadFrames.
    readFrames_ = std::clamp<long>(kReadFrames * rate / kOutputRate, 1, kReadFrames);
    information_ = source_->information();
    informationValue_ = source_->informationValue();
    std::lock_guard lock(mutex_);
    startMs_ = 0;
    error_ = StreamError::None;
    return true;
}

bool DecodingStream::initStream()
{
    if (!source_)
        return fail(StreamError::NotOpen);
    std::lock_guard lock(mutex_);
    error_ = StreamError::None;
    return true;
}

bool DecodingStream::close()
{
    // Closing a playing stream stops it first, with its end event.
    endThread();
    closedSource_ = std::move(source_);
    std::lock_guard lock(mutex_);
    startMs_ = 0;
    return true;
}

bool DecodingStream::information(void* buffer, int32_t* size)
{
    if (size == nullptr)
        return fail(StreamError::Unsupported);
    if (!source_)
        return fail(StreamError::NotOpen);
    const auto needed = int32_t(information_.size());
    if (buffer == nullptr) {
        *size = needed;
        return true;
    }
    if (*size < needed) {
        *size = needed;
        return fail(StreamError::Unsupported);
    }
    std::memcpy(buffer, information_.data(), information_.size());
    *size = needed;
    return true;
}

bool DecodingStream::informationValue(int32_t* value)
{
    if (value == nullptr)
        return fail(StreamError::Unsupported);
    if (!source_)
        return fail(StreamError::NotOpen);
    *value = informationValue_;
    return true;
}

uint32_t DecodingStream::sizeMs() const
{
    if (!source_ || source_->lengthFrames() < 0)
        return decoder::kUnknownSize;
    return uint32_t(uint64_t(source_->lengthFrames()) * 1000 / uint64_t(source_->sampleRate()));
}

bool DecodingStream::canSeek() const
{
    return source_ && source_->canSeek();
}

bool DecodingStream::play()
{
    if (!source_)
        return fail(StreamError::NotOpen);
    if (inputMode_ != decoder::kInputModeFile || outputMode_ != decoder::kOutputModeCallback || !useOutput_ ||
        output_ == nullptr)
        return fail(StreamError::Unsupported);
    {
        std::lock_guard lock(mutex_);
        if (mode_ == decoder::kModePlaying)
            return true;
        if (mode_ == decoder::kModePaused) {
            mode_ = decoder::kModePlaying;
            wake_.notify_all();
            return true;
        }
    }
    // A thread that ran to the end of the file has ended; collect it.
    if (thread_.joinable())
        thread_.join();

    threadOutput_ = output_;
    threadEvent_ = event_;
    threadContext_ = context_;
    blockFrames_ = std::max<size_t>(1, size_t(blockBytes_) / (size_t(channels_) * sizeof(int16_t)));
    {
        std::lock_guard lock(mutex_);
        mode_ = decoder::kModePlaying;
        stopAsked_ = false;
        seekAsked_ = startMs_;
        deliveredFrames_ = 0;
        error_ = StreamError::None;
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        std::lock_guard lock(mutex_);
        mode_ = decoder::kModeStopped;
        error_ = StreamError::ThreadFailed;
        return false;
    }
    return true;
}

bool DecodingStream::endThread()
{
    if (!thread_.joinable())
        return true;
    {
        std::lock_guard lock(mutex_);
        stopAsked_ = true;
        wake_.notify_all();
    }
    // Stopped from one of our own callbacks: the thread ends by itself.
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
        return true;
    }
    thread_.join();
    return true;
}

bool DecodingStream::stop()
{
    endThread();
    std::lock_guard lock(mutex_);
    mode_ = decoder::kModeStopped;
    startMs_ = 0;
    deliveredFrames_ = 0;
    seekAsked_.reset();
    return true;
}

bool DecodingStream::pause()
{
    std::lock_guard lock(mutex_);
    if (mode_ == decoder::kModePaused)
        return true;
    if (mode_ != decoder::kModePlaying) {
        error_ = StreamError::Unsupported;
        return false;
    }
    mode_ = decoder::kModePaused;
    return true;
}

bool DecodingStream::resume()
{
    std::lock_guard lock(mutex_);
    if (mode_ == decoder::kModeStopped) {
        error_ = StreamError::Unsupported;
        return false;
    }
    mode_ = decoder::kModePlaying;
    wake_.notify_all();
    return true;
}

uint32_t DecodingStream::positionMs() const
{
    std::lock_guard lock(mutex_);
    if (seekAsked_)
        return *seekAsked_;
    return startMs_ + uint32_t(deliveredFrames_ * 1000 / kOutputRate);
}

bool DecodingStream::setPosition(uint32_t ms)
{
    if (!source_)
        return fail(StreamError::NotOpen);
    const uint32_t size = sizeMs();
    if (!source_->canSeek() || (size != decoder::kUnknownSize && ms > size))
        return fail(StreamError::Unsupported);
    std::lock_guard lock(mutex_);
    if (mode_ == decoder::kModeStopped) {
        startMs_ = ms;
    } else {
        seekAsked_ = ms;
        wake_.notify_all();
    }
    return true;
}

int32_t DecodingStream::playerMode() const
{
    std::lock_guard lock(mutex_);
    return mode_;
}

// --- the decoding thread ---------------------------------------------------

DecodingStream::Gate DecodingStream::waitForGate()
{
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopAsked_ || seekAsked_ || mode_ != decoder::kModePaused; });
    if (stopAsked_)
        return Gate::Stop;
    return seekAsked_ ? Gate::Seek : Gate::Deliver;
}

void DecodingStream::applySeek(uint32_t ms)
{
    const int64_t frame = int64_t(uint64_t(ms) * uint64_t(source_->sampleRate()) / 1000);
    if (frame != 0 || !sourceAtStart_) {
        if (!source_->seek(frame)) {
            // A source that cannot seek still starts over when opened again.
            std::unique_ptr<Source> reopened = createSource();
            if (frame != 0 || !reopened->open(path_)) {
                std::lock_guard lock(mutex_);
                error_ = StreamError::Decoding;
            } else {
                source_ = std::move(reopened);
            }
        }
    }
    sourceAtStart_ = frame == 0;
    resampler_.clear();
    pending_.clear();
    endLimitFrames_ = endLimitMs_ > ms ? framesOf(endLimitMs_ - ms) : 0;
    std::lock_guard lock(mutex_);
    startMs_ = ms;
    deliveredFrames_ = 0;
}

DecodingStream::Gate DecodingStream::deliver(bool all)
{
    const size_t blockSamples = blockFrames_ * size_t(channels_);
    size_t offset = 0;
    while (pending_.size() - offset >= blockSamples || (all && offset < pending_.size())) {
        const Gate gate = waitForGate();
        if (gate != Gate::Deliver) {
            pending_.clear();
            return gate;
        }
        const size_t samples = std::min(blockSamples, pending_.size() - offset);
        const auto bytes = int32_t(samples * sizeof(int16_t));
        if (!threadOutput_(pending_.data() + offset, 0, 0, 0, bytes, threadContext_)) {
            std::lock_guard lock(mutex_);
            error_ = StreamError::OutputRefused;
            return Gate::Stop;
        }
        offset += samples;
        std::lock_guard lock(mutex_);
        deliveredFrames_ += samples / size_t(channels_);
    }
    pending_.erase(pending_.begin(), pending_.begin() + ptrdiff_t(offset));
    return Gate::Deliver;
}

void DecodingStream::run()
{
    if (threadEvent_ != nullptr)
        threadEvent_(1, threadContext_);
    decoded_.resize(size_t(kReadFrames) * size_t(channels_));
    for (bool running = true; running;) {
        std::optional<uint32_t> seek;
        {
            std::lock_guard lock(mutex_);
            if (stopAsked_)
                break;
            seek.swap(seekAsked_);
        }
        if (seek)
            applySeek(*seek);

        const long frames = source_->read(decoded_.data(), readFrames_);
        bool atEnd = frames == 0;
        if (frames < 0) {
            std::lock_guard lock(mutex_);
            error_ = StreamError::Decoding;
            break;
        }
        sourceAtStart_ = false;
        const bool converted = atEnd ? resampler_.flush(pending_)
                                     : resampler_.process(decoded_.data(), size_t(frames), pending_);
        if (!converted) {
            std::lock_guard lock(mutex_);
            error_ = StreamError::Resampling;
            break;
        }
        if (endLimitFrames_ != 0) {
            uint64_t delivered = 0;
            {
                std::lock_guard lock(mutex_);
                delivered = deliveredFrames_;
            }
            const uint64_t allowed = endLimitFrames_ > delivered ? endLimitFrames_ - delivered : 0;
            if (pending_.size() / size_t(channels_) >= allowed) {
                pending_.resize(size_t(allowed) * size_t(channels_));
                atEnd = true;
            }
        }
        switch (deliver(atEnd)) {
        case Gate::Stop:
            running = false;
            break;
        case Gate::Seek:
            break;
        case Gate::Deliver:
            running = !atEnd;
            break;
        }
    }
    {
        std::lock_guard lock(mutex_);
        mode_ = decoder::kModeStopped;
        startMs_ = 0;
        deliveredFrames_ = 0;
        seekAsked_.reset();
    }
    if (threadEvent_ != nullptr)
        threadEvent_(0, threadContext_);
}

} // namespace decoders
