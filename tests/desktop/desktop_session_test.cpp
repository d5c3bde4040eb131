// The installed program as a person meets it: a normal user's session on
// Xvfb with openbox, driven only through X, checked on the screen and in the
// settings the program leaves.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "platform/ui/Png.h"
#include "support/FileText.h"
#include "support/Sox.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"
#include "support/XDesktop.h"

using namespace std::chrono_literals;
using namespace velmora::test;

namespace {

// The normal user the program runs as when the tests run as root (CI).
constexpr uid_t kNobody = 65534;
constexpr const char* kMain = "Velmora Audio Engine";
constexpr const char* kConsole = "Mixing Console";
constexpr const char* kSetup = "Audio System Setup";
// Where the user put the windows, by title: key and section of the settings.
struct Placed {
    const char* title;
    const char* section;
    const char* key;
    Point at;
};
constexpr Placed kPlaces[] = {
    {kMain, "Velmora User Interface", "MainUIPos", {60, 40}},
    {kConsole, "Velmora User Interface", "MixerUIPos", {700, 420}},
    {"Velmora Fennet", "Velmora Fennet", "MainWndPos", {40, 640}},
    {"Velmora mr. dorvish", "mr. dorvish", "MainWndPos", {500, 40}},
    {"Velmora Brolet Blaster", "Velmora Brolet Blaster", "WindowPos", {60, 300}},
};
// Client points of the controls used (the skins' and the dialog's layout).
constexpr Point kMinimiseButton{354, 43};
constexpr Point kMenuButton{376, 90};
constexpr Point kMenuSetupItem{264, 115};
constexpr Point kMenuExitItem{221, 246};
constexpr Point kBufferSizeList{170, 38};
constexpr Point kOutputBuffersList{167, 69};
constexpr Point kApplyButton{100, 266};
constexpr int kListFirstRow = 59; // below the field, rows kListRow apart
constexpr int kListRow = 15;
constexpr Point kFirstKnobCentre{62, 113};
constexpr int kStripPitch = 85;
constexpr Point kFirstEffectField{62, 138};
constexpr Point kFirstSlotItem{83, 160}; // in the menu of the engine's effect slots
constexpr Point kMainEffectSlot{162, 54};
constexpr Point kDistortionItem{219, 121}; // in the menu of effects: no level per channel

// Share of the pixels of area that are the same in both pictures.
double sameShare(const plat::ui::Surface& one, const plat::ui::Surface& other, const Rect& area)
{
    int same = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            same += one.pixel(x, y) == other.pixel(x, y) ? 1 : 0;
    return static_cast<double>(same) / std::max(1, area.width() * area.height());
}

double litShare(const plat::ui::Surface& picture, const Rect& area)
{
    int lit = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            lit += (picture.pixel(x, y) & 0xFFFFFFu) != 0 ? 1 : 0;
    return static_cast<double>(lit) / std::max(1, area.width() * area.height());
}

} // namespace

// Each test runs at the screen scales 1 and 2: at 2 every window is twice
// the size on the screen and takes the mouse at the same places, scaled.
class DesktopSession : public ::testing::TestWithParam<int> {
protected:
    // A point of a window's client area (logical) on the screen.
    Point offset(const Rect& place, Point by) const
    {
        return Point{place.left + by.x * scale_, place.top + by.y * scale_};
    }
    int scaled(int length) const { return length * scale_; }

