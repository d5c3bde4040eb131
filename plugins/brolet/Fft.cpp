#include "plugins/brolet/Fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brolet {

RealFft::RealFft(int size)
    : size_(size), reversed_(std::size_t(size)), cosines_(std::size_t(size / 2)),
      sines_(std::size_t(size / 2)), real_(std::size_t(size)), imaginary_(std::size_t(size))
{
    int bits = 0;
    while ((1 << bits) < size)
        ++bits;
    for (int i = 0; i < size; ++i) {
        int reversed = 0;
        for (int bit = 0; bit < bits; ++bit)
            reversed |= ((i >> bit) & 1) << (bits - 1 - bit);
        reversed_[std::size_t(i)] = reversed;
    }
    for (int k = 0; k < size / 2; ++k) {
        const double angle = -2.0 * std::numbers::pi * k / size;
        cosines_[std::size_t(k)] = float(std::cos(angle));
        sines_[std::size_t(k)] = float(std::sin(angle));
    }
}

void RealFft::transform(const float* samples)
{
    for (int i = 0; i < size_; ++i) {
        real_[std::size_t(reversed_[std::size_t(i)])] = samples[i];
        imaginary_[std::size_t(i)] = 0.0f;
    }
    for (int span = 2; span <= size_; span *= 2) {
        const int half = span / 2;
        const int twiddleStep = size_ / span;
        for (int start = 0; start < size_; start += span) {
            for (int k = 0; k < half; ++k) {
                const std::size_t even = std::size_t(start + k);
                const std::size_t odd = even + std::size_t(half);
                const float c = cosines_[std::size_t(k * twiddleStep)];
                const float s = sines_[std::size_t(k * twiddleStep)];
                const float oddReal = real_[odd] * c - imaginary_[odd] * s;
                const float oddImaginary = real_[odd] * s + imaginary_[odd] * c;
                real_[odd] = real_[even] - oddReal;
                imaginary_[odd] = imaginary_[even] - oddImaginary;
                real_[even] += oddReal;
                imaginary_[even] += oddImaginary;
            }
        }
    }
}

int RealFft::magnitudePercent(int bin) const
{
    const double re = real_[std::size_t(bin)];
    const double im = imaginary_[std::size_t(bin)];
    const double percent = std::sqrt(re * re + im * im) * 100.0 / size_ / 5120.0;
    return int(std::min(percent, 100.0));
}

} // namespace brolet
