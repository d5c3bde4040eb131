// Runs the real engine for a long time as a user would and reports what went
// wrong: four mono wave files looping in the wave file player's channels, the
// equaliser on channels 1 and 2, the reverb on 3, the distortion on 4, the
// output to the (virtual) sound card and to a wave file at once. The engine
// and its plug-ins come from the program folder given (the sanitizer build's,
// by bench/soak); the scripted user interface picks the plug-ins through the
// engine's own menus, which this program answers by clicking them, and this
// program drops the files on the player's strips and presses its loop and
// play buttons, all on an Xvfb of its own.
//
// Reported: the program's exit, anything it wrote to standard error (the
// sanitizers' reports, texts of dialogs), error dialogs that opened, resident
// memory after the warm-up and at the end, and whether the recorded wave
// file is complete and as long as the run.
//
//   soak_driver <program folder> <scripted_ui.vui> <work folder> <seconds> <wav> <wav> <wav> <wav>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "bench/ProgramUnderX.h"
#include "plugins/tindle/Layout.h"
#include "tests/support/FileText.h"

namespace {

using namespace velmora::bench;
namespace fs = std::filesystem;

constexpr int kChannels = 4;
constexpr char kPlayerTitle[] = "Velmora Fennet";
// Every menu opens here, away from the windows.
constexpr int kMenuX = 700;
constexpr int kMenuY = 600;
// A menu's items lie between a frame of this height above and below.
constexpr int kMenuFrame = 3;
// What the set-up may take before streaming runs (the scripted interface
// quits this long after the run's end at the latest).
constexpr std::chrono::seconds kSetUpAllowance{30};
// Memory is first measured once the run has settled.
constexpr auto kWarmUp = 10s;
constexpr int kBytesPerSecond = 44100 * 2 * 2;

// The effect menus list the effects by file name: Halvern, VelmoraEQ,
// Velmorizer. The equaliser goes to effect slot 1, the reverb to 2, the
// distortion to 3; a channel's menu then lists the four slots.
struct MenuChoice {
    engine::Request request; // an effect slot's menu or a channel's effect menu
    int slot;                // effect slot, or channel
    int items;
    int chosen;

    // The script line that opens the menu (a channel's first effect place).
    std::string line() const
    {
        return "request " + std::string(toString(request)) + " 0 win " + std::to_string(kMenuX) + " " +
               std::to_string(kMenuY) + " " + std::to_string(slot) +
               (request == engine::Request::ChannelEffectMenu ? " 0" : "");
    }
};
constexpr engine::Request kSlotMenu = engine::Request::EffectMenu;
constexpr engine::Request kChannelMenu = engine::Request::ChannelEffectMenu;
constexpr MenuChoice kMenuChoices[] = {
    {kSlotMenu, 0, 3, 1},    {kSlotMenu, 1, 3, 0},    {kSlotMenu, 2, 3, 2},    {kChannelMenu, 0, 4, 0},
    {kChannelMenu, 1, 4, 0}, {kChannelMenu, 2, 4, 1}, {kChannelMenu, 3, 4, 2},
};
// The log line of a stream that reached a mixer channel.
std::string attachedLine(int channel)
{
    return "channel " + std::to_string(channel) + " ChannelName Fennet[";
}

// The scripted user interface's log, read as it grows.
class UiLog {
public:
    explicit UiLog(std::string path) : path_(std::move(path)) {}

