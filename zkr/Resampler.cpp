#include "zkr/Resampler.h"

#include <algorithm>
#include <cstring>

namespace zkr {

namespace {

// What flush asks for at a time.
constexpr size_t kFlushFrames = 4096;
// Output room beyond the input's share, for what a filter held back.
constexpr size_t kRoomSlackFrames = 64;

} // namespace

bool Resampler::configure(int inputRate, int channels, Samples input)
{
    channels_ = channels;
    ratio_ = double(kOutputRate) / inputRate;
    conversion_.reset();
    if (inputRate == kOutputRate && input == Samples::Int16)
        return true;
    conversion_ = maker_(inputRate, channels, input);
    return conversion_ != nullptr;
}

bool Resampler::process(const int16_t* input, size_t frames, std::vector<int16_t>& output)
{
    if (!conversion_) {
        output.insert(output.end(), input, input + frames * size_t(channels_));
        return true;
    }
    // The library may take less input than offered when the output room runs out.
    while (frames > 0) {
        const size_t room =
            std::max(size_t(double(frames) * ratio_) + kRoomSlackFrames, conversion_->outputBound(frames));
        const size_t start = output.size();
        output.resize(start + room * size_t(channels_));
        size_t used = 0;
        size_t made = 0;
        if (!conversion_->convert(input, frames, used, output.data() + start, room, made))
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
    if (!conversion_)
        return true;
    for (;;) {
        const size_t start = output.size();
        output.resize(start + kFlushFrames * size_t(channels_));
        size_t used = 0;
        size_t made = 0;
        const bool converted =
            conversion_->convert(nullptr, 0, used, output.data() + start, kFlushFrames, made);
        output.resize(start + made * size_t(channels_));
        if (!converted || made == 0)
            return converted;
    }
}

bool Resampler::convertInto(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                            size_t& made)
{
    if (conversion_)
        return conversion_->convert(input, frames, used, output, room, made);
    const size_t count = std::min(frames, room);
    if (input != nullptr && count > 0)
        std::memcpy(output, input, count * size_t(channels_) * sizeof(int16_t));
    used = made = count;
    return true;
}

void Resampler::clear()
{
    if (conversion_)
        conversion_->clear();
}

} // namespace zkr
