#include "zkr/Resampler.h"

#include <algorithm>
#include <cstring>

namespace zkr {

bool Resampler::configure(int inputRate, int channels, Samples input)
{
    channels_ = channels;
    input_ = input;
    ratio_ = double(kOutputRate) / inputRate;
    soxr_.reset();
    if (inputRate == kOutputRate && input == Samples::Int16)
        return true;
    // No dither: the same file always gives the same samples.
    soxr_io_spec_t io = soxr_io_spec(input == Samples::Float32 ? SOXR_FLOAT32_I : SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    // 16-bit precision: the output has no more, and it still leaves less
    // noise and alias than ffmpeg's default resampling (bench/decoder_bench).
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    // One thread: libsoxr's own worker threads only wait on each other on a
    // busy machine, and the stream's thread is the one to do the work.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr_.reset(soxr_create(inputRate, kOutputRate, unsigned(channels), &error, &io, &quality, &runtime));
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

bool Resampler::convertInto(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                            size_t& made)
{
    used = 0;
    made = 0;
    if (!soxr_) {
        const size_t count = std::min(frames, room);
        if (input != nullptr && count > 0)
            std::memcpy(output, input, count * size_t(channels_) * sizeof(int16_t));
        used = made = count;
        return true;
    }
    if (input == nullptr)
        return soxr_process(soxr_.get(), nullptr, 0, nullptr, output, room, &made) == nullptr;
    return soxr_process(soxr_.get(), input, frames, &used, output, room, &made) == nullptr;
}

void Resampler::clear()
{
    if (soxr_)
        soxr_clear(soxr_.get());
}

} // namespace zkr