    bool contains(const std::string& text)
    {
        refresh();
        return text_.find(text) != std::string::npos;
    }
    size_t count(const std::string& text)
    {
        refresh();
        size_t found = 0;
        for (size_t at = text_.find(text); at != std::string::npos; at = text_.find(text, at + 1))
            ++found;
        return found;
    }
    size_t size() const { return text_.size(); }

private:
    void refresh()
    {
        std::ifstream in(path_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(text_.size()));
        std::string more((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text_ += more;
    }

    std::string path_;
    std::string text_;
};

struct Memory {
    long rssKb = -1;
    long peakKb = -1;
};

Memory memoryOf(pid_t pid)
{
    Memory memory;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            memory.rssKb = std::atol(line.c_str() + 6);
        else if (line.rfind("VmHWM:", 0) == 0)
            memory.peakKb = std::atol(line.c_str() + 6);
    }
    return memory;
}

uint32_t little32(const std::string& bytes, size_t at)
{
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

uint16_t little16(const std::string& bytes, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// Whether the file is a whole 44100 Hz 16-bit stereo PCM wave file: the RIFF
// size and the data chunk's size agree with the file's length. Says why not.
bool checkWave(const std::string& path, double& seconds, std::string& problem)
{
    const std::string bytes = velmora::test::readText(path);
    seconds = 0;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        problem = "no RIFF WAVE header";
        return false;
    }
    if (little32(bytes, 4) != bytes.size() - 8) {
        problem = "RIFF size " + std::to_string(little32(bytes, 4)) + ", file holds " +
                  std::to_string(bytes.size() - 8);
        return false;
    }
    bool formatSeen = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = little32(bytes, at + 4);
        if (id == "fmt " && size >= 16 && at + 24 <= bytes.size()) {
            formatSeen = little16(bytes, at + 8) == 1 && little16(bytes, at + 10) == 2 &&
                         little32(bytes, at + 12) == 44100 && little16(bytes, at + 22) == 16;
            if (!formatSeen) {
                problem = "not 44100 Hz 16-bit stereo PCM";
                return false;
            }
        } else if (id == "data") {
            const size_t held = bytes.size() - at - 8;
            seconds = static_cast<double>(size) / kBytesPerSecond;
            if (size != held) {
                problem = "data size " + std::to_string(size) + ", file holds " + std::to_string(held);
                return false;
            }
            if (!formatSeen)
                problem = "data before the format";
            return formatSeen;
        }
        at += 8 + size + (size & 1);
    }
    problem = "no data chunk";
    return false;
}

struct Options {
    std::string programFolder;
    std::string scriptedUi;
    std::string work;
    int seconds = 600;
    std::vector<std::string> waves;
};

// The program folder of the run: the engine, its libraries, the plug-ins the
// run uses and the scripted user interface as the only one.
void layOutProgram(const Options& options, const std::string& folder)
{
    fs::create_directories(folder + "/Plugins");
    for (const char* file : {"Velmora", "libvelmoraplatform.so", "ZKRShared.so"})
        fs::copy_file(options.programFolder + "/" + file, folder + "/" + file);
    fs::copy(options.programFolder + "/Help", folder + "/Help", fs::copy_options::recursive);
    for (const char* plugin : {"Tindle.vin", "Brolet.vwo", "VelmoraEQ.vfx", "Halvern.vfx", "Velmorizer.vfx"})
        fs::copy_file(options.programFolder + "/Plugins/" + plugin, folder + "/Plugins/" + plugin);
    for (const char* modules : {"Visuals", "Decoders"})
        if (fs::exists(options.programFolder + "/Plugins/" + modules))
            fs::copy(options.programFolder + "/Plugins/" + modules, folder + "/Plugins/" + modules,
                     fs::copy_options::recursive);
    fs::copy_file(options.scriptedUi, folder + "/Plugins/scripted_ui.vui");
}

// The scripted interface loads the plug-ins and waits; this program opens
// the files, starts and stops the run. The wait covers the set-up too.
std::string script(int seconds)
{
    std::string text = "request Restore\n";
    for (const MenuChoice& choice : kMenuChoices)
        text += choice.line() + "\n";
    text += "sleep " + std::to_string((seconds + kSetUpAllowance.count()) * 1000) + "\n";
    text += "event StopStreaming 1\n";
    text += "waitfor general 0 Streaming 0\n";
    text += "quit\n";
    return text;
}

std::string settings(const std::string& recordings)
{
    return "[Velmora Audio Engine v0.1b]\nLastAudioInput1=Tindle.vin\nLastAudioOutput=Brolet.vwo\n"
           "[Velmora Brolet Blaster]\nbSoundOutput=1\nbFileOutput=1\nOutPath=" +
           recordings + "\nOutFilename=Soak\n";
}

class SoakRun {
public:
    SoakRun(const Options& options, PrivateScreen& screen)
        : options_(options), screen_(screen), log_(file("ui.log"))
    {
    }

