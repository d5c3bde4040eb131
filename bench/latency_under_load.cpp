// How low the output latency may go on a loaded machine. The real engine
// with the virtual sound card paced in real time plays four channels: two
// mono wave files in the wave file player and a stereo file in the media
// player, the equaliser on two channels and the reverb on the other two,
// to the sound card and to a file at once. Meanwhile stress-ng keeps both
// cores busy, a writer floods the page cache, and the file layer makes every
// sixteenth read wait 50 ms (a slow disk). Each setting runs for the given
// seconds in a program of its own, once with the wave file player reading
// in the streaming thread as it used to and once with its read-ahead, and
// gives the underruns the output counted. Then, on an idle machine, the
// CPU the whole program with its user interface uses per minute of
// playback, beside ffplay's.
//
//   latency_under_load [--seconds N]     N seconds per run, 600 by default
//   latency_under_load --cpu-only        only the CPU per minute of playback

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchEngine.h"
#include "bench/ProgramUnderX.h"
#include "plugins/plevnt/Layout.h"
#include "tests/support/Eventually.h"
#include "tests/support/FileText.h"
#include "tests/support/Sox.h"
#include "tests/support/SpawnProgram.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Watchdog.h"
#include "tests/support/XDesktop.h"

namespace {

using namespace std::chrono_literals;
using velmora::bench::abandon;
using velmora::test::eventually;

constexpr int kSampleRate = 44100;
constexpr int kDefaultSeconds = 600;
constexpr int kTenMinutes = 600;
// The slow disk: this delay on every so many reads of a file.
constexpr char kSlowDisk[] = "50:16";
constexpr int kEqualiserSlot = 0;
constexpr int kReverbSlot = 1;
// What the engine says on standard error when its first run starts.
constexpr char kStreamingStarted[] = "Audio threads run";

struct Setting {
    int musicBufSize; // bytes of one mono channel block
    int numOutBufs;
};
// The smallest blocks the Audio System Setup offers, then its defaults.
constexpr Setting kSettings[] = {{1024, 2}, {1024, 3}, {4096, 12}};

struct Files {
    std::string first, second, stereo, recordings;
};

double outputLatencyMs(const Setting& setting)
{
    const int frames = setting.musicBufSize / 2;
    return 1000.0 * frames * setting.numOutBufs / kSampleRate;
}

// One run in this program: the engine set up, the channels started, the
// given seconds played, then stopped; the output reports its underruns on
// standard error as it stops.
int runOnce(const Setting& setting, int seconds, const Files& files)
{
    velmora::test::Watchdog watchdog(std::chrono::seconds(seconds) + 3min, "latency_under_load run");
    velmora::bench::BenchEngine bench(std::string("[") + velmora::bench::kOutputSection +
                                      "]\nbSoundOutput=1\nbFileOutput=1\nOutPath=" + files.recordings +
                                      "\nOutFilename=latency\n");
    bench.loadOutput();
    bench.loadInput(0, velmora::bench::kWavePlayerFile);
    bench.loadInput(1, velmora::bench::kMediaPlayerFile);
    bench.setUpAudio(setting.musicBufSize, setting.numOutBufs);
    const plat::ui::WindowHandle wavePlayer = bench.openInWavePlayer({files.first, files.second});

    const plat::ui::WindowHandle mediaPlayer =
        plat::ui::findWindow(nullptr, velmora::bench::kMediaPlayerTitle);
    if (mediaPlayer == nullptr)
        abandon("no media player window");
    const plevnt::Box playlist = plevnt::ofPlayer(plevnt::kPlaylistView, 0);
    plat::ui::headless::dropFiles(mediaPlayer, playlist.x + 20, playlist.y + 20, {files.stereo});
    bench.waitForWindowLoop();

    bench.click(wavePlayer, tindle::kPlayButton);
    if (!eventually([&] { return bench.engine.audio().isStreaming(); }, velmora::bench::kStepPatience))
        abandon("the wave file player starts no stream");
    const plevnt::Box play = plevnt::ofPlayer(plevnt::kPlayButton, 0);
    bench.click(mediaPlayer, play);
    if (!eventually([&] { return bench.attachedChannels() == 4; }, velmora::bench::kStepPatience))
        abandon("the media player attaches no streams");
    bench.putEffect(kEqualiserSlot, "VelmoraEQ.vfx", {0, 2}, wavePlayer);
    bench.putEffect(kReverbSlot, "Halvern.vfx", {1, 3}, wavePlayer);

    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    if (!bench.engine.audio().isStreaming())
        abandon("the run ended before its time");
    bench.stopStreaming();
    if (!eventually([&] { return !bench.engine.audio().isStreaming(); }, 30s))
        abandon("the run does not stop");
    return 0;
}

// The machine kept busy while it lives: stress-ng on both cores, and a
// writer filling the page cache with files it writes and removes again.
class Load {
public:
    // lifetime: how long the load may outlive a bench that ends abruptly.
    Load(const std::string& folder, std::chrono::seconds lifetime) : folder_(folder)
    {
        const std::string out = folder + "/stress.out";
        stress_ = velmora::test::spawnProgram(
            "/usr/bin/stress-ng",
            {"stress-ng", "--cpu", "2", "--quiet", "--timeout", std::to_string(lifetime.count()) + "s"},
            velmora::test::environmentWith({}), out, out);
        if (stress_ < 0)
            abandon("cannot start stress-ng (make deps installs it)");
        writer_ = std::thread([this] { write(); });
    }
    ~Load()
    {
        stop_ = true;
        writer_.join();
        kill(stress_, SIGTERM);
        waitpid(stress_, nullptr, 0);
    }
    Load(const Load&) = delete;
    Load& operator=(const Load&) = delete;

private:
    void write()
    {
        const std::vector<char> chunk(1 << 20, 'x');
        const std::string path = folder_ + "/flood.bin";
        while (!stop_) {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            for (int i = 0; i < 512 && !stop_; ++i)
                out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            out.close();
            std::filesystem::remove(path);
        }
    }

