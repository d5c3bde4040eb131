#include <algorithm>
#include <climits>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include "zkr/Resampler.h"

namespace zkr {

namespace {

// libswresample counts frames in int: longer input goes in parts.
constexpr size_t kMostFramesPerCall = size_t{1} << 20;

class SwresampleConversion final : public RateConversion {
public:
    bool create(int inputRate, int channels)
    {
        ratio_ = double(kOutputRate) / inputRate;
        AVChannelLayout layout{};
        av_channel_layout_default(&layout, channels);
        // ffmpeg's defaults otherwise (filter length, phases, cut-off, no
        // dither: the same file always gives the same samples).
        SwrContext* created = nullptr;
        const int allocated = swr_alloc_set_opts2(&created, &layout, AV_SAMPLE_FMT_S16, kOutputRate, &layout,
                                                  AV_SAMPLE_FMT_S16, inputRate, 0, nullptr);
        av_channel_layout_uninit(&layout);
        context_.reset(created);
        return allocated >= 0 && context_ && swr_init(context_.get()) >= 0;
    }

    bool convert(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                 size_t& made) override
    {
        used = 0;
        made = 0;
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

    // Its bound can exceed the input's share by more than the slack a filter
    // holds back.
    size_t outputBound(size_t frames) const override
    {
        const int bound = swr_get_out_samples(context_.get(), int(std::min(frames, kMostFramesPerCall)));
        return size_t(std::max(bound, 0));
    }

    // Initialising again empties its history and ends a flush; should that
    // fail, the next conversion fails and says so.
    void clear() override { swr_init(context_.get()); }

private:
    // The most input frames whose output surely fits in room frames.
    // libswresample keeps whatever input does not fit the output, growing its
    // buffers; offering only what fits keeps its memory and our latency fixed.
    size_t inputFitting(size_t frames, size_t room) const
    {
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

    struct ContextDeleter {
        void operator()(SwrContext* context) const { swr_free(&context); }
    };
    std::unique_ptr<SwrContext, ContextDeleter> context_;
    double ratio_ = 1.0;
};

} // namespace

std::unique_ptr<RateConversion> makeSwresampleConversion(int inputRate, int channels, InputSamples input)
{
    if (input != InputSamples::Int16)
        return nullptr;
    auto conversion = std::make_unique<SwresampleConversion>();
    if (!conversion->create(inputRate, channels))
        return nullptr;
    return conversion;
}

} // namespace zkr
