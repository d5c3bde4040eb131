#pragma once

#include <atomic>
#include <string>

#include "platform/audio/AudioTypes.h"
#include "platform/audio/Stream.h"
#include "platform/audio/alsa/AlsaPcm.h"
#include "platform/core/UniqueFd.h"

namespace plat::audio {

// One ALSA PCM, used in non-blocking mode: a transfer writes or reads until
// the device has no room (or nothing) and then polls the PCM together with an
// eventfd, so that wake() interrupts a transfer at once (reset, pause, close).
// Underruns and overruns are recovered with snd_pcm_recover and counted.
// Output blocks count as played once ALSA has taken them; the buffer is kept
// short (about 100 ms) for that reason.
class AlsaStream final : public Stream {
public:
    // Opens the PCM by name with the format; Ok, or the result and ALSA's
    // own words for why it cannot. ALSA's null device gets a stream paced by
    // a clock (SilentStream), as it keeps no time of its own.
    static Result open(const std::string& name, Direction direction, const PcmFormat& format,
                       std::unique_ptr<Stream>& stream, std::string& reason);

    long transfer(uint8_t* data, size_t bytes) override;
    void wake() override;
    void setRunning(bool running) override;
    void reset(bool drainable) override;
    uint64_t xruns() const override { return xruns_.load(); }

private:
    AlsaStream(AlsaPcm pcm, UniqueFd wakeFd, Direction direction, const PcmFormat& format, bool canPause,
               unsigned bufferMs);

    // Waits for room (or samples) or a wake; false when woken.
    [[nodiscard]] bool waitReady();
    [[nodiscard]] bool recover(int error);

    AlsaPcm pcm_;     // device thread only
    UniqueFd wakeFd_; // eventfd; written by wake() from any thread
    const Direction direction_;
    const PcmFormat format_;
    const bool canPause_;
    const unsigned bufferMs_;
    bool running_ = false; // device thread only
    std::atomic<uint64_t> xruns_{0};
};

// Our result for an error of snd_pcm_open.
Result alsaOpenResult(int error);

// Opens name with format as the ALSA PCM of a direction; maps ALSA's errors
// and keeps its text for them in reason.
Result openAlsaPcm(const std::string& name, Direction direction, const PcmFormat& format, AlsaPcm& pcm,
                   std::string& reason);

} // namespace plat::audio
