// The whole pipeline rendering a mix to a file, beside sox doing the same.
// Four mono wave files of ten minutes each (made by sox) play in the four
// channels of the wave file input Tindle.vin, each with its own volume and
// pan, into the output Brolet.vwo writing a file only, which nothing paces.
// The real engine runs both plug-ins from a program folder of the bench's
// own: the player's window (headless) takes the files dropped on its strips,
// synchronises the four channels and starts them with one click; volumes and
// pans are the events a user interface posts. sox mixes the same files with
// remix gains taken from the mixer's rules (volume, then pan, each in
// percent), so both files hold the same mix up to rounding. Then the
// equaliser on two channels and the reverb on a third, chosen through the
// channel effect menu, show what the effects add to a render.

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchEngine.h"
#include "tests/support/Eventually.h"
#include "tests/support/Sox.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Watchdog.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using velmora::test::eventually;

constexpr int kSampleRate = 44100;
constexpr int kSeconds = 600;
constexpr int64_t kFrames = int64_t{kSampleRate} * kSeconds;
constexpr int kChannels = 4;


// What each channel plays and how it is mixed: volume and pan in percent.
struct Strip {
    const char* synth; // sox synth arguments after the length
    int volume;
    int pan;
};
constexpr std::array<Strip, kChannels> kStrips{{
    {"sine 220 vol 0.3", 80, 20},
    {"square 331 vol 0.15", 120, 65},
    {"pinknoise vol 0.2", 90, 50},
    {"sawtooth 97 vol 0.2", 150, 85},
}};

// The effects of the last renders: effect slot, then the channels it goes on.
struct EffectUse {
    const char* file;
    std::vector<int> channels;
};
const std::array<EffectUse, 2> kEffects{{{"VelmoraEQ.vfx", {0, 1}}, {"Halvern.vfx", {2}}}};

[[noreturn]] void fail(const std::string& why)
{
    velmora::bench::abandon(why);
}

// The gain the mixer gives a channel on one side, as a factor.
double sideGain(const Strip& strip, bool right)
{
    return strip.volume / 100.0 * (right ? strip.pan : 100 - strip.pan) / 100.0;
}

// sox's remix of the merged files into the mixer's left and right sides.
std::string remixArguments()
{
    std::string arguments = "remix -m";
    for (const bool right : {false, true}) {
        arguments += ' ';
        for (int c = 0; c < kChannels; ++c) {
            char input[48];
            std::snprintf(input, sizeof input, "%s%dv%.6f", c == 0 ? "" : ",", c + 1,
                          sideGain(kStrips[static_cast<size_t>(c)], right));
            arguments += input;
        }
    }
    return arguments;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The real engine with the player and the output writing a file only,
// the player's four strips synchronised so that one press renders the mix.
class RenderRig {
public:
    explicit RenderRig(std::string recordings)
        : recordings_(std::move(recordings)),
          bench_(std::string("[") + velmora::bench::kOutputSection +
                 "]\nbSoundOutput=0\nbFileOutput=1\nOutPath=" + recordings_ + "\nOutFilename=engine\n")
    {
    }

    // The output, then the player as the user interface loads them; the
    // audio system set up; each file dropped on its strip, synchronised,
    // and given its volume and pan.
    void start(const std::array<std::string, kChannels>& files)
    {
        bench_.loadOutput();
        bench_.loadInput(0, velmora::bench::kWavePlayerFile);
        bench_.setUpAudio(engine().audio().setup().musicBufSize, engine().audio().setup().numOutBufs);
        player_ = bench_.openInWavePlayer({files.begin(), files.end()});
        for (int c = 0; c < kChannels; ++c)
            bench_.setChannel(c, kStrips[static_cast<size_t>(c)].volume, kStrips[static_cast<size_t>(c)].pan);
    }

    // One press of channel 1's play button starts the four synchronised
    // channels; the file is complete once the engine has stopped the output.
    // The seconds from the press to then, and the file written.
    double render(std::string& written)
    {
        const std::set<std::filesystem::path> before = recordings();
        const Clock::time_point start = Clock::now();
        bench_.click(player_, tindle::kPlayButton);
        if (!eventually([&] { return engine().audio().isStreaming(); }, 5s))
            fail("the play button starts no stream");
        // Looked at often enough to err by well under 1 % of a render.
        while (engine().audio().isStreaming())
            std::this_thread::sleep_for(200us);
        const double seconds = secondsSince(start);
        std::vector<std::filesystem::path> added;
        for (const auto& path : recordings())
            if (before.count(path) == 0)
                added.push_back(path);
        if (added.size() != 1)
            fail("the render left " + std::to_string(added.size()) + " new files");
        written = added.front().string();
        return seconds;
    }

    // The effect into its slot, then onto the channels through the channel
    // effect menu, as a user picks it.
    void putEffect(int slot)
    {
        const EffectUse& use = kEffects[static_cast<size_t>(slot)];
        bench_.putEffect(slot, use.file, use.channels, player_);
    }

    engine::Engine& engine() { return bench_.engine; }

private:
    std::set<std::filesystem::path> recordings() const
    {
        std::set<std::filesystem::path> paths;
        for (const auto& entry : std::filesystem::directory_iterator(recordings_))
            paths.insert(entry.path());
        return paths;
    }

    const std::string recordings_; // where the output writes
    velmora::bench::BenchEngine bench_;
    plat::ui::WindowHandle player_ = nullptr;
};

// The engine's file against sox's: the engine sends whole blocks, so its
// file may run on past sox's by less than one block, in silence.
void compare(const std::string& enginePath, const std::string& soxPath, int32_t blockFrames)
{
    const std::vector<int16_t> ours = velmora::test::soxSamples(enginePath);
    const std::vector<int16_t> theirs = velmora::test::soxSamples(soxPath);
    const int64_t blocks = (kFrames + blockFrames - 1) / blockFrames;
    const auto expected = static_cast<size_t>(blocks * blockFrames * 2);
    if (ours.size() != expected)
        fail("the engine wrote " + std::to_string(ours.size() / 2) + " frames, not " +
             std::to_string(expected / 2));
    if (theirs.size() != static_cast<size_t>(kFrames * 2))
        fail("sox wrote " + std::to_string(theirs.size() / 2) + " frames");
    int maxDifference = 0;
    for (size_t i = 0; i < theirs.size(); ++i)
        maxDifference = std::max(maxDifference, std::abs(ours[i] - theirs[i]));
    const bool silentTail = std::all_of(ours.begin() + static_cast<std::ptrdiff_t>(theirs.size()), ours.end(),
                                        [](int16_t sample) { return sample == 0; });
    std::printf("output: %lld frames in %lld blocks of %d (sox %lld), tail %s; max |engine - sox| = %d\n",
                static_cast<long long>(ours.size() / 2), static_cast<long long>(blocks), blockFrames,
                static_cast<long long>(kFrames), silentTail ? "silent" : "NOT SILENT", maxDifference);
    // The mixer truncates twice per channel (volume, then pan), each time by
    // less than 1 toward zero; sox rounds the exact sum once: at most 8 apart.
    if (!silentTail || maxDifference > 2 * kChannels)
        fail("the engine's mix is not sox's");
}

} // namespace

