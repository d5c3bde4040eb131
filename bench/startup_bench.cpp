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

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/FileText.h"
#include "tests/support/TempFolder.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
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

// Ends the run; the screen, a started program and the scratch folder go on
// the way out.
[[noreturn]] void fail(const std::string& why)
{
    throw std::runtime_error(why);
}

// A started program, killed when the measurement is done with it (or fails).
class StartedProgram {
public:
    explicit StartedProgram(pid_t pid) : pid_(pid) {}
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    ~StartedProgram() { end(); }

    bool ended()
    {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_)
            pid_ = -1;
        return pid_ <= 0;
    }
    void end()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_;
};

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Windows vanish while they are looked at (a killed program's, the splash
// window): a request about one that is gone is no error here.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// An Xvfb on a display number it picks itself, so that other X servers on the
// machine are never touched; ends with the object.
class PrivateScreen {
public:
    PrivateScreen()
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            fail("no pipe for Xvfb");
        const std::string displayFd = std::to_string(pipeEnds[1]);
        std::vector<std::string> arguments{"Xvfb",        "-displayfd", displayFd, "-nolisten", "tcp",
                                           "-screen",     "0",          "1280x1024x24", "-br"};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int failed = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        if (failed != 0)
            fail("cannot start Xvfb (make deps installs it)");

        std::string number;
        char digit = 0;
        pollfd ready{pipeEnds[0], POLLIN, 0};
        while (poll(&ready, 1, 10000) > 0 && read(pipeEnds[0], &digit, 1) == 1 && digit != '\n')
            number += digit;
        close(pipeEnds[0]);
        if (number.empty())
            fail("Xvfb did not say its display");
        name_ = ":" + number;
        display_ = XOpenDisplay(name_.c_str());
        if (display_ == nullptr)
            fail("cannot connect to Xvfb on " + name_);
        XSetErrorHandler(ignoreXError);
        XSelectInput(display_, root(), SubstructureNotifyMask);
        XSync(display_, False);
    }
    PrivateScreen(const PrivateScreen&) = delete;
    PrivateScreen& operator=(const PrivateScreen&) = delete;
    ~PrivateScreen()
    {
        if (display_ != nullptr)
            XCloseDisplay(display_);
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

    const std::string& name() const { return name_; }
    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }

    // The next event, or nothing once deadline has passed.
    std::optional<XEvent> nextEvent(Clock::time_point deadline)
    {
        for (;;) {
            if (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                return event;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left <= 0ms)
                return std::nullopt;
            pollfd ready{ConnectionNumber(display_), POLLIN, 0};
            poll(&ready, 1, static_cast<int>(std::min<long long>(left.count(), 100)) + 1);
        }
    }

    void dropPendingEvents()
    {
        XSync(display_, False);
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
        }
    }

    // The title as the desktop shows it: _NET_WM_NAME, else WM_NAME.
    std::string title(Window window) const
    {
        const Atom netWmName = XInternAtom(display_, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(display_, window, netWmName, 0, 1024, False, utf8, &type, &format, &items, &after,
                               &data) == Success &&
            data != nullptr && type == utf8 && format == 8)
            text.assign(reinterpret_cast<const char*>(data), items);
        if (data != nullptr)
            XFree(data);
        char* name = nullptr;
        if (text.empty() && XFetchName(display_, window, &name) != 0 && name != nullptr) {
            text = name;
            XFree(name);
        }
        return text;
    }

    // The window's pixels on the server, one value per pixel (empty when gone).
    std::vector<unsigned long> pixels(Window window) const
    {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, window, &attributes) == 0 || attributes.map_state != IsViewable)
            return {};
        XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (image == nullptr)
            return {};
        std::vector<unsigned long> values;
        values.reserve(static_cast<size_t>(attributes.width) * static_cast<size_t>(attributes.height));
        for (int y = 0; y < attributes.height; ++y)
            for (int x = 0; x < attributes.width; ++x)
                values.push_back(XGetPixel(image, x, y));
        XDestroyImage(image);
        return values;
    }

    // Waits until no top-level window is left mapped (a killed program's
    // windows go with its connection).
    void waitForEmptyScreen()
    {
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            Window rootReturn = None;
            Window parent = None;
            Window* children = nullptr;
            unsigned count = 0;
            bool anyMapped = false;
            if (XQueryTree(display_, root(), &rootReturn, &parent, &children, &count) != 0) {
                for (unsigned i = 0; i < count; ++i) {
                    XWindowAttributes attributes;
                    if (XGetWindowAttributes(display_, children[i], &attributes) != 0 &&
                        attributes.map_state != IsUnmapped)
                        anyMapped = true;
                }
                if (children != nullptr)
                    XFree(children);
            }
            if (!anyMapped)
                return;
            std::this_thread::sleep_for(5ms);
        }
        fail("the killed program's windows stayed on the screen");
    }

private:
    pid_t pid_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};

// The program's environment: the caller's, with the bench's screen, audio,
// settings folder and single-instance folder.
std::vector<std::string> programEnvironment(const std::string& display, const std::string& configFolder,
                                            const std::string& runtimeFolder)
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    variables["DISPLAY"] = display;
    variables["VELMORA_UI"] = "x11";
    variables["VELMORA_AUDIO"] = "virtual";
    variables["VELMORA_CONFIG_DIR"] = configFolder;
    variables["XDG_RUNTIME_DIR"] = runtimeFolder;
    std::vector<std::string> texts;
    for (const auto& [name, value] : variables)
        texts.push_back(name + "=" + value);
    return texts;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> result;
    for (std::string& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

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
        std::vector<std::string> environmentTexts = programEnvironment(screen_.name(), configFolder, runtimeFolder);
        const std::string program = programFolder_ + "/Velmora";
        std::vector<std::string> argumentTexts{program};
        std::vector<char*> argv = pointers(argumentTexts);
        std::vector<char*> envp = pointers(environmentTexts);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

        screen_.dropPendingEvents();
        const Clock::time_point started = Clock::now();
        pid_t pid = -1;
        const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0)
            fail("cannot start " + program);
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

int main()
try {
    velmora::test::TempFolder scratch;
    const std::string programFolder = scratch.file("program");
    std::error_code error;
    fs::copy(VELMORA_OUT_DIR, programFolder, fs::copy_options::recursive, error);
    if (error)
        fail(std::string("cannot copy the program folder ") + VELMORA_OUT_DIR + ": " + error.message());
    const int plugins = countPlugins(programFolder + "/Plugins");

    PrivateScreen screen;
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

    std::printf("Start-up to the user interface on the screen: %d starts, %d plug-ins, X11 on Xvfb, "
                "fresh settings each (console visible)\n",
                kStarts, plugins);
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
