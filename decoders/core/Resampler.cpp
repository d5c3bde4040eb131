#include "decoders/core/Resampler.h"

namespace decoders {

bool Resampler::configure(int inputRate, int channels)
{
    channels_ = channels;
    ratio_ = double(kOutputRate) / inputRate;
    soxr_.reset();
    if (inputRate == kOutputRate)
        return true;
    // No dither: the same file always gives the same samples.
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    soxr_.reset(soxr_create(inputRate, kOutputRate, unsigned(channels), &error, &io, &quality, nullptr));
    return error == nullptr && soxr_ != nullptr;
}

bool Resampler::process(const int16_t* input, size_t frames, std::vector<int16_t>& output)
{
    if (!soxr_) {
        output.insert(output.end(), input, input + frames * size_t(channels_));
        return true;
    }
    // libsoxr may take less input than offered when the output room runs out.
    while (frames > 0) {
        const size_t room = size_t(double(frames) * ratio_) + 64;
        const size_t start = output.size();
        output.resize(start + room * size_t(channels_));
        size_t used = 0;
        size_t made = 0;
        if (soxr_process(soxr_.get(), input, frames, &used, output.data() + start, room, &made) != nullptr)
            return false;
        output.resize(start + made * size_t(channels_));
        input += used * size_t(channels_);
        frames -= used;
        if (used == 0 && made == 0)
            return false;
    }
    return true;
}

bool Resampler::flush(std::vector<int16_t>& output)
{
    if (!soxr_)
        return true;
    constexpr size_t kRoom = 4096;
    for (;;) {
        const size_t start = output.size();
        output.resize(start + kRoom * size_t(channels_));
        size_t made = 0;
        if (soxr_process(soxr_.get(), nullptr, 0, nullptr, output.data() + start, kRoom, &made) != nullptr)
            return false;
        output.resize(start + made * size_t(channels_));
        if (made == 0)
            return true;
    }
}

void Resampler::clear()
{
    if (soxr_)
        soxr_clear(soxr_.get());
}

} // namespace decoders
