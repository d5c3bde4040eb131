// How fast our decoder modules decode, as a multiple of real time: a 600 s
// MP3 (ELAMP.ESP), FLAC and 48 kHz WAV (WAVMP.ESP) and Ogg Vorbis, Opus,
// AAC, WMA, ALAC and WavPack (WMAMP.ESP) each played
// through the module's exports as the media player plays them (blocks of
// the player's size to an output callback that takes them at once), from
// the play call to the end event. Beside each, ffmpeg decoding the same file
// to 44100 Hz 16-bit into its null output, by its own measure and as a
// whole process; the ratio says how the module compares with ffmpeg's own
// decoding. Best of three runs each.
//
// Then the resampling's quality beside ffmpeg's default: a 48 kHz sweep
// played to 44100 Hz by the wave module and by ffmpeg, each measured for
// the noise (and distortion) it adds below 20 kHz and for the alias it
// lets through of what lies above 22050 Hz.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/decoders/DecoderModuleKit.h"
#include "tests/support/Ffmpeg.h"
#include "tests/support/TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;
// Ten minutes: a minute decodes in some 50 ms, too short to time steadily.
constexpr double kSeconds = 600.0;
constexpr int kOutputRate = 44100;
constexpr int kRuns = 3;
constexpr int32_t kBlockBytes = 8192; // the player's block: 4096 mono bytes, delivered stereo

struct BenchFile {
    const char* name;
    const char* module;
    int sourceRate; // of the noise it is made from
    const char* encoder;
};

constexpr int kNoise44 = 44100;
constexpr int kNoise48 = 48000;

// Pink noise in stereo at a rate, kSeconds long: every band busy, as in
// music, so no codec coasts.
std::string noiseSource(int rate)
{
    char source[160];
    std::snprintf(source, sizeof source,
                  "-f lavfi -i anoisesrc=color=pink:amplitude=0.4:sample_rate=%d:duration=%g -ac 2", rate, kSeconds);
    return source;
}

const BenchFile kFiles[] = {
    {"noise.mp3", "ELAMP.ESP", kNoise44, "-c:a libmp3lame -b:a 192k"},
    {"noise.ogg", "WMAMP.ESP", kNoise44, "-c:a libvorbis -q:a 5"},
    {"noise.flac", "WAVMP.ESP", kNoise44, "-c:a flac -sample_fmt s16"},
    {"noise.opus", "WMAMP.ESP", kNoise48, "-c:a libopus -b:a 160k"},
    {"noise48.wav", "WAVMP.ESP", kNoise48, "-c:a pcm_s16le"},
    {"noise.m4a", "WMAMP.ESP", kNoise44, "-c:a aac -b:a 192k"},
    {"noise.wma", "WMAMP.ESP", kNoise44, "-c:a wmav2 -b:a 192k"},
    {"noise.alac.m4a", "WMAMP.ESP", kNoise44, "-c:a alac"},
    {"noise.wv", "WMAMP.ESP", kNoise44, "-c:a wavpack"},
};

// The sweep: 0 to 24 kHz in 10 s at 48 kHz, half of full scale.
constexpr double kSweepSeconds = 10.0;
constexpr double kSweepTopHz = 24000.0;
constexpr double kSweepAmplitude = 0.5 * 32767;
constexpr int kWindow = 1024;          // frames per analysed stretch
constexpr double kPassbandHz = 20000;  // the noise is measured below
constexpr double kAliasFromHz = 22300; // and the alias above (the band's edge left out)

double sweepPhase(double t)
{
    return 2 * M_PI * kSweepTopHz / (2 * kSweepSeconds) * t * t;
}

struct Quality {
    double noiseDb = 0; // what differs from the sweep below 20 kHz, to the sweep's level
    double aliasDb = 0; // what comes out of the sweep above 22050 Hz, to its level
};

// Each stretch of the output fitted with the sweep's phase (amplitude and
// phase free, so a constant delay costs nothing): the rest is noise; above
// the band all of it is alias.
Quality measure(const std::vector<int16_t>& samples)
{
    double signal = 0, residual = 0, alias = 0;
    size_t aliasFrames = 0;
    for (size_t start = 0; start + kWindow <= samples.size(); start += kWindow) {
        const double middle = (double(start) + kWindow / 2.0) / kOutputRate;
        const double frequency = kSweepTopHz * middle / kSweepSeconds;
        if (frequency >= kAliasFromHz) {
            for (size_t i = start; i < start + kWindow; ++i)
                alias += double(samples[i]) * samples[i];
            aliasFrames += kWindow;
            continue;
        }
        if (frequency < 100 || frequency > kPassbandHz)
            continue;
        double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
        for (size_t i = start; i < start + kWindow; ++i) {
            const double phase = sweepPhase(double(i) / kOutputRate);
            const double s = std::sin(phase), c = std::cos(phase), y = samples[i];
            ss += s * s, sc += s * c, cc += c * c, ys += y * s, yc += y * c;
        }
        const double determinant = ss * cc - sc * sc;
        const double a = (ys * cc - yc * sc) / determinant, b = (yc * ss - ys * sc) / determinant;
        for (size_t i = start; i < start + kWindow; ++i) {
            const double phase = sweepPhase(double(i) / kOutputRate);
            const double fitted = a * std::sin(phase) + b * std::cos(phase);
            signal += fitted * fitted;
            residual += (samples[i] - fitted) * (samples[i] - fitted);
        }
    }
    const double level = kSweepAmplitude * kSweepAmplitude / 2;
    return {10 * std::log10(std::max(residual, 1e-9) / signal),
            10 * std::log10(std::max(alias / double(std::max<size_t>(aliasFrames, 1)), 1e-9) / level)};
}

