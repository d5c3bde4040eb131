#include "zkr/Resampler.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <soxr.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace zkr {

namespace {

// libswresample counts frames in int: longer input goes in parts.
constexpr size_t kMostFramesPerCall = size_t{1} << 20;
// What flush asks for at a time.
constexpr size_t kFlushFrames = 4096;
// Output room beyond the input's share, for what a filter held back.
constexpr size_t kRoomSlackFrames = 64;

} // namespace

void Resampler::ContextDeleter::operator()(SwrContext* context) const
{
    swr_free(&context);
}

void Resampler::SoxrDeleter::operator()(soxr* resampler) const
{
    soxr_delete(resampler);
}

bool Resampler::configure(int inputRate, int channels, Samples input)
{
    channels_ = channels;
    input_ = input;
    ratio_ = double(kOutputRate) / inputRate;
    context_.reset();
    soxr_.reset();
    if (inputRate == kOutputRate && input == Samples::Int16)
        return true;
    if (input == Samples::Float32)
        return configureSoxr(inputRate, channels);
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    // ffmpeg's defaults otherwise (filter length, phases, cut-off, no dither:
    // the same file always gives the same samples).
    SwrContext* created = nullptr;
    const int allocated = swr_alloc_set_opts2(&created, &layout, AV_SAMPLE_FMT_S16, kOutputRate, &layout,
                                              AV_SAMPLE_FMT_S16, inputRate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    context_.reset(created);
    if (allocated < 0 || !context_ || swr_init(context_.get()) < 0) {
        context_.reset();
        return false;
    }
    return true;
}

bool Resampler::configureSoxr(int inputRate, int channels)
{
    // No dither: the same file always gives the same samples.
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    // 16-bit precision: the output has no more.
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    // One thread: libsoxr's own worker threads only wait on each other on a
    // busy machine, and the stream's thread is the one to do the work.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr_.reset(soxr_create(inputRate, kOutputRate, unsigned(channels), &error, &io, &quality, &runtime));
    return error == nullptr && soxr_ != nullptr;
}

size_t Resampler::outputBound(size_t frames) const
{
    if (!context_)
        return 0;
    const int bound = swr_get_out_samples(context_.get(), int(std::min(frames, kMostFramesPerCall)));
    return size_t(std::max(bound, 0));
}

size_t Resampler::inputFitting(size_t frames, size_t room) const
{
    // libswresample keeps whatever input does not fit the output, growing its
    // buffers; offering only what fits keeps its memory and our latency fixed.
    size_t count = std::min({frames, kMostFramesPerCall, size_t(double(room) / ratio_) + 1});
    while (count > 0) {
        const int bound = swr_get_out_samples(context_.get(), int(count));
        if (bound >= 0 && size_t(bound) <= room)
            return count;
        const size_t excess = bound < 0 ? count / 2 + 1 : size_t(bound) - room;
        count -= std::min(count, size_t(double(excess) / ratio_) + 1);
    }
    return 0;
}

bool Resampler::convert(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                        size_t& made)
{
    used = 0;
    made = 0;
    if (soxr_) {
        if (input == nullptr)
            return soxr_process(soxr_.get(), nullptr, 0, nullptr, output, room, &made) == nullptr;
        return soxr_process(soxr_.get(), input, frames, &used, output, room, &made) == nullptr;
    }
    auto* out = reinterpret_cast<uint8_t*>(output);
    const int outRoom = int(std::min<size_t>(room, INT_MAX));
    // No input is libswresample's sign for the end: it gives out its tail.
    if (input == nullptr) {
        const int given = swr_convert(context_.get(), &out, outRoom, nullptr, 0);
        made = size_t(std::max(given, 0));
        return given >= 0;
    }
    const size_t taken = inputFitting(frames, room);
    const auto* in = static_cast<const uint8_t*>(input);
    const int given = swr_convert(context_.get(), &out, outRoom, &in, int(taken));
    if (given < 0)
        return false;
    used = taken;
    made = size_t(given);
    return true;
}

bool Resampler::process(const int16_t* input, size_t frames, std::vector<int16_t>& output)
{
    if (!context_ && !soxr_) {
        output.insert(output.end(), input, input + frames * size_t(channels_));
        return true;
    }
    // The library may take less input than offered when the output room runs out.
    while (frames > 0) {
        const size_t room = std::max(size_t(double(frames) * ratio_) + kRoomSlackFrames, outputBound(frames));
        const size_t start = output.size();
        output.resize(start + room * size_t(channels_));
        size_t used = 0;
        size_t made = 0;
        if (!convert(input, frames, used, output.data() + start, room, made))
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
    if (!context_ && !soxr_)
        return true;
    for (;;) {
        const size_t start = output.size();
        output.resize(start + kFlushFrames * size_t(channels_));
        size_t used = 0;
        size_t made = 0;
        const bool converted = convert(nullptr, 0, used, output.data() + start, kFlushFrames, made);
        output.resize(start + made * size_t(channels_));
        if (!converted || made == 0)
            return converted;
    }
}

bool Resampler::convertInto(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                            size_t& made)
{
    if (context_ || soxr_)
        return convert(input, frames, used, output, room, made);
    const size_t count = std::min(frames, room);
    if (input != nullptr && count > 0)
        std::memcpy(output, input, count * size_t(channels_) * sizeof(int16_t));
    used = made = count;
    return true;
}

void Resampler::clear()
{
    if (soxr_)
        soxr_clear(soxr_.get());
    // Initialising again empties its history and ends a flush; should that
    // fail, the next conversion fails and says so.
    if (context_)
        swr_init(context_.get());
}

} // namespace zkr
