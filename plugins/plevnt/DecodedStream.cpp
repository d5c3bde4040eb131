#include "plugins/plevnt/DecodedStream.h"

#include <vector>

#include "api/Protocol.h"
#include "platform/ui/MessageQueue.h"
#include "zkr/Text.h"
#include "zkr/WaveformatConverter.h"

namespace plevnt {

namespace {

// How long the module's thread waits at a time for room in a full ring
// before it looks at the stopping flag again.
constexpr uint32_t kRoomWaitMs = 50;
constexpr int32_t kBuffersAsked = 10;

} // namespace

DecodedStream::DecodedStream()
{
    kind = zkr::kKindAudioFile;
}

DecodedStream::~DecodedStream()
{
    close();
}

int DecodedStream::getName(char* buffer)
{
    if (buffer != nullptr)
        zkr::copyText(buffer, zkr::kObjectNameSize, "Audio File");
    return kind;
}

int DecodedStream::fail(int code)
{
    setError(code);
    return code;
}

void DecodedStream::connect(zkr::SharedBuffer* buffer, std::atomic<bool>* endedMarker,
                            plat::ui::WindowHandle window, int playerIndex)
{
    buffer_.store(buffer);
    endedMarker_.store(endedMarker);
    window_.store(window);
    playerIndex_.store(playerIndex);
}

void DecodedStream::setHooks(Hook started, Hook stopped, void* context)
{
    hookContext_.store(context);
    startedHook_.store(started);
    stoppedHook_.store(stopped);
}

int DecodedStream::createHandle()
{
    const AudioDecoder::Functions& es = decoder_->functions;
    const decoder::StreamHandle handle = es.initModule();
    if (es.setInputMode(handle, decoder::kInputModeFile) == 0 ||
        es.setOutputMode(handle, decoder::kOutputModeCallback) == 0) {
        es.deInitModule(handle);
        return toWire(engine::Error::NotImplemented);
    }
    if (es.setOutCB(handle, &DecodedStream::outputCallback, &DecodedStream::eventCallback, this) == 0) {
        es.deInitModule(handle);
        return toWire(engine::Error::PluginInternal);
    }
    handle_ = handle;
    return toWire(engine::Error::Ok);
}

bool DecodedStream::readInfo()
{
    const AudioDecoder::Functions& es = decoder_->functions;
    if (es.open(handle_) == 0)
        return false;
    if (es.initStream(handle_) == 0) {
        es.close(handle_);
        return false;
    }
    int32_t size = 0;
    es.getInfo1(handle_, nullptr, &size);
    std::vector<uint8_t> block(std::size_t(size > 0 ? size : 0));
    const bool filled = size > 0 && es.getInfo1(handle_, block.data(), &size) != 0;
    int32_t value = 0;
    es.getInfo2(handle_, &value);
    // The module may have answered a smaller size the second time.
    const int32_t blockSize = filled ? std::min<int32_t>(size, int32_t(block.size())) : 0;
    decoder_->parse(filled ? block.data() : nullptr, blockSize, value, info_);
    const uint32_t streamSize = es.getSize(handle_);
    if (streamSize != decoder::kUnknownSize) {
        info_.hasSize = 1;
        info_.size = streamSize;
    }
    stereo_ = isStereo(info_);
    es.close(handle_);
    return true;
}

int DecodedStream::open(AudioDecoder& decoder, const std::string& path, int32_t channelBytes,
                        const zkr::WaveFormat& target)
{
    close();
    decoder_ = &decoder;
    info_ = StreamInfo{};
    stereo_ = false;
    if (int code = createHandle(); code != toWire(engine::Error::Ok))
        return fail(code);
    const AudioDecoder::Functions& es = decoder.functions;
    int code = toWire(engine::Error::Ok);
    if (es.setInputName(handle_, path.c_str()) == 0 || !readInfo())
        code = toWire(engine::Error::PluginInternal);
    if (code == toWire(engine::Error::Ok)) {
        const bool ownFormat = decoder.deliversPlayerFormat() || info_.valid == 0;
        const uint32_t rate = ownFormat ? target.samplesPerSecond : uint32_t(info_.sampleRate);
        const uint16_t bits =
            ownFormat ? target.bitsPerSample : uint16_t(info_.hasBits != 0 ? info_.bits : 16);
        sourceFormat_ = zkr::pcmFormat(rate, stereo_ ? 2 : 1, bits);
        zkr::WaveformatConverter check;
        check.setup(sourceFormat_, target, true);
        if (check.sizesDiffer || check.ratesDiffer)
            code = toWire(engine::Error::NotImplemented);
    }
    if (code == toWire(engine::Error::Ok)) {
        blockSize_ = channelBytes * (stereo_ ? 2 : 1);
        if (es.setBuffers(handle_, kBuffersAsked, blockSize_) == 0 || es.open(handle_) == 0)
            code = toWire(engine::Error::PluginInternal);
    }
    if (code != toWire(engine::Error::Ok)) {
        es.deInitModule(handle_);
        handle_ = 0;
        return fail(code);
    }
    clearError();
    return toWire(engine::Error::Ok);
}

void DecodedStream::close()
{
    if (handle_ == 0)
        return;
    stopping_.store(true);
    const AudioDecoder::Functions& es = decoder_->functions;
    es.close(handle_);
    es.deInitModule(handle_);
    handle_ = 0;
}

int DecodedStream::play()
{
    if (handle_ == 0)
        return fail(toWire(engine::Error::PluginInternal));
    stopping_.store(false);
    const AudioDecoder::Functions& es = decoder_->functions;
    if (es.initStream(handle_) == 0 || es.useOutCB(handle_, 1) == 0 || es.play(handle_) == 0)
        return fail(toWire(engine::Error::PluginInternal));
    return toWire(engine::Error::Ok);
}

int DecodedStream::stop()
{
    if (handle_ == 0)
        return fail(toWire(engine::Error::PluginInternal));
    wasPlaying_.store(false);
    // Whatever the module still hands over is dropped, so it never waits on a
    // ring no one empties any more.
    stopping_.store(true);
    if (decoder_->functions.stop(handle_) == 0)
        return fail(toWire(engine::Error::PluginInternal));
    return toWire(engine::Error::Ok);
}

int DecodedStream::pause()
{
    if (handle_ == 0 || decoder_->functions.canPause(handle_) == 0 || decoder_->functions.pause(handle_) == 0)
        return fail(toWire(engine::Error::PluginInternal));
    return toWire(engine::Error::Ok);
}

int DecodedStream::resume()
{
    if (handle_ == 0 || decoder_->functions.resume(handle_) == 0)
        return fail(toWire(engine::Error::PluginInternal));
    return toWire(engine::Error::Ok);
}

int DecodedStream::seek(uint32_t positionMs)
{
    if (handle_ == 0 || decoder_->functions.canSetPos(handle_) == 0 ||
        decoder_->functions.setPos(handle_, positionMs) == 0)
        return fail(toWire(engine::Error::PluginInternal));
    return toWire(engine::Error::Ok);
}

PlayerMode DecodedStream::mode() const
{
    if (handle_ == 0)
        return PlayerMode::Stopped;
    const int32_t mode = decoder_->functions.getPlayerMode(handle_);
    if (mode < decoder::kModePlaying)
        return PlayerMode::Stopped;
    return mode == decoder::kModePlaying ? PlayerMode::Playing : PlayerMode::Paused;
}

uint32_t DecodedStream::position() const
{
    return handle_ != 0 ? decoder_->functions.getPos(handle_) : 0;
}

uint32_t DecodedStream::size() const
{
    const uint32_t known = handle_ != 0 ? decoder_->functions.getSize(handle_) : decoder::kUnknownSize;
    return known == decoder::kUnknownSize || known == 0 ? 1 : known;
}

void DecodedStream::post(uint32_t message, uintptr_t wparam)
{
    if (plat::ui::WindowHandle window = window_.load(); window != nullptr)
        // The window may have closed.
        (void)plat::ui::postMessage(window, message, wparam, playerIndex_.load());
}

// ---------------------------------------------------------------------------
// The module's thread

decoder::Bool DecodedStream::outputCallback(const void* data, int32_t, int32_t, int32_t, int32_t bytes,
                                            void* context)
{
    auto* stream = static_cast<DecodedStream*>(context);
    return stream != nullptr && stream->deliver(data, bytes) ? 1 : 0;
}

decoder::Bool DecodedStream::eventCallback(decoder::Bool started, void* context)
{
    auto* stream = static_cast<DecodedStream*>(context);
    return stream != nullptr && stream->streamEvent(started != 0) ? 1 : 0;
}

bool DecodedStream::deliver(const void* data, int32_t bytes)
{
    zkr::SharedBuffer* buffer = buffer_.load();
    if (buffer == nullptr)
        return false;
    if (stopping_.load())
        return true;
    if (bytes < 0 || bytes > blockSize_ || (bytes > 0 && data == nullptr))
        return false;
    // A full ring is waited on in steps, so that a stop lets the module go.
    for (;;) {
        const int status = buffer->tryWrite(data, uint32_t(bytes));
        if (status == toWire(engine::Error::Ok))
            break;
        if (status != toWire(engine::Error::Busy))
            return false;
        if (stopping_.load())
            return true;
        (void)buffer->dataRead.wait(kRoomWaitMs);
        (void)buffer->dataRead.reset();
    }
    if (window_.load() != nullptr && outputCounter_.fetch_add(1) + 1 >= kBlocksPerProgress) {
        outputCounter_.store(0);
        post(kProgressMessage, 0);
    }
    return true;
}

bool DecodedStream::streamEvent(bool started)
{
    zkr::SharedBuffer* buffer = buffer_.load();
    void* context = hookContext_.load();
    if (started) {
        if (buffer != nullptr) {
            buffer->reset();
            buffer->setEndOfData(false);
        }
        outputCounter_.store(0);
        wasPlaying_.store(true);
        post(kStreamStartedMessage, 0);
        const Hook hook = startedHook_.load();
        return hook == nullptr || hook(context);
    }
    if (buffer != nullptr) {
        buffer->setEndOfData(true);
        (void)buffer->dataWritten.set();
    }
    // The player stops once its reader has taken what the ring still holds.
    if (std::atomic<bool>* marker = endedMarker_.load(); marker != nullptr)
        marker->store(true);
    post(kStreamEndedMessage, wasPlaying_.load() ? 1 : 0);
    wasPlaying_.store(true);
    const Hook hook = stoppedHook_.load();
    return hook == nullptr || hook(context);
}

} // namespace plevnt