    int run()
    {
        const std::string program = file("program");
        const std::string config = file("config");
        const std::string runtime = file("run");
        recordings_ = file("recordings");
        for (const std::string& folder : {config, runtime, recordings_})
            fs::create_directories(folder);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        layOutProgram(options_, program);
        velmora::test::writeText(config + "/velmoraaudioengine.ini", settings(recordings_));
        velmora::test::writeText(file("script.txt"), script(options_.seconds));

        std::vector<std::string> environment = programEnvironment(
            screen_.name(), config, runtime,
            {{"VELMORA_TEST_UI_SCRIPT", file("script.txt")}, {"VELMORA_TEST_UI_LOG", file("ui.log")}});
        pid_ = startProgram(program + "/Velmora", std::move(environment), file("stdout.txt"),
                            file("stderr.txt"));
        running_ = std::make_unique<StartedProgram>(pid_);

        const bool setUp = answerMenus() && setUpChannels() && startPlaying();
        if (setUp)
            watchStreaming();
        if (!until([&] { return running_->ended(); }, kSetUpAllowance + 60s)) {
            say("the program did not end by itself: killed");
            running_->end();
        }
        return report(setUp, running_->status());
    }

private:
    std::string file(const std::string& name) const { return options_.work + "/" + name; }

    void say(const std::string& text)
    {
        std::printf("soak %7.1f s: %s\n", std::chrono::duration<double>(Clock::now() - started_).count(),
                    text.c_str());
        std::fflush(stdout);
    }

    // Handles the screen's events until condition holds (true) or the
    // program ended or limit passed (false). Dialogs that report errors are
    // noted and closed; other windows that map or unmap are offered to onEvent.
    bool until(const std::function<bool()>& condition, Clock::duration limit,
               const std::function<void(const XEvent&)>& onEvent = {})
    {
        const Clock::time_point deadline = Clock::now() + limit;
        for (;;) {
            if (condition())
                return true;
            if (running_->ended() || Clock::now() >= deadline)
                return false;
            const std::optional<XEvent> event = screen_.nextEvent(std::min(deadline, Clock::now() + 200ms));
            if (!event || (event->type != MapNotify && event->type != UnmapNotify))
                continue;
            const std::string title = event->type == MapNotify ? screen_.title(event->xmap.window) : "";
            if (title.find(" - Code ") != std::string::npos) {
                errorDialogs_.push_back(title);
                say("error dialog \"" + title + "\": closed");
                screen_.askToClose(event->xmap.window);
            } else if (onEvent) {
                onEvent(*event);
            }
        }
    }

    bool setUpChannels()
    {
        Window player = None;
        if (!until([&] { return (player = screen_.mappedWindow(kPlayerTitle)) != None; }, 60s)) {
            say("the wave file player's window did not open");
            return false;
        }
        player_ = player;
        for (int channel = 0; channel < kChannels; ++channel) {
            const tindle::Box title = tindle::inStrip(tindle::kTitleField, channel);
            if (!screen_.dropFiles(player_, title.x + title.width / 2, title.y + title.height / 2,
                                   {options_.waves[static_cast<size_t>(channel)]})) {
                say("the player refused the file dropped on strip " + std::to_string(channel + 1));
                return false;
            }
            if (!until([&] { return log_.contains(attachedLine(channel)); }, 30s)) {
                say("no stream reached mixer channel " + std::to_string(channel + 1));
                return false;
            }
            // The player pictures the file behind a modal progress window
            // after the stream is attached; it takes the next file after that.
            std::vector<Window> shown;
            Clock::time_point quietSince = Clock::now();
            until([&] { return shown.empty() && Clock::now() - quietSince >= 500ms; }, 60s,
                  [&](const XEvent& event) {
                      if (event.type == MapNotify) {
                          shown.push_back(event.xmap.window);
                      } else {
                          std::erase(shown, event.xunmap.window);
                          quietSince = Clock::now();
                      }
                  });
        }
        say("four files opened in the player");
        return true;
    }