    // Installed once, as make install does, into a root that a normal user may read.
    static void SetUpTestSuite()
    {
        stage_ = new TempFolder;
        chmod(stage_->path().c_str(), 0755);
        const std::string command = "make -C '" VELMORA_SOURCE_DIR
                                    "' --no-print-directory BUILD_DIR='" VELMORA_BUILD_DIR
                                    "' PREFIX=/usr DESTDIR='" +
                                    stage_->file("root") + "' install-files >/dev/null 2>&1";
        installed_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite()
    {
        delete stage_;
        stage_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(installed_) << "make install-files failed";
        ASSERT_TRUE(xvfb_.running()) << "Xvfb did not start (make deps installs it)";
        // Short: the single-instance socket must fit in it, or every session
        // of the user would share one in /tmp.
        home_ = stage_->file("home" + std::to_string(++sessions_));
        for (const std::string& folder :
             {home_, home_ + "/.cache", home_ + "/.config", home_ + "/.config/velmora", home_ + "/run"}) {
            std::filesystem::create_directories(folder);
            chmod(folder.c_str(), 0700);
        }
        std::map<std::string, std::string> sections{
            {"Velmora User Interface", "MixerVisible=1\nbTrayIcon=0\n"}};
        for (const Placed& placed : kPlaces)
            sections[placed.section] += std::string(placed.key) + "=" + std::to_string(placed.at.x) + "," +
                                        std::to_string(placed.at.y) + "\n";
        // The scale as the user stores it in the Audio System Setup.
        std::string settings = "[Velmora Audio Engine v0.1b]\nLastAudioInput1=Tindle.vin\n"
                               "LastAudioInput2=Quillan.vin\nLastAudioOutput=Brolet.vwo\nDisplayScale=" +
                               std::to_string(scale_) + "\n";
        for (const auto& [section, keys] : sections)
            settings += "[" + section + "]\n" + keys;
        writeText(settingsPath(), settings);
        if (geteuid() == 0) {
            const std::string nobody = std::to_string(kNobody);
            ASSERT_EQ(std::system(("chown -R " + nobody + ":" + nobody + " '" + home_ + "'").c_str()), 0);
        }
        windowManager_ = std::make_unique<WindowManager>(xvfb_.display(), home_);
        desktop_ = std::make_unique<XDesktop>(xvfb_.display());
        ASSERT_TRUE(desktop_->connected());
        ASSERT_TRUE(eventually([&] { return desktop_->windowManagerRuns(); }, 10s))
            << "openbox did not start";
    }
    void TearDown() override
    {
        if (program_ > 0) {
            kill(program_, SIGKILL);
            waitpid(program_, nullptr, 0);
        }
    }

    std::string settingsPath() const { return home_ + "/.config/velmora/velmoraaudioengine.ini"; }

    // The installed command, as the normal user (CI runs as root), with a
    // home of its own; it ends with the test, even one the watchdog ends.
    pid_t start(const std::vector<std::string>& files = {})
    {
        std::vector<std::string> arguments{"/usr/bin/setpriv", "--pdeathsig=KILL"};
        if (geteuid() == 0)
            arguments.insert(arguments.end(), {"--reuid=" + std::to_string(kNobody),
                                               "--regid=" + std::to_string(kNobody), "--clear-groups"});
        arguments.push_back(stage_->file("root") + "/usr/bin/velmora");
        arguments.insert(arguments.end(), files.begin(), files.end());
        std::vector<std::string> environment{"DISPLAY=" + xvfb_.display(), "HOME=" + home_,
                                             "XDG_RUNTIME_DIR=" + home_ + "/run", "VELMORA_AUDIO=virtual",
                                             "PATH=/usr/bin:/bin"};
        // Settings without a scale (a first start): the variable gives it.
        if (readText(settingsPath()).find("DisplayScale=") == std::string::npos)
            environment.push_back("VELMORA_SCALE=" + std::to_string(scale_));
        const std::string program = arguments.front();
        return spawnProgram(program, arguments, environment, home_ + "/out.txt", home_ + "/err.txt");
    }
    // Its exit status once it ended, -1 when it did not within the limit.
    static int waitForExit(pid_t& pid, std::chrono::milliseconds limit = 15s)
    {
        int status = -1;
        const bool ended = eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
        if (!ended)
            return -1;
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The program with its windows shown and painted, as the user placed them.
    Rect startSession()
    {
        program_ = start();
        const ::Window main = desktop_->waitForClient(kMain);
        if (main == None) {
            save(desktop_->screenshot(), "no-main-window");
            ADD_FAILURE() << "no main window; the program "
                          << (waitForExit(program_, 0ms) < 0 ? "runs" : "ended")
                          << " and said: " << readText(home_ + "/out.txt") << readText(home_ + "/err.txt");
            return {};
        }
        for (const Placed& placed : kPlaces)
            EXPECT_NE(desktop_->waitForClient(placed.title), None) << placed.title;
        const std::optional<Rect> place = desktop_->place(main);
        const Rect whole = place.value_or(Rect{});
        EXPECT_TRUE(eventually([&] { return litShare(desktop_->screenshot(), whole) > 0.5; }))
            << "the main window is not painted";
        return whole;
    }

    void save(const plat::ui::Surface& picture, const std::string& name)
    {
        (void)plat::ui::savePng(picture,
                                "/tmp/velmora-desktop-" + name + "-x" + std::to_string(scale_) + ".png");
    }

    static inline TempFolder* stage_ = nullptr;
    static inline bool installed_ = false;
    static inline int sessions_ = 0;
    const int scale_ = GetParam();
    XvfbServer xvfb_{scale_};
    std::string home_;
    std::unique_ptr<WindowManager> windowManager_;
    std::unique_ptr<XDesktop> desktop_;
    pid_t program_ = -1;
};

TEST_P(DesktopSession, MinimisedMainWindowComesBackPaintedAndInFront)
{
    Watchdog watchdog(110s, "desktop session");
    const Rect main = startSession();
    const ::Window window = desktop_->client(kMain);
    const plat::ui::Surface shown = desktop_->screenshot();
    const Point centre{(main.left + main.right) / 2, (main.top + main.bottom) / 2};

    // Minimised by its own button, restored by the window manager (a task bar).
    desktop_->click(offset(main, kMinimiseButton));
    ASSERT_TRUE(eventually([&] { return desktop_->wmState(window) == IconicState; })) << "not minimised";
    desktop_->activate(window);
    EXPECT_TRUE(eventually([&] { return sameShare(desktop_->screenshot(), shown, main) > 0.95; }))
        << "restored but not painted";
    save(desktop_->screenshot(), "restored");

    // Minimised again, another program in use over its place; a second start brings it up.
    ASSERT_TRUE(eventually([&] { return desktop_->hasFocus(window); })) << "restored but not focused";
    desktop_->click(offset(main, kMinimiseButton));
    ASSERT_TRUE(eventually([&] { return desktop_->wmState(window) == IconicState; }));
    const ::Window other = desktop_->openWindow(Rect{0, 0, scaled(900), scaled(700)}, "other program");
    ASSERT_TRUE(eventually([&] { return desktop_->frontAt(centre) == other; }));
    desktop_->click(Point{scaled(850), scaled(650)});
    pid_t second = start();
    EXPECT_EQ(waitForExit(second), 0) << "the second start did not hand over";
    EXPECT_TRUE(eventually([&] {
        return desktop_->wmState(window) == NormalState && desktop_->frontAt(centre) == window &&
               sameShare(desktop_->screenshot(), shown, main) > 0.95;
    })) << "a second start left the main window minimised, behind others or unpainted";
    save(desktop_->screenshot(), "second-start");
    desktop_->close(window);
    EXPECT_EQ(waitForExit(program_), 0);
}

TEST_P(DesktopSession, ListsAndKnobsTakeTheMouseAndPlacesSurviveQuits)
{
    Watchdog watchdog(115s, "desktop session");
    Rect main = startSession();

    // The lists of the Audio System Setup: a click on an item picks it; the
    // wheel reaches items below the twelve shown.
    ASSERT_TRUE(desktop_->choose(offset(main, kMenuButton), offset(main, kMenuSetupItem)));
    const ::Window setup = desktop_->waitForClient(kSetup);
    ASSERT_NE(setup, None);
    const Rect dialog = *desktop_->place(setup);
    ASSERT_TRUE(
        desktop_->choose(offset(dialog, kBufferSizeList),
                         offset(dialog, Point{kBufferSizeList.x - 30, kListFirstRow + 3 * kListRow})));
    const Point inList = offset(dialog, Point{kOutputBuffersList.x - 30, kListFirstRow + 30 + 5 * kListRow});
    const ::Window underList = desktop_->topAt(inList);
    desktop_->click(offset(dialog, kOutputBuffersList));
    ASSERT_TRUE(eventually([&] { return desktop_->topAt(inList) != underList; }))
        << "the list did not drop down";
    desktop_->wheel(inList, -10);
    save(desktop_->screenshot(), "scrolled-list");
    desktop_->click(inList);
    desktop_->click(offset(dialog, kApplyButton));
    EXPECT_TRUE(eventually([&] { return desktop_->client(kSetup) == None; }))
        << "Apply did not end the dialog";

    // A drag on the console's effect knob turns the knob, not the console;
    // on the knob of an effect without a level per channel it moves nothing.
    const ::Window console = desktop_->client(kConsole);
    const Rect desk = *desktop_->place(console);
    const plat::ui::Surface before = desktop_->screenshot();
    const Point knob = offset(desk, kFirstKnobCentre);
    const Point knobs[2] = {offset(desk, Point{kFirstKnobCentre.x + kStripPitch, kFirstKnobCentre.y}), knob};
    desktop_->drag(Point{knobs[0].x - scaled(10), knobs[0].y + scaled(10)},
                   Point{knobs[0].x + scaled(40), knobs[0].y - scaled(60)});
    const Rect knobArea =
        Rect::fromSize(knobs[0].x - scaled(15), knobs[0].y - scaled(15), scaled(30), scaled(30));
    EXPECT_LT(sameShare(desktop_->screenshot(), before, knobArea), 0.9) << "the knob did not turn";
    ASSERT_TRUE(desktop_->choose(offset(main, kMainEffectSlot), offset(main, kDistortionItem)));
    ASSERT_TRUE(desktop_->choose(offset(desk, kFirstEffectField), offset(desk, kFirstSlotItem)));
    desktop_->drag(Point{knob.x - scaled(10), knob.y + scaled(10)},
                   Point{knob.x + scaled(40), knob.y - scaled(60)});
    EXPECT_EQ(desktop_->place(console), desk) << "a drag on a knob moved the console";
    save(desktop_->screenshot(), "console");

    // Start and quit (MENU > Exit) without moving anything: every place stays.
    for (int cycle = 0; cycle < 3; ++cycle) {
        if (cycle > 0)
            main = startSession();
        ASSERT_TRUE(desktop_->choose(offset(main, kMenuButton), offset(main, kMenuExitItem)));
        ASSERT_EQ(waitForExit(program_), 0) << "MENU > Exit did not end the program";
        const std::string settings = readText(settingsPath());
        for (const Placed& placed : kPlaces) {
            const std::string line = std::string(placed.key) + "=" + std::to_string(placed.at.x) + "," +
                                     std::to_string(placed.at.y) + "\n";
            const size_t section = settings.find(std::string("[") + placed.section + "]");
            EXPECT_NE(settings.find(line, section), std::string::npos)
                << placed.title << " lost its place in cycle " << cycle << ":\n"
                << settings;
        }
    }
    const std::string settings = readText(settingsPath());
    EXPECT_NE(settings.find("MusicBufSize=8192\n"), std::string::npos) << settings;
    const size_t buffers = settings.find("NumOutBufs=");
    EXPECT_GT(std::atoi(settings.c_str() + buffers + std::strlen("NumOutBufs=")), 12) << settings;
}

TEST_P(DesktopSession, FirstStartSetsUpADeskBesideTheMainWindowAndPlaysTheFileNamed)
{
    Watchdog watchdog(115s, "desktop session");
    std::filesystem::remove(settingsPath());
    const std::string song = home_ + "/song.wav";
    ASSERT_TRUE(soxWave(song, "-r 44100 -c 2 -b 16", "2 sine 440"));
    // Beside the settings, or in the program's folder when the user may write there.
    const std::string playlists[] = {home_ + "/.config/velmora/plevnt1.m3u",
                                     stage_->file("root") + "/usr/lib/velmora/Plugins/plevnt1.m3u"};
    for (const std::string& playlist : playlists)
        std::filesystem::remove(playlist);
    const auto entries = [&] {
        const std::string text = readText(playlists[0]) + readText(playlists[1]);
        int count = 0;
        for (size_t at = text.find(song); at != std::string::npos; at = text.find(song, at + 1))
            ++count;
        return count;
    };
    Rect work;
    ASSERT_TRUE(eventually([&] { return !(work = desktop_->workArea()).isEmpty(); }))
        << "openbox gave no work area";

    // The desk of a first start, each window shown beside the others and
    // painted; a window over the main one or off the work area hides it.
    program_ = start({song});
    const char* desk[] = {kMain, "Velmora Fennet", "PlevNT Input Module", "Velmora Brolet Blaster",
                          "Velmora 9BandEq"};
    std::vector<Rect> frames;
    for (const char* title : desk) {
        const ::Window window = desktop_->waitForClient(title);
        ASSERT_NE(window, None) << title
                                << " is not shown; the program said: " << readText(home_ + "/err.txt");
        ASSERT_TRUE(eventually([&] { return desktop_->frame(window).has_value(); })) << title;
        const Rect frame = *desktop_->frame(window);
        EXPECT_EQ(frame.intersect(work), frame) << title << " reaches out of the work area";
        for (size_t other = 0; other < frames.size(); ++other)
            EXPECT_FALSE(frame.intersects(frames[other])) << title << " covers " << desk[other];
        EXPECT_TRUE(eventually([&] {
            return litShare(desktop_->screenshot(), *desktop_->place(window)) > 0.5;
        })) << title
            << " is not painted";
        frames.push_back(frame);
    }
    save(desktop_->screenshot(), "first-start");

    // The file named reaches the media player's playlist once; named again
    // at the next start it is not added twice.
    for (int run = 0; run < 2; ++run) {
        if (run > 0) {
            program_ = start({song});
            ASSERT_NE(desktop_->waitForClient(kMain), None);
            ASSERT_NE(desktop_->waitForClient("PlevNT Input Module"), None);
        }
        const Rect main = *desktop_->place(desktop_->client(kMain));
        ASSERT_TRUE(desktop_->choose(offset(main, kMenuButton), offset(main, kMenuExitItem)));
        ASSERT_EQ(waitForExit(program_), 0) << "MENU > Exit did not end the program";
        EXPECT_EQ(entries(), 1) << "after start " << run + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, DesktopSession, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& scale) {
                             return "Scale" + std::to_string(scale.param);
                         });
