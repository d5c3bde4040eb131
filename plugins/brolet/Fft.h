#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace brolet {

// A radix-2 Fourier transform of real samples. The bit-reversed order and
// the twiddle factors are worked out once for the size, so a transform
// allocates nothing.
class RealFft {
public:
    // size: a power of two, at least 2.
    explicit RealFft(int size);

    int size() const { return size_; }
    // Transforms size() samples.
    void transform(const float* samples);
    // The bin's magnitude as the displays count loudness:
    // |X| x 100 / size / 5120, at most 100.
    int magnitudePercent(int bin) const;

private:
    int size_;
    std::vector<int> reversed_;
    std::vector<float> cosines_; // size / 2 twiddles
    std::vector<float> sines_;
    std::vector<float> real_;
    std::vector<float> imaginary_;
};

// A block of interleaved 16-bit stereo frames, read at frames spread evenly
// over it: the i-th of count is frame i x (frames / count). A block of fewer
// frames than count is read whole, and silence follows it.
class StereoBlock {
public:
    StereoBlock(const void* block, uint32_t bytes)
        : bytes_(static_cast<const unsigned char*>(block)), frames_(block != nullptr ? bytes / 4 : 0)
    {
    }

    uint32_t frames() const { return frames_; }
    // channel 0 is left, 1 right.
    int16_t spread(uint32_t index, uint32_t count, int channel) const
    {
        const uint32_t step = frames_ >= count ? frames_ / count : 1;
        const uint32_t frame = index * step;
        if (frame >= frames_)
            return 0;
        int16_t sample;
        std::memcpy(&sample, bytes_ + std::size_t(frame) * 4 + std::size_t(channel) * 2, sizeof sample);
        return sample;
    }

private:
    const unsigned char* bytes_;
    uint32_t frames_;
};

} // namespace brolet
