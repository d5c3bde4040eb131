#include "platform/audio/alsa/AlsaStream.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <vector>

#include "platform/audio/virtual/PacedStream.h"

namespace plat::audio {

namespace {

constexpr unsigned kBufferMicroseconds = 100'000;
constexpr unsigned kPeriodMicroseconds = 25'000;

snd_pcm_format_t alsaFormat(uint16_t bits)
{
    switch (bits) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

// Keeps ALSA's text for error, naming the PCM, and answers result.
Result failure(Result result, const std::string& name, int error, std::string& reason)
{
    reason = "ALSA \"" + name + "\": " + snd_strerror(error);
    return result;
}

} // namespace

Result alsaOpenResult(int error)
{
    switch (-error) {
    case EBUSY:
        return Result::Allocated;
    case ENOMEM:
        return Result::NoMemory;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return Result::BadDeviceId;
    default:
        return Result::Error;
    }
}

Result openAlsaPcm(const std::string& name, Direction direction, const PcmFormat& format, AlsaPcm& pcm,
                   std::string& reason)
{
    snd_pcm_t* raw = nullptr;
    const snd_pcm_stream_t stream =
        direction == Direction::Output ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
    int error = snd_pcm_open(&raw, name.c_str(), stream, SND_PCM_NONBLOCK);
    if (error < 0)
        return failure(alsaOpenResult(error), name, error, reason);
    pcm.reset(raw);

    snd_pcm_hw_params_t* hwRaw = nullptr;
    if ((error = snd_pcm_hw_params_malloc(&hwRaw)) < 0)
        return failure(Result::NoMemory, name, error, reason);
    AlsaHwParams hw(hwRaw);
    if ((error = snd_pcm_hw_params_any(raw, hwRaw)) < 0)
        return failure(Result::Error, name, error, reason);
    if ((error = snd_pcm_hw_params_set_access(raw, hwRaw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (error = snd_pcm_hw_params_set_format(raw, hwRaw, alsaFormat(format.bitsPerSample))) < 0 ||
        (error = snd_pcm_hw_params_set_channels(raw, hwRaw, format.channels)) < 0 ||
        (error = snd_pcm_hw_params_set_rate(raw, hwRaw, format.samplesPerSecond, 0)) < 0)
        return failure(Result::BadFormat, name, error, reason);
    // A short buffer: blocks count as played once taken (see AlsaStream).
    // Both are wishes: the device's nearest sizes are what snd_pcm_hw_params
    // settles on.
    unsigned bufferTime = kBufferMicroseconds;
    unsigned periodTime = kPeriodMicroseconds;
    int dir = 0;
    (void)snd_pcm_hw_params_set_buffer_time_near(raw, hwRaw, &bufferTime, &dir);
    dir = 0;
    (void)snd_pcm_hw_params_set_period_time_near(raw, hwRaw, &periodTime, &dir);
    if ((error = snd_pcm_hw_params(raw, hwRaw)) < 0)
        return failure(Result::BadFormat, name, error, reason);
    return Result::Ok;
}

Result AlsaStream::open(const std::string& name, Direction direction, const PcmFormat& format,
                        std::unique_ptr<Stream>& stream, std::string& reason)
{
    AlsaPcm pcm;
    Result result = openAlsaPcm(name, direction, format, pcm, reason);
    if (result != Result::Ok)
        return result;
    // ALSA's null device takes (or gives) every frame at once, so blocks would
    // come back as fast as they are queued and a run would be over in an
    // instant; the clock plays it in real time instead.
    if (snd_pcm_type(pcm.get()) == SND_PCM_TYPE_NULL) {
        stream = std::make_unique<SilentStream>(format, PacedStream::Pace::RealTime, direction);
        return Result::Ok;
    }

    snd_pcm_hw_params_t* hwRaw = nullptr;
    snd_pcm_sw_params_t* swRaw = nullptr;
    int error = 0;
    if ((error = snd_pcm_hw_params_malloc(&hwRaw)) < 0)
        return failure(Result::NoMemory, name, error, reason);
    AlsaHwParams hw(hwRaw);
    if ((error = snd_pcm_sw_params_malloc(&swRaw)) < 0)
        return failure(Result::NoMemory, name, error, reason);
    AlsaSwParams sw(swRaw);
    snd_pcm_uframes_t bufferSize = 0;
    snd_pcm_uframes_t periodSize = 0;
    if ((error = snd_pcm_hw_params_current(pcm.get(), hwRaw)) < 0 ||
        (error = snd_pcm_get_params(pcm.get(), &bufferSize, &periodSize)) < 0)
        return failure(Result::Error, name, error, reason);
    const bool canPause = snd_pcm_hw_params_can_pause(hwRaw) == 1;
    // Output starts by itself once its buffer is full; input is started by start().
    if ((error = snd_pcm_sw_params_current(pcm.get(), swRaw)) < 0 ||
        (error = snd_pcm_sw_params_set_start_threshold(
             pcm.get(), swRaw, direction == Direction::Output ? bufferSize : bufferSize * 2)) < 0 ||
        (error = snd_pcm_sw_params_set_avail_min(pcm.get(), swRaw, periodSize)) < 0 ||
        (error = snd_pcm_sw_params(pcm.get(), swRaw)) < 0)
        return failure(Result::Error, name, error, reason);

    UniqueFd wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wakeFd)
        return failure(Result::Error, name, -errno, reason);
    const unsigned bufferMs =
        static_cast<unsigned>(static_cast<uint64_t>(bufferSize) * 1000 / format.samplesPerSecond) + 1;
    stream.reset(new AlsaStream(std::move(pcm), std::move(wakeFd), direction, format, canPause, bufferMs));
    return Result::Ok;
}

AlsaStream::AlsaStream(AlsaPcm pcm, UniqueFd wakeFd, Direction direction, const PcmFormat& format,
                       bool canPause, unsigned bufferMs)
    : pcm_(std::move(pcm)), wakeFd_(std::move(wakeFd)), direction_(direction), format_(format),
      canPause_(canPause), bufferMs_(bufferMs)
{
}

long AlsaStream::transfer(uint8_t* data, size_t bytes)
{
    const uint32_t frame = format_.blockAlign();
    const snd_pcm_uframes_t frames = bytes / frame;
    snd_pcm_uframes_t done = 0;
    while (done < frames) {
        uint8_t* at = data + done * frame;
        const snd_pcm_sframes_t moved = direction_ == Direction::Output
                                            ? snd_pcm_writei(pcm_.get(), at, frames - done)
                                            : snd_pcm_readi(pcm_.get(), at, frames - done);
        if (moved > 0) {
            done += static_cast<snd_pcm_uframes_t>(moved);
            continue;
        }
        if (moved == 0 || moved == -EAGAIN) {
            if (!waitReady())
                break;
            continue;
        }
        if (!recover(static_cast<int>(moved)))
            return -1;
    }
    return static_cast<long>(done * frame);
}

bool AlsaStream::waitReady()
{
    const int count = snd_pcm_poll_descriptors_count(pcm_.get());
    std::vector<pollfd> fds(static_cast<size_t>(count > 0 ? count : 0) + 1);
    const int filled =
        count > 0 ? snd_pcm_poll_descriptors(pcm_.get(), fds.data(), static_cast<unsigned>(count)) : 0;
    const size_t used = static_cast<size_t>(filled > 0 ? filled : 0);
    fds[used] = pollfd{wakeFd_.get(), POLLIN, 0};
    // A timeout only makes the caller try again; it bounds a poll that a
    // plug-in device never answers.
    const int ready = ::poll(fds.data(), used + 1, static_cast<int>(bufferMs_ * 2 + 10));
    if (ready > 0 && (fds[used].revents & POLLIN)) {
        eventfd_t ignored = 0;
        ::eventfd_read(wakeFd_.get(), &ignored);
        return false;
    }
    if (ready > 0 && used > 0) {
        unsigned short revents = 0;
        snd_pcm_poll_descriptors_revents(pcm_.get(), fds.data(), static_cast<unsigned>(used), &revents);
    }
    return true;
}

bool AlsaStream::recover(int error)
{
    // An xrun, or a suspend that lost what the device held: both a gap.
    if (error == -EPIPE || error == -ESTRPIPE)
        xruns_.fetch_add(1, std::memory_order_relaxed);
    if (snd_pcm_recover(pcm_.get(), error, 1) < 0)
        return false;
    if (direction_ == Direction::Input && running_)
        snd_pcm_start(pcm_.get());
    return true;
}

void AlsaStream::wake()
{
    ::eventfd_write(wakeFd_.get(), 1);
}

void AlsaStream::setRunning(bool running)
{
    snd_pcm_t* pcm = pcm_.get();
    const snd_pcm_state_t state = snd_pcm_state(pcm);
    if (direction_ == Direction::Output) {
        if (running && state == SND_PCM_STATE_PAUSED) {
            snd_pcm_pause(pcm, 0);
        } else if (!running && state == SND_PCM_STATE_RUNNING) {
            // Without pause support what the device holds is lost; it was handed back as played.
            if (!canPause_ || snd_pcm_pause(pcm, 1) < 0) {
                snd_pcm_drop(pcm);
                snd_pcm_prepare(pcm);
            }
        }
    } else if (running) {
        if (state != SND_PCM_STATE_PREPARED)
            snd_pcm_prepare(pcm);
        snd_pcm_start(pcm);
    } else {
        snd_pcm_drop(pcm);
        snd_pcm_prepare(pcm);
    }
    running_ = running;
}

void AlsaStream::reset(bool drainable)
{
    snd_pcm_t* pcm = pcm_.get();
    const snd_pcm_state_t state = snd_pcm_state(pcm);
    if (direction_ == Direction::Output && drainable && running_ &&
        (state == SND_PCM_STATE_RUNNING || state == SND_PCM_STATE_PREPARED)) {
        // Every block was handed back as played, so what ALSA holds is let
        // finish: at most one short buffer.
        snd_pcm_nonblock(pcm, 0);
        snd_pcm_drain(pcm);
        snd_pcm_nonblock(pcm, 1);
    } else {
        snd_pcm_drop(pcm);
    }
    snd_pcm_prepare(pcm);
    if (direction_ == Direction::Input)
        running_ = false;
}

} // namespace plat::audio