    const std::string folder_;
    pid_t stress_ = -1;
    std::atomic<bool> stop_{false};
    std::thread writer_;
};

// A run in a program of its own (a fresh engine and a fresh choice of read
// path); the underruns it reported.
long runChild(const char* self, const Setting& setting, int seconds, bool readInStream, const Files& files,
              const std::string& scratch)
{
    std::map<std::string, std::string> variables{{"VELMORA_SLOW_DISK", kSlowDisk},
                                                 {"VELMORA_READ_IN_STREAM", readInStream ? "1" : ""}};
    const std::string log = scratch + "/run.log";
    const pid_t child = velmora::test::spawnProgram(
        self,
        {self, "--run", std::to_string(setting.musicBufSize), std::to_string(setting.numOutBufs),
         std::to_string(seconds), files.first, files.second, files.stereo, files.recordings},
        velmora::test::environmentWith(variables), log, log);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        abandon("a run failed:\n" + velmora::test::readText(log));
    const std::string text = velmora::test::readText(log);
    std::smatch found;
    static const std::regex kUnderruns("Playback underruns this run: ([0-9]+)");
    if (!std::regex_search(text, found, kUnderruns))
        abandon("the run reported no underruns:\n" + text);
    // Which scheduling the audio threads got, said once.
    static bool schedulingTold = false;
    static const std::regex kScheduling("Audio threads run [^\n]*");
    if (std::smatch line; !schedulingTold && std::regex_search(text, line, kScheduling)) {
        std::printf("(%s)\n", line.str().c_str());
        schedulingTold = true;
    }
    for (const auto& entry : std::filesystem::directory_iterator(files.recordings))
        std::filesystem::remove(entry.path());
    return std::stol(found[1]);
}

// CPU seconds a process (all its threads) has used so far.
double cpuSeconds(pid_t pid)
{
    const std::string stat = velmora::test::readText("/proc/" + std::to_string(pid) + "/stat");
    const size_t afterName = stat.rfind(')');
    if (afterName == std::string::npos)
        abandon("cannot read the CPU time of process " + std::to_string(pid));
    // After the name: state, then 10 fields, then user and system time in ticks.
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (std::sscanf(stat.c_str() + afterName + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                    &system) != 2)
        abandon("cannot read the CPU time of process " + std::to_string(pid));
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The CPU seconds a program uses in one minute of playback, measured after
// it has settled; play: what starts the playback once the program runs.
double measurePlayback(pid_t pid, const std::function<void()>& play)
{
    constexpr auto kSettle = 5s;
    constexpr auto kMinute = 60s;
    velmora::bench::StartedProgram running(pid);
    play();
    std::this_thread::sleep_for(kSettle);
    const double before = cpuSeconds(pid);
    std::this_thread::sleep_for(kMinute);
    const double after = cpuSeconds(pid);
    if (running.ended())
        abandon("the program ended while it played, with status " + std::to_string(running.status()));
    return after - before;
}

// The whole program on a screen of its own with its user interface (main
// window, console and meters), the media player playing the file named on
// its command line and the output showing its visual, against ffplay
// playing the same file with its waveform window; both paced by a sound
// card that takes blocks in real time and writes them to a file.
void reportPlaybackCost(const std::string& stereo, const std::string& scratch)
{
    velmora::bench::PrivateScreen screen;
    const std::string config = scratch + "/config";
    const std::string runtime = scratch + "/runtime";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    velmora::test::writeText(config + "/velmoraaudioengine.ini", "[Velmora User Interface]\nMixerVisible=1\n");
    // A copy of the program folder: the media player keeps copies of its
    // decoder modules beside them, and the build's folder stays as built.
    const std::string folder = scratch + "/program";
    std::error_code error;
    std::filesystem::copy(VELMORA_OUT_DIR, folder, std::filesystem::copy_options::recursive, error);
    if (error)
        abandon("cannot copy the program folder: " + error.message());
    const std::string program = folder + "/Velmora";
    const pid_t engine = velmora::test::spawnProgram(
        program, {program, stereo},
        velmora::bench::programEnvironment(screen.name(), config, runtime), "/dev/null", scratch + "/engine.err");
    // The command line's file waits in the media player's first deck for its
    // play button, pressed as a person presses it; it is offered once the
    // user interface is up, so pressed until the engine streams.
    const std::string errors = scratch + "/engine.err";
    const auto streaming = [&] { return velmora::test::readText(errors).find(kStreamingStarted) != std::string::npos; };
    const double ours = measurePlayback(engine, [&] {
        Window player = None;
        if (!eventually([&] { return (player = screen.mappedWindow(velmora::bench::kMediaPlayerTitle)) != None; },
                        velmora::bench::kStepPatience))
            abandon("the media player shows no window");
        XWindowAttributes place;
        velmora::test::XDesktop person(screen.name());
        const plevnt::Box play = plevnt::ofPlayer(plevnt::kPlayButton, 0);
        for (int press = 0; press < 10 && !streaming(); ++press) {
            if (!screen.bounds(player, place))
                abandon("the media player's window went");
            person.click({place.x + play.x + play.width / 2, place.y + play.y + play.height / 2});
            eventually(streaming, 2s);
        }
        if (!streaming())
            abandon("the media player does not play:\n" + velmora::test::readText(errors));
    });

    const pid_t ffplay = velmora::test::spawnProgram(
        "/usr/bin/ffplay", {"ffplay", "-loglevel", "quiet", "-showmode", "waves", "-autoexit", stereo},
        velmora::test::environmentWith({{"DISPLAY", screen.name()}, {"SDL_AUDIODRIVER", "dummy"}}), "/dev/null",
        "/dev/null");
    const double theirs = measurePlayback(ffplay, [] {});

    std::printf("\nCPU time per minute of real-time playback (one minute after 5 s to settle, X11 on Xvfb):\n");
    std::printf("  Velmora, user interface, meters and the output's waveform: %6.2f s (%5.2f %% of one core)\n",
                ours, ours / 60.0 * 100.0);
    std::printf("  ffplay -showmode waves (SDL's dummy sound card):            %6.2f s (%5.2f %% of one core)\n",
                theirs, theirs / 60.0 * 100.0);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    unsetenv("VELMORA_AUDIO_PACE");
    if (argc == 9 && std::string(argv[1]) == "--run") {
        const Setting setting{std::atoi(argv[2]), std::atoi(argv[3])};
        return runOnce(setting, std::atoi(argv[4]), {argv[5], argv[6], argv[7], argv[8]});
    }
    int seconds = kDefaultSeconds;
    const bool cpuOnly = argc == 2 && std::string(argv[1]) == "--cpu-only";
    if (argc == 3 && std::string(argv[1]) == "--seconds")
        seconds = std::atoi(argv[2]);
    else if (argc != 1 && !cpuOnly)
        abandon("usage: latency_under_load [--seconds N | --cpu-only]");
    if (seconds < 5)
        abandon("give at least 5 seconds a run");

    velmora::test::TempFolder scratch;
    const Files files{scratch.file("first.wav"), scratch.file("second.wav"), scratch.file("stereo.wav"),
                      scratch.file("recordings")};
    std::filesystem::create_directory(files.recordings);
    // Long enough that no file ends during a run, nor during the minute of
    // the CPU measurement.
    const std::string length = std::to_string(std::max(seconds + 30, 90));
    if (!velmora::test::soxWave(files.first, "-r 44100 -c 1 -b 16", length + " sine 220 vol 0.3") ||
        !velmora::test::soxWave(files.second, "-r 44100 -c 1 -b 16", length + " pinknoise vol 0.2") ||
        !velmora::test::soxWave(files.stereo, "-r 44100 -c 2 -b 16", length + " sawtooth 97 vol 0.2"))
        abandon("sox cannot make the files");

    if (cpuOnly) {
        reportPlaybackCost(files.stereo, scratch.path());
        return 0;
    }
    std::printf("Output underruns under load (stress-ng --cpu 2, a page-cache writer, every 16th file read "
                "50 ms late): %d s per run\n",
                seconds);
    std::printf("%8s %8s %8s %11s  %-24s %10s %18s\n", "block B", "frames", "buffers", "latency ms", "wave reads",
                "underruns", "per 10 minutes");
    std::fflush(stdout);
    {
        // Each run also starts an engine, opens its files and stops.
        constexpr auto kRunOverhead = 2min;
        const auto runs = static_cast<int>(std::size(kSettings)) * 2;
        Load load(scratch.path(), runs * (std::chrono::seconds(seconds) + kRunOverhead));
        for (const Setting& setting : kSettings)
            for (const bool readInStream : {true, false}) {
                const long underruns = runChild(argv[0], setting, seconds, readInStream, files, scratch.path());
                std::printf("%8d %8d %8d %11.1f  %-24s %10ld %18.1f\n", setting.musicBufSize,
                            setting.musicBufSize / 2, setting.numOutBufs, outputLatencyMs(setting),
                            readInStream ? "in the streaming thread" : "read ahead", underruns,
                            static_cast<double>(underruns) * kTenMinutes / seconds);
                std::fflush(stdout);
            }
    }
    reportPlaybackCost(files.stereo, scratch.path());
    return 0;
}
