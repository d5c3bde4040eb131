#include <soxr.h>

#include "zkr/Resampler.h"

namespace zkr {

namespace {

class SoxrConversion final : public RateConversion {
public:
    bool create(int inputRate, int channels, InputSamples input)
    {
        // No dither: the same file always gives the same samples.
        soxr_io_spec_t io =
            soxr_io_spec(input == InputSamples::Float32 ? SOXR_FLOAT32_I : SOXR_INT16_I, SOXR_INT16_I);
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

    bool convert(const void* input, size_t frames, size_t& used, int16_t* output, size_t room,
                 size_t& made) override
    {
        used = 0;
        made = 0;
        if (input == nullptr)
            return soxr_process(soxr_.get(), nullptr, 0, nullptr, output, room, &made) == nullptr;
        return soxr_process(soxr_.get(), input, frames, &used, output, room, &made) == nullptr;
    }

    // libsoxr takes only the input whose output fits.
    size_t outputBound(size_t) const override { return 0; }

    void clear() override { soxr_clear(soxr_.get()); }

private:
    struct SoxrDeleter {
        void operator()(soxr_t resampler) const { soxr_delete(resampler); }
    };
    std::unique_ptr<soxr, SoxrDeleter> soxr_;
};

} // namespace

std::unique_ptr<RateConversion> makeSoxrConversion(int inputRate, int channels, InputSamples input)
{
    auto conversion = std::make_unique<SoxrConversion>();
    if (!conversion->create(inputRate, channels, input))
        return nullptr;
    return conversion;
}

} // namespace zkr