// The module's samples of a whole file; empty when it fails.
std::vector<int16_t> moduleSamples(const velmora::test::DecoderModule& module, const std::string& path)
{
    velmora::test::ModuleStream stream(module, kBlockBytes);
    if (!stream.open(path) || !stream.play() || !stream.waitForEnds(1, std::chrono::minutes(1)))
        return {};
    return stream.recorded([&] { return stream.samples; });
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds to decode the file through the module; negative when it fails.
double moduleSeconds(const velmora::test::DecoderModule& module, const std::string& path)
{
    velmora::test::ModuleStream stream(module, kBlockBytes);
    stream.keepSamples = false;
    if (!stream.open(path))
        return -1;
    const Clock::time_point start = Clock::now();
    if (!stream.play() || !stream.waitForEnds(1, std::chrono::minutes(2)))
        return -1;
    return secondsSince(start);
}

struct FfmpegTimes {
    double decoding = -1; // ffmpeg's own measure of its decoding loop
    double process = -1;  // the whole process, start-up included
};

FfmpegTimes ffmpegSeconds(const std::string& path)
{
    FfmpegTimes times;
    const Clock::time_point start = Clock::now();
    const std::string command = "ffmpeg -nostdin -hide_banner -v info -benchmark -i '" + path +
                                "' -ar 44100 -c:a pcm_s16le -f null - 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return times;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr)
        if (const char* rtime = std::strstr(line, "rtime="))
            times.decoding = std::atof(rtime + 6);
    if (pclose(pipe) == 0)
        times.process = secondsSince(start);
    return times;
}

} // namespace

// With an argument, only the files whose names hold it (to profile one).
int main(int argc, char** argv)
{
    const std::string only = argc > 1 ? argv[1] : "";
    velmora::test::TempFolder folder;
    std::printf("Decoding speed, multiple of real time (%g s files, best of %d)\n\n", kSeconds, kRuns);
    std::printf("%-14s %-10s %12s %12s %16s %16s\n", "file", "module", "module x RT", "ffmpeg x RT",
                "ffmpeg process", "module/ffmpeg");
    for (const BenchFile& file : kFiles) {
        if (std::string(file.name).find(only) == std::string::npos)
            continue;
        const std::string path = folder.file(file.name);
        if (!velmora::test::ffmpegMake(path, noiseSource(file.sourceRate), file.encoder)) {
            std::fprintf(stderr, "ffmpeg could not make %s\n", file.name);
            return 1;
        }
        velmora::test::DecoderModule module(velmora::test::decoderModulePath(file.module));
        if (module.bound != decoder::kModuleFunctionCount) {
            std::fprintf(stderr, "%s is missing or incomplete\n", file.module);
            return 1;
        }
        double moduleBest = 1e9;
        FfmpegTimes ffmpegBest{1e9, 1e9};
        for (int run = 0; run < kRuns; ++run) {
            const double moduleTime = moduleSeconds(module, path);
            const FfmpegTimes ffmpegTimes = ffmpegSeconds(path);
            if (moduleTime <= 0 || ffmpegTimes.decoding <= 0 || ffmpegTimes.process <= 0) {
                std::fprintf(stderr, "%s: decoding failed\n", file.name);
                return 1;
            }
            moduleBest = std::min(moduleBest, moduleTime);
            ffmpegBest.decoding = std::min(ffmpegBest.decoding, ffmpegTimes.decoding);
            ffmpegBest.process = std::min(ffmpegBest.process, ffmpegTimes.process);
        }
        const double moduleSpeed = kSeconds / moduleBest;
        const double ffmpegSpeed = kSeconds / ffmpegBest.decoding;
        std::printf("%-14s %-10s %11.0fx %11.0fx %15.0fx %16.2f\n", file.name, file.module, moduleSpeed,
                    ffmpegSpeed, kSeconds / ffmpegBest.process, moduleSpeed / ffmpegSpeed);
    }
    std::printf(
        "\nffmpeg x RT: its decoding loop as its -benchmark measures it (rtime); ffmpeg process: the\n"
        "whole program, start-up included. The ratio compares the module with ffmpeg's loop.\n");

    if (!only.empty())
        return 0;
    const std::string sweep = folder.file("sweep48.wav");
    char input[160];
    std::snprintf(input, sizeof input, "-f lavfi -i 'aevalsrc=0.5*sin(2*PI*%g*t*t):s=48000:d=%g'",
                  kSweepTopHz / (2 * kSweepSeconds), kSweepSeconds);
    if (!velmora::test::ffmpegMake(sweep, input, "-c:a pcm_s16le")) {
        std::fprintf(stderr, "ffmpeg could not make the sweep\n");
        return 1;
    }
    const std::vector<int16_t> ours =
        moduleSamples(velmora::test::DecoderModule(velmora::test::decoderModulePath("WAVMP.ESP")), sweep);
    const std::vector<int16_t> theirs = velmora::test::ffmpegSamples(sweep, kOutputRate);
    if (ours.empty() || theirs.empty()) {
        std::fprintf(stderr, "the sweep did not decode\n");
        return 1;
    }
    const Quality module = measure(ours), ffmpeg = measure(theirs);
    std::printf("\nResampling 48000 to 44100 Hz, a sweep to 24 kHz (dB to the sweep; lower is better)\n\n");
    std::printf("%-10s %12s %12s\n", "", "noise<20k", "alias>22k");
    std::printf("%-10s %12.1f %12.1f\n", "module", module.noiseDb, module.aliasDb);
    std::printf("%-10s %12.1f %12.1f\n", "ffmpeg", ffmpeg.noiseDb, ffmpeg.aliasDb);
    return 0;
}