    bool answerMenus()
    {
        int answered = 0;
        for (const MenuChoice& choice : kMenuChoices) {
            Window menu = None;
            if (!until([&] { return menu != None; }, 60s,
                       [&](const XEvent& event) {
                           XWindowAttributes place;
                           if (event.type == MapNotify && screen_.bounds(event.xmap.window, place) &&
                               place.x == kMenuX && place.y == kMenuY)
                               menu = event.xmap.window;
                       })) {
                say("no menu for \"" + choice.line() + "\"");
                return false;
            }
            XWindowAttributes place;
            if (!screen_.bounds(menu, place))
                return false;
            const int itemHeight = (place.height - 2 * kMenuFrame) / choice.items;
            screen_.click(menu, place.width / 2, kMenuFrame + itemHeight * choice.chosen + itemHeight / 2);
            ++answered;
            const auto results = [&] {
                return log_.count("request EffectMenu -> 1") + log_.count("request ChannelEffectMenu -> 1");
            };
            if (!until([&] { return results() >= static_cast<size_t>(answered); }, 10s)) {
                say("\"" + choice.line() + "\" chose nothing");
                return false;
            }
        }
        say("effects in their slots and channels");
        return true;
    }

    void clickEveryStrip(const tindle::Box& button)
    {
        for (int channel = 0; channel < kChannels; ++channel) {
            const tindle::Box place = tindle::inStrip(button, channel);
            screen_.click(player_, place.x + place.width / 2, place.y + place.height / 2);
        }
    }

    bool startPlaying()
    {
        clickEveryStrip(tindle::kLoopButton);
        clickEveryStrip(tindle::kPlayButton);
        if (!until([&] { return log_.contains("general 0 Streaming 1"); }, 20s)) {
            say("streaming did not start");
            return false;
        }
        streamStarted_ = Clock::now();
        say("streaming");
        return true;
    }

    // Memory once warmed up and every second after (the last sample while
    // streaming is the end figure), progress each minute; then the play
    // buttons stop the four channels, which ends the streaming.
    void watchStreaming()
    {
        Clock::time_point nextSample = streamStarted_ + kWarmUp;
        Clock::time_point nextNote = streamStarted_ + 60s;
        const Clock::time_point end = streamStarted_ + std::chrono::seconds(options_.seconds);
        const bool ranToTheEnd = until(
            [&] {
                const Clock::time_point now = Clock::now();
                if (now >= end)
                    return true;
                if (now >= nextSample) {
                    const Memory memory = memoryOf(pid_);
                    if (memory.rssKb >= 0) {
                        if (warm_.rssKb < 0)
                            warm_ = memory;
                        last_ = memory;
                    }
                    nextSample = now + 1s;
                }
                if (now >= nextNote) {
                    say("resident " + std::to_string(last_.rssKb / 1024) + " MB");
                    nextNote += 60s;
                }
                return log_.contains("general 0 Streaming 0");
            },
            std::chrono::seconds(options_.seconds) + 60s);
        if (log_.contains("general 0 Streaming 0")) {
            say("STREAMING ENDED BEFORE ITS TIME");
            streamEnded_ = Clock::now();
            return;
        }
        if (!ranToTheEnd)
            return;
        clickEveryStrip(tindle::kPlayButton);
        if (until([&] { return log_.contains("general 0 Streaming 0"); }, 30s)) {
            streamEnded_ = Clock::now();
            say("stopped");
        } else {
            say("STREAMING DID NOT STOP");
        }
    }

