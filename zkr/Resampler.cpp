#include "zkr/Resampler.h"

#include <algorithm>
#include <climits>
#include <cstring>

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

} // namespace

void Resampler::ContextDeleter::operator()(SwrContext* context) const
{
    swr_free(&context);
}

bool Resampler::configure(int inputRate, int channels, Samples input)
{
    channels_ = channels;
    input_ = input;
    ratio_ = double(kOutputRate) / inputRate;
    context_.reset();
    if (inputRate == kOutputRate && input == Samples::Int16)
        return true;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    // ffmpeg's defaults otherwise (filter length, phases, cut-off, no dither:
    // the same file always gives the same samples); 16-bit input is filtered
    // in integers, as ffmpeg does.
    SwrContext* created = nullptr;
    const int allocated =
        swr_alloc_set_opts2(&created, &layout, AV_SAMPLE_FMT_S16, kOutputRate, &layout,
                            input == Samples::Float32 ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_S16, inputRate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    context_.reset(created);
    if (allocated < 0 || !context_ || swr_init(context_.get()) < 0) {
        context_.reset();
        return false;
    }
    return true;
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

bool Resampler::process(const int16_t* input, size_t frames, std::vector<int16_t>& output)
{
    if (!context_) {
        output.insert(output.end(), input, input + frames * size_t(channels_));
        return true;
    }
    while (frames > 0) {
        const size_t part = std::min(frames, kMostFramesPerCall);
        const int bound = swr_get_out_samples(context_.get(), int(part));
        if (bound < 0)
            return false;
        const size_t start = output.size();
        output.resize(start + size_t(bound) * size_t(channels_));
        auto* out = reinterpret_cast<uint8_t*>(output.data() + start);
        const auto* in = reinterpret_cast<const uint8_t*>(input);
        const int made = swr_convert(context_.get(), &out, bound, &in, int(part));
        if (made < 0)
            return false;
        output.resize(start + size_t(made) * size_t(channels_));
        input += part * size_t(channels_);
        frames -= part;
    }
    return true;
}

bool Resampler::flush(std::vector<int16_t>& output)
{
    if (!context_)
        return true;
    for (;;) {
        const size_t start = output.size();
        output.resize(start + kFlushFrames * size_t(channels_));
        auto* out = reinterpret_cast<uint8_t*>(output.data() + start);
        const int made = swr_convert(context_.get(), &out, int(kFlushFrames), nullptr, 0);
        output.resize(start + size_t(std::max(made, 0)) * size_t(channels_));
        if (made <= 0)
            return made == 0;
    }
}

bool Resampler::convertInto(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                            size_t& made)
{
    used = 0;
    made = 0;
    if (!context_) {
        const size_t count = std::min(frames, room);
        if (input != nullptr && count > 0)
            std::memcpy(output, input, count * size_t(channels_) * sizeof(int16_t));
        used = made = count;
        return true;
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

void Resampler::clear()
{
    // Initialising again empties its history and ends a flush; should that
    // fail, the next conversion fails and says so.
    if (context_)
        swr_init(context_.get());
}

} // namespace zkr
