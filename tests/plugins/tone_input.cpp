// An input whose two streams (left and right) play a short endless piece of
// music: a bass saw, a held chord, a plucked arpeggio and a hi-hat, a little
// apart on the two sides. It gives the output's visuals something to show in
// the galleries; every sample follows from its index alone.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <vector>

#define VELMORA_PLUGIN
#include "api/PluginApi.h"

namespace {

constexpr char kTestShortName[] = "Tone";
constexpr int32_t kTestChannels = 2;

uint32_t testFlags()
{
    return 0;
}

} // namespace

#include "plugins/CoreTestCommon.h"

namespace {

struct ToneInput : CoreTestPlugin {
    int32_t setupAudioSystem(const engine::AudioSystemSetup* setup);
    int32_t readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes);
};

} // namespace

VELMORA_INPUT_PLUGIN(ToneInput)

namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

// A sawtooth from -1 to 1 with its jump smoothed (polyBLEP), so it does not alias.
double saw(double phase, double step)
{
    double value = 2.0 * phase - 1.0;
    if (phase < step) {
        const double t = phase / step;
        value -= t + t - t * t - 1.0;
    } else if (phase > 1.0 - step) {
        const double t = (phase - 1.0) / step;
        value -= t * t + t + t + 1.0;
    }
    return value;
}

// White noise from the sample's index.
double noise(uint64_t n)
{
    n = (n ^ (n >> 31)) * 0x7FB5D329728EA185ull;
    n = (n ^ (n >> 27)) * 0x81DADEF4BC2DD44Dull;
    return static_cast<double>(n >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
}

// Sample n of side (0 left, 1 right).
int16_t sampleOf(int side, uint64_t n)
{
    const double t = static_cast<double>(n) / kRate;
    const double detune = side == 0 ? 1.0 : 1.004;
    // 125 Hz: in blocks of 2048 frames its harmonics fall on the bands of the output's spectrum.
    const double bassFrequency = 125.0 * detune;
    const double bassPhase = std::fmod(t * bassFrequency, 1.0);
    double value = 0.42 * saw(bassPhase, bassFrequency / kRate);
    const double tremolo = 0.75 + 0.25 * std::sin(2.0 * kPi * 0.7 * t + side);
    for (const double chord : {220.0, 277.18, 329.63})
        value += 0.06 * tremolo * std::sin(2.0 * kPi * chord * detune * t);
    // A pluck every quarter second, through the arpeggio; the right side a step later.
    const double beat = 0.25;
    const auto note = static_cast<int>(t / beat) + side;
    const double since = std::fmod(t, beat);
    const double pluckNotes[] = {880.0, 1108.73, 1318.51, 1760.0, 1318.51, 1108.73};
    const double pluck = pluckNotes[note % 6];
    const double pluckEnvelope = std::exp(-since / 0.11);
    value += 0.18 * pluckEnvelope *
             (std::sin(2.0 * kPi * pluck * t) + 0.35 * std::sin(4.0 * kPi * pluck * t) +
              0.15 * std::sin(6.0 * kPi * pluck * t));
    // The hi-hat between the plucks.
    const double hat = std::fmod(t + beat / 2.0, beat);
    value += 0.12 * std::exp(-hat / 0.018) * noise(n * 2 + static_cast<uint64_t>(side));
    return static_cast<int16_t>(std::clamp(value * 26000.0, -32767.0, 32767.0));
}

std::mutex mutex;
int32_t musicBufSize = 4096;
uint64_t delivered[kTestChannels] = {};
std::vector<int16_t> blocks[kTestChannels];

} // namespace

int32_t ToneInput::setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    std::lock_guard lock(mutex);
    musicBufSize = setup->musicBufSize;
    return 1;
}

int32_t ToneInput::readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    std::lock_guard lock(mutex);
    if (stream < 0 || stream >= kTestChannels)
        return 0;
    std::vector<int16_t>& samples = blocks[stream];
    samples.resize(static_cast<std::size_t>(musicBufSize / 2));
    for (int16_t& sample : samples)
        sample = sampleOf(stream, delivered[stream]++);
    *block = samples.data();
    *bytes = musicBufSize;
    return 1;
}