    int report(bool setUp, int status)
    {
        int problems = 0;
        std::printf("\nSoak report (%d s asked):\n", options_.seconds);
        if (!setUp) {
            std::printf("  SET-UP FAILED: see the lines above; the scripted interface's log is %s\n",
                        file("ui.log").c_str());
            ++problems;
        }
        if (status >= 0 && WIFEXITED(status)) {
            std::printf("  exit code %d\n", WEXITSTATUS(status));
            problems += WEXITSTATUS(status) != 0 ? 1 : 0;
        } else if (status >= 0 && WIFSIGNALED(status)) {
            std::printf("  ENDED BY SIGNAL %d\n", WTERMSIG(status));
            ++problems;
        } else {
            std::printf("  DID NOT END\n");
            ++problems;
        }
        const std::string errors = velmora::test::readText(file("stderr.txt"));
        if (errors.empty()) {
            std::printf("  standard error: empty (no sanitizer report, no dialog text)\n");
        } else {
            std::printf("  STANDARD ERROR (%zu bytes, %s):\n%s\n", errors.size(), file("stderr.txt").c_str(),
                        errors.substr(0, 4000).c_str());
            ++problems;
        }
        for (const std::string& title : errorDialogs_)
            std::printf("  ERROR DIALOG: %s\n", title.c_str());
        problems += static_cast<int>(errorDialogs_.size());

        if (warm_.rssKb >= 0) {
            const double streamed = streamedSeconds();
            std::printf(
                "  resident memory: %ld kB after %lld s warm-up, %ld kB at the end (%+ld kB), peak %ld kB; "
                "%.0f s streamed\n",
                warm_.rssKb, static_cast<long long>(kWarmUp.count()), last_.rssKb, last_.rssKb - warm_.rssKb,
                last_.peakKb, streamed);
            std::printf("  (the scripted interface keeps its %zu-byte log in memory too)\n", log_.size());
        }

        std::vector<std::string> waves;
        for (const auto& entry : fs::directory_iterator(recordings_))
            if (entry.path().extension() == ".wav")
                waves.push_back(entry.path().string());
        if (waves.size() != 1) {
            std::printf("  RECORDINGS: %zu wave files in %s, one expected\n", waves.size(),
                        recordings_.c_str());
            ++problems;
        }
        for (const std::string& wave : waves) {
            double seconds = 0;
            std::string problem;
            if (checkWave(wave, seconds, problem)) {
                std::printf("  recording %s: complete, %.1f s\n", wave.c_str(), seconds);
            } else {
                std::printf("  RECORDING %s: %s (%.1f s of data)\n", wave.c_str(), problem.c_str(), seconds);
                ++problems;
            }
            if (setUp && std::abs(seconds - streamedSeconds()) > 3) {
                std::printf("  RECORDING LENGTH %.1f s, the run streamed for %.1f s\n", seconds,
                            streamedSeconds());
                ++problems;
            }
        }
        std::printf("  %s\n",
                    problems == 0 ? "no problems" : (std::to_string(problems) + " problem(s)").c_str());
        return problems == 0 ? 0 : 1;
    }

    double streamedSeconds() const
    {
        if (streamStarted_ == Clock::time_point{})
            return 0;
        const Clock::time_point end = streamEnded_ != Clock::time_point{} ? streamEnded_ : Clock::now();
        return std::chrono::duration<double>(end - streamStarted_).count();
    }

    const Options& options_;
    PrivateScreen& screen_;
    UiLog log_;
    std::string recordings_;
    pid_t pid_ = -1;
    std::unique_ptr<StartedProgram> running_;
    Window player_ = None;
    const Clock::time_point started_ = Clock::now();
    Clock::time_point streamStarted_{};
    Clock::time_point streamEnded_{};
    Memory warm_;
    Memory last_;
    std::vector<std::string> errorDialogs_;
};

} // namespace

int main(int argc, char** argv)
try {
    if (argc != 9) {
        std::fprintf(
            stderr,
            "usage: %s <program folder> <scripted_ui.vui> <work folder> <seconds> <wav> <wav> <wav> <wav>\n",
            argv[0]);
        return 2;
    }
    Options options;
    options.programFolder = argv[1];
    options.scriptedUi = argv[2];
    options.work = argv[3];
    options.seconds = std::atoi(argv[4]);
    for (int i = 5; i < 9; ++i)
        options.waves.emplace_back(fs::absolute(argv[i]).string());
    PrivateScreen screen;
    SoakRun run(options, screen);
    return run.run();
} catch (const std::exception& failure) {
    std::fprintf(stderr, "soak_driver: %s\n", failure.what());
    return 1;
}
