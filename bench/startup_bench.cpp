// How long the real program takes from its start to its user interface on the
// screen, as a person sees it: a copy of the whole program folder (every
// plug-in, decoder and visual module), fresh settings for every start (the
// mixing console visible, so that both windows open), the X11
// backend on an Xvfb of the bench's own, virtual audio. "Shown" is the moment
// the X server maps the second of the two windows the user interface opens at
// start ("Velmora Audio Engine" and "Mixing Console"), seen by this process
// through the root window's structure events: nothing in the program helps.
// "Painted" is the first moment the main window's pixels on the server equal
// the picture it settles on. Each start is killed once measured.


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ProgramUnderX.h"
#include "tests/support/FileText.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace velmora::bench;
namespace fs = std::filesystem;

constexpr int kStarts = 20;
constexpr double kTargetMs = 300;
constexpr char kMainTitle[] = "Velmora Audio Engine";
constexpr char kConsoleTitle[] = "Mixing Console";
// Settings as on a first start, but for the mixing console, which a fresh
// start keeps hidden until the user opens it once.
constexpr char kSettings[] = "[Velmora User Interface]\nMixerVisible=1\n";
// A start that shows nothing within this has failed.
constexpr auto kStartLimit = 15s;
// The main window's picture must stay the same this long to count as settled.
constexpr auto kSettleTime = 400ms;

struct StartTimes {
    double mainShownMs = 0;
    double consoleShownMs = 0;
    double shownMs = 0; // both windows
    double paintedMs = 0;
};

class StartMeasurer {
public:
    StartMeasurer(PrivateScreen& screen, std::string programFolder, std::string scratchFolder)
        : screen_(screen), programFolder_(std::move(programFolder)), scratchFolder_(std::move(scratchFolder))
    {
    }

    StartTimes measure(int index)
    {
        const std::string tag = std::to_string(index);
        const std::string configFolder = scratchFolder_ + "/config-" + tag;
        const std::string runtimeFolder = scratchFolder_ + "/run-" + tag;
        const std::string errorsPath = scratchFolder_ + "/stderr-" + tag;
        fs::create_directories(configFolder);
        fs::create_directories(runtimeFolder);
        fs::permissions(runtimeFolder, fs::perms::owner_all, fs::perm_options::replace);
        velmora::test::writeText(configFolder + "/velmoraaudioengine.ini", kSettings);
        std::vector<std::string> environment = programEnvironment(screen_.name(), configFolder, runtimeFolder);

        screen_.dropPendingEvents();
        const Clock::time_point started = Clock::now();
        const pid_t pid = startProgram(programFolder_ + "/Velmora", std::move(environment), "/dev/null", errorsPath);
        StartedProgram running(pid);

        StartTimes times;
        Window mainWindow = None;
        Clock::time_point mainShown{};
        Clock::time_point consoleShown{};
        const Clock::time_point limit = started + kStartLimit;
        while (mainWindow == None || consoleShown == Clock::time_point{}) {
            const std::optional<XEvent> event = screen_.nextEvent(std::min(limit, Clock::now() + 50ms));
            if (!event) {
                if (running.ended())
                    fail("the program ended before its windows were shown:\n" +
                         velmora::test::readText(errorsPath));
                if (Clock::now() >= limit)
                    fail("no user interface within the limit:\n" + velmora::test::readText(errorsPath));
                continue;
            }
            if (event->type != MapNotify)
                continue;
            const Clock::time_point now = Clock::now();
            const std::string title = screen_.title(event->xmap.window);
            if (title == kMainTitle && mainWindow == None) {
                mainWindow = event->xmap.window;
                mainShown = now;
            } else if (title == kConsoleTitle && consoleShown == Clock::time_point{}) {
                consoleShown = now;
            }
        }
        times.mainShownMs = millisecondsBetween(started, mainShown);
        times.consoleShownMs = millisecondsBetween(started, consoleShown);
        times.shownMs = std::max(times.mainShownMs, times.consoleShownMs);
        times.paintedMs = millisecondsBetween(started, settledPicture(mainWindow, mainShown));

        running.end();
        screen_.waitForEmptyScreen();
        const std::string errors = velmora::test::readText(errorsPath);
        if (!errors.empty())
            std::fprintf(stderr, "start %d wrote to standard error:\n%s\n", index, errors.c_str());
        std::error_code ignored;
        fs::remove_all(configFolder, ignored);
        fs::remove_all(runtimeFolder, ignored);
        return times;
    }

private:
    // When the window's pixels last changed before they stayed the same for
    // the settle time.
    Clock::time_point settledPicture(Window window, Clock::time_point shown)
    {
        std::vector<unsigned long> last;
        Clock::time_point lastChange = shown;
        const Clock::time_point giveUp = shown + 5s;
        for (;;) {
            std::vector<unsigned long> now = screen_.pixels(window);
            const Clock::time_point seen = Clock::now();
            if (now != last) {
                last = std::move(now);
                lastChange = seen;
            } else if (seen - lastChange >= kSettleTime || seen >= giveUp) {
                return lastChange;
            }
            std::this_thread::sleep_for(1ms);
        }
    }

