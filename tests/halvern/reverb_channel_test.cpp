// The reverb's comb filter: bit for bit a plain model over every feedback
// path and block shape, and the echoes a user hears at the knob's edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <tuple>
#include <vector>

#include "plugins/halvern/ReverbChannel.h"

namespace velmora::test {
namespace {

using halvern::ReverbChannel;
using Samples = std::vector<int16_t>;
constexpr std::size_t kLength = 44101;

// y[n] = x[n] + y[n - D] * feedback / 100, truncated and saturated; at 0 ms D is the line's length.
Samples modelled(Samples x, int milliseconds, int64_t feedback)
{
    const std::size_t back = milliseconds == 0 ? kLength : static_cast<std::size_t>(milliseconds * 441 / 10);
    for (std::size_t n = back; n < x.size(); ++n)
        x[n] = static_cast<int16_t>(std::clamp<int64_t>(x[n] + x[n - back] * feedback / 100, -32768, 32767));
    return x;
}

Samples processed(ReverbChannel& channel, Samples x, std::size_t blockBytes = 4096)
{
    for (std::size_t at = 0; at < x.size(); at += blockBytes / 2)
        channel.process(x.data() + at, static_cast<int32_t>(std::min(blockBytes / 2, x.size() - at) * 2));
    return x;
}

// Silence of length samples with a click at 0 and an echo at echoAt.
Samples clicked(std::size_t length, int16_t click, std::size_t echoAt = 0, int16_t echo = 0)
{
    Samples x(length);
    x[echoAt] = echo;
    x[0] = click;
    return x;
}

TEST(ReverbChannel, MatchesThePlainCombFilterForAnyFeedbackDelayAndBlockSize)
{
    std::mt19937 random(7);
    Samples noise(100000);
    std::generate(noise.begin(), noise.end(), [&] { return static_cast<int16_t>(random()); });
    // Both sides of the float path's end and of 32 bits, up to values no knob gives.
    for (const int feedback : {0, 1, 50, 100, 101, 199, 200, -60, -199, -200, 65535, 65536, INT_MAX, INT_MIN})
        for (const int delay : {0, 1, 100, 999, 1000})
            for (const std::size_t blockBytes : {4096u, 70u, 1001u}) {
                ReverbChannel channel;
                channel.setDelay(delay);
                channel.parameter = feedback;
                ASSERT_EQ(processed(channel, noise, blockBytes), modelled(noise, delay, feedback))
                    << "feedback " << feedback << " delay " << delay << " block " << blockBytes;
            }
    // At 0 ms every sample value comes back alone into silence, for every float-worked feedback.
    for (const int first : {-32768, -32768 + int(kLength)}) {
        Samples values(2 * kLength);
        for (std::size_t i = 0; i < kLength && first + int(i) <= 32767; ++i)
            values[i] = static_cast<int16_t>(first + int(i));
        for (int feedback = -200; feedback <= 200; ++feedback) {
            ReverbChannel channel;
            channel.setDelay(0);
            channel.parameter = feedback;
            ASSERT_EQ(processed(channel, values), modelled(values, 0, feedback)) << "feedback " << feedback;
        }
    }
}

TEST(ReverbChannel, EchoesAsTheKnobAndTheFeedbackSayAndStaysInsideTheLine)
{
    ReverbChannel channel;
    EXPECT_EQ(channel.readIndex(), 39691);
    Samples expected(80000);
    for (std::size_t step = 0; step <= 14; ++step)
        expected[4410 * step] = static_cast<int16_t>(16384 >> step);
    EXPECT_EQ(processed(channel, clicked(80000, 16384)), expected);
    // 0 ms: the place just written comes round after the line's length; 1000 ms: after a second.
    for (const auto& [delay, echoAt] : {std::pair{0, 44101u}, {1000, 44100u}}) {
        ReverbChannel edge;
        edge.setDelay(delay);
        EXPECT_EQ(processed(edge, clicked(50000, -20000)), clicked(50000, -20000, echoAt, -10000)) << delay;
    }
    // A delay change takes the echo along: the click at place 0 comes back once
    // the read place, 2205 behind place 1000, gets there.
    ReverbChannel moved;
    processed(moved, clicked(1000, 8000));
    moved.setDelay(50);
    EXPECT_EQ(processed(moved, Samples(2000)), clicked(2000, 0, 1205, 4000));
    // Without feedback the sound passes untouched and still goes into the line; an odd byte is no sample.
    moved.parameter = 0;
    Samples block = {5, -7, 32767, 99};
    moved.process(block.data(), 7);
    EXPECT_EQ(block, (Samples{5, -7, 32767, 99}));
    EXPECT_EQ(moved.lineSample(3001), -7);
    moved.reset();
    EXPECT_EQ(std::tuple(moved.lineSample(3001), moved.delay(), moved.readIndex(), moved.parameter.load()),
              std::tuple(int16_t{0}, 50, 798, 0));
    for (const auto& [asked, held] : {std::pair{-5, 0}, {INT_MIN, 0}, {1001, 1000}, {INT_MAX, 1000}}) {
        moved.setDelay(asked);
        EXPECT_EQ(moved.delay(), held);
        EXPECT_EQ(moved.readIndex(), 3003 + (held == 0 ? 0 : 1));
    }
    // Feedback whose product passes 32 bits saturates instead of wrapping.
    moved.parameter = INT_MAX;
    EXPECT_EQ(processed(moved, clicked(44102, -2)), clicked(44102, -2, 44100, -32768));
}

} // namespace
} // namespace velmora::test
