// How fast our decoder modules decode, as a multiple of real time: a 60 s
// MP3 (ELAMP.ESP), Ogg Vorbis, FLAC and 48 kHz WAV (WAVMP.ESP) each played
// through the module's exports as the media player plays them (blocks of
// the player's size to an output callback that takes them at once), from
// the play call to the end event. Beside each, ffmpeg decoding the same file
// to 44100 Hz 16-bit into its null output, by its own measure and as a
// whole process; the ratio says how the module compares with ffmpeg's own
// decoding. Best of three runs each.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/decoders/DecoderModuleKit.h"
#include "tests/support/Ffmpeg.h"
#include "tests/support/TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kSeconds = 60.0;
constexpr int kRuns = 3;
constexpr int32_t kBlockBytes = 8192; // the player's block: 4096 mono bytes, delivered stereo

struct BenchFile {
    const char* name;
    const char* module;
    const char* input; // ffmpeg's source
    const char* encoder;
};

// Pink noise in stereo: every band busy, as in music, so no codec coasts.
constexpr const char* kNoise44 = "-f lavfi -i anoisesrc=color=pink:amplitude=0.4:sample_rate=44100:duration=60 -ac 2";
constexpr const char* kNoise48 = "-f lavfi -i anoisesrc=color=pink:amplitude=0.4:sample_rate=48000:duration=60 -ac 2";

const BenchFile kFiles[] = {
    {"noise.mp3", "ELAMP.ESP", kNoise44, "-c:a libmp3lame -b:a 192k"},
    {"noise.ogg", "WAVMP.ESP", kNoise44, "-c:a libvorbis -q:a 5"},
    {"noise.flac", "WAVMP.ESP", kNoise44, "-c:a flac -sample_fmt s16"},
    {"noise48.wav", "WAVMP.ESP", kNoise48, "-c:a pcm_s16le"},
};

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds to decode the file through the module; negative when it fails.
double moduleSeconds(const velmora::test::DecoderModule& module, const std::string& path)
{
    velmora::test::ModuleStream stream(module, kBlockBytes);
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

int main()
{
    velmora::test::TempFolder folder;
    std::printf("Decoding speed, multiple of real time (%g s files, best of %d)\n\n", kSeconds, kRuns);
    std::printf("%-12s %-10s %12s %12s %16s %16s\n", "file", "module", "module x RT", "ffmpeg x RT",
                "ffmpeg process", "module/ffmpeg");
    for (const BenchFile& file : kFiles) {
        const std::string path = folder.file(file.name);
        if (!velmora::test::ffmpegMake(path, file.input, file.encoder)) {
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
        std::printf("%-12s %-10s %11.0fx %11.0fx %15.0fx %16.2f\n", file.name, file.module, moduleSpeed, ffmpegSpeed,
                    kSeconds / ffmpegBest.process, moduleSpeed / ffmpegSpeed);
    }
    std::printf("\nffmpeg x RT: its decoding loop as its -benchmark measures it (rtime); ffmpeg process: the\n"
                "whole program, start-up included. The ratio compares the module with ffmpeg's loop.\n");
    return 0;
}