    PrivateScreen& screen_;
    std::string programFolder_;
    std::string scratchFolder_;
};

struct Spread {
    double median = 0;
    double min = 0;
    double max = 0;
};

Spread spreadOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

void printSpread(const char* what, const std::vector<double>& values)
{
    const Spread spread = spreadOf(values);
    std::printf("  %-34s median %7.1f ms   min %7.1f   max %7.1f\n", what, spread.median, spread.min, spread.max);
}

int countPlugins(const std::string& folder)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".vin" || extension == ".vwo" || extension == ".vfx" || extension == ".vui")
            ++count;
    }
    return count;
}

} // namespace

// An argument names another program folder to start from (one with fewer
// plug-ins, say, to see what they cost).
int main(int argc, char** argv)
try {
    const std::string source = argc > 1 ? argv[1] : VELMORA_OUT_DIR;
    velmora::test::TempFolder scratch;
    const std::string programFolder = scratch.file("program");
    std::error_code error;
    fs::copy(source, programFolder, fs::copy_options::recursive, error);
    if (error)
        fail("cannot copy the program folder " + source + ": " + error.message());
    const int plugins = countPlugins(programFolder + "/Plugins");

    // VELMORA_SCALE reaches the program too: a screen large enough for its windows.
    const char* scaleText = std::getenv("VELMORA_SCALE");
    const int scale = scaleText != nullptr ? std::max(1, std::atoi(scaleText)) : 1;
    PrivateScreen screen(scale);
    StartMeasurer measurer(screen, programFolder, scratch.path());
    std::vector<double> mainShown;
    std::vector<double> consoleShown;
    std::vector<double> shown;
    std::vector<double> painted;
    for (int start = 0; start < kStarts; ++start) {
        const StartTimes times = measurer.measure(start);
        mainShown.push_back(times.mainShownMs);
        consoleShown.push_back(times.consoleShownMs);
        shown.push_back(times.shownMs);
        painted.push_back(times.paintedMs);
    }

    std::printf("Start-up to the user interface on the screen: %d starts, %d plug-ins, X11 on Xvfb at scale %s, "
                "fresh settings each (console visible)\n",
                kStarts, plugins, scaleText != nullptr ? scaleText : "1");
    printSpread("main window mapped", mainShown);
    printSpread("mixing console mapped", consoleShown);
    printSpread("both windows shown", shown);
    printSpread("main window painted (settled)", painted);
    const double median = spreadOf(shown).median;
    std::printf("  target %.0f ms for both windows shown: %s\n", kTargetMs, median < kTargetMs ? "met" : "MISSED");
    return 0;
} catch (const std::exception& failure) {
    std::fprintf(stderr, "startup_bench: %s\n", failure.what());
    return 1;
}