// The shortest of kRepeats runs: the machine is shared, so a slower run
// measured the neighbours rather than the work.
constexpr int kRepeats = 7;

// A render's seconds, the best of kRepeats; the first file written is kept
// in kept (when given), the others are removed.
double bestRender(RenderRig& rig, std::string* kept)
{
    double best = 1e9;
    for (int run = 0; run < kRepeats; ++run) {
        std::string written;
        best = std::min(best, rig.render(written));
        if (run == 0 && kept != nullptr)
            *kept = written;
        else
            std::filesystem::remove(written);
    }
    return best;
}

int main()
{
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    velmora::test::Watchdog watchdog(15min, "render_bench");
    velmora::test::TempFolder work;
    std::filesystem::create_directory(work.file("recordings"));

    std::array<std::string, kChannels> files;
    for (int c = 0; c < kChannels; ++c) {
        files[static_cast<size_t>(c)] = work.file("track" + std::to_string(c + 1) + ".wav");
        if (!velmora::test::soxWave(files[static_cast<size_t>(c)], "-r 44100 -c 1 -b 16",
                                    std::to_string(kSeconds) + " " + kStrips[static_cast<size_t>(c)].synth))
            fail("sox cannot make " + files[static_cast<size_t>(c)]);
    }

    RenderRig rig(work.file("recordings"));
    rig.start(files);
    const int32_t blockFrames = rig.engine().audio().setup().musicBufSize / 2;
    std::string engineFile;
    const double engineSeconds = bestRender(rig, &engineFile);

    // No dither: the engine adds none either.
    const std::string soxFile = work.file("sox.wav");
    const std::string command = "sox -D -M '" + files[0] + "' '" + files[1] + "' '" + files[2] + "' '" +
                                files[3] + "' -b 16 '" + soxFile + "' " + remixArguments();
    double soxSeconds = 1e9;
    for (int run = 0; run < kRepeats; ++run) {
        const Clock::time_point start = Clock::now();
        if (std::system(command.c_str()) != 0)
            fail("sox fails: " + command);
        soxSeconds = std::min(soxSeconds, secondsSince(start));
    }

    std::printf(
        "Rendering %d s of four mono 44.1 kHz channels to a stereo file (%d-frame blocks), best of %d\n",
        kSeconds, blockFrames, kRepeats);
    std::printf("  engine (Tindle -> mixer -> Brolet file): %7.3f s, %6.1fx real time\n", engineSeconds,
                kSeconds / engineSeconds);
    std::printf("  sox -M ... remix:                        %7.3f s, %6.1fx real time\n", soxSeconds,
                kSeconds / soxSeconds);
    std::printf("  engine / sox speed: %.2fx (target 2.5x)\n", soxSeconds / engineSeconds);
    compare(engineFile, soxFile, blockFrames);

    // The effects, one after the other: each render's extra time over the
    // one before, per sample of the channels it runs on and per output frame.
    double previous = engineSeconds;
    std::printf("\nEffects (first slot of each channel):\n");
    for (int slot = 0; slot < static_cast<int>(kEffects.size()); ++slot) {
        const EffectUse& use = kEffects[static_cast<size_t>(slot)];
        rig.putEffect(slot);
        std::string written;
        const double seconds = bestRender(rig, &written);
        const auto bytes = std::filesystem::file_size(written);
        if (bytes < static_cast<uintmax_t>(kFrames * 4))
            fail("the render with " + std::string(use.file) + " is short: " + std::to_string(bytes) +
                 " bytes");
        std::filesystem::remove(written);
        const double added = seconds - previous;
        const double channelSamples = static_cast<double>(kFrames) * static_cast<double>(use.channels.size());
        std::printf(
            "  + %-14s on %zu channel(s): %7.3f s (+%.3f s): %6.2f ns per channel-sample, %6.2f ns per "
            "output frame\n",
            use.file, use.channels.size(), seconds, added, added * 1e9 / channelSamples,
            added * 1e9 / static_cast<double>(kFrames));
        previous = seconds;
    }
    return 0;
}
