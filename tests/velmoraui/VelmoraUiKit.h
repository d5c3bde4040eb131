#pragma once

// The user interface plug-in as the program runs it: a program folder of the
// test's own holds a copy of VelmoraUI.vui and the audio core's test
// plug-ins; the real engine discovers and loads them, creates the user
// interface and runs its main loop on a thread of the test, while the two
// windows run on the plug-in's own thread. The test drives them with the
// headless backend's input and looks at their pictures, at the events the
// engine carried out and at the engine's state.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/Module.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Painter.h"
#include "plugins/velmoraui/Layout.h"
#include "support/EngineRig.h"
#include "support/Eventually.h"
#include "support/UiGestures.h"
#include "support/Watchdog.h"
#include "support/WindowPictures.h"
#include "zkr/BitmapFont.h"

namespace velmora::test {

using namespace std::chrono_literals;
using plat::ui::WindowHandle;
using velmoraui::Box;

class VelmoraUiTest : public ::testing::Test {
protected:
    static constexpr char kUiFile[] = "VelmoraUI.vui";
    static constexpr char kSection[] = "[Velmora User Interface]";

    VelmoraUiTest()
    {
        rig.place(builtPluginPath(kUiFile));
        for (const char* file :
             {coretest::kPatternInputFile, coretest::kRecordingOutputFile, coretest::kOffsetEffectFile})
            rig.place(testPluginPath(file));
    }
    ~VelmoraUiTest() override
    {
        // A test that failed half-way still ends the loop; the windows go
        // with the plug-in.
        if (looping) {
            post(toWire(engine::Event::StopStreaming));
            post(toWire(engine::Event::Quit));
        }
        if (loop.joinable())
            loop.join();
    }

    std::string plugin(const std::string& file) const { return rig.plugin(file); }
    std::string settingsText() const { return rig.settingsText(); }

    // Start-up as the program makes it, with the settings file's text.
    void start(const std::string& settings = "")
    {
        rig.writeSettings(settings);
        ASSERT_EQ(engine.slots().discoverPlugins(), 0);
        ASSERT_EQ(engine.slots().loadUserInterface(), 0);
        ASSERT_EQ(engine.applyAudioSetup(engine.audio().setup()), 0);
        loop = std::thread([this] {
            if (EngineSeam::userInterface(engine)->createUserInterface(engine.program().instance,
                                                                       engine.program().showCommand) != 0)
                return;
            looping = true;
            engine.runLoop();
            looping = false;
        });
        ASSERT_TRUE(eventually([&] { return looping.load(); }));
        mainWindow = windowTitled("Velmora Audio Engine");
        console = windowTitled("Mixing Console");
        ASSERT_NE(mainWindow, nullptr);
        ASSERT_NE(console, nullptr);
        // The plug-in's own pictures, from the module the engine loaded.
        ASSERT_TRUE(uiLibrary.load(plugin(kUiFile)));
        plat::ModuleInfo info;
        ASSERT_TRUE(plat::moduleOf(uiLibrary.symbol("updateGeneralValue"), info));
        module = info.handle;
        using namespace velmoraui;
        ASSERT_TRUE(font.load(module, kFontBitmap, kFontFirst, kFontLast, kFontHeight, kFontFixedWidth,
                              std::vector<int>(kFontWidths.begin(), kFontWidths.end())));
    }

    // A close request on the main window that the engine accepts: the loop
    // ends and both windows go.
    void closeForGood()
    {
        plat::ui::headless::closeRequest(mainWindow);
        loop.join();
        EXPECT_TRUE(
            eventually([&] { return !plat::ui::isWindow(mainWindow) && !plat::ui::isWindow(console); }));
    }

    static WindowHandle windowTitled(const std::string& title)
    {
        WindowHandle found = nullptr;
        for (const plat::ui::WindowListEntry& entry : plat::ui::topLevelWindows())
            if (entry.title == title)
                found = entry.window;
        return found;
    }

    int32_t post(intptr_t code, intptr_t value = 0, intptr_t target = 0, intptr_t index = 0)
    {
        engine::EngineEvent event{code, 1, value, target, 0, 0, index};
        return engine.postEvent(&event);
    }

    // Where the mouse rests after a gesture: no control of either window is there.
    static constexpr plat::ui::Point kRest{200, 8};
    static void click(WindowHandle window, int x, int y) { clickAt(window, {x, y}, kRest); }
    static void click(WindowHandle window, const Box& box, int shift = 0)
    {
        click(window, box.x + shift + box.width / 2, box.y + box.height / 2);
    }
    // Presses at a point, moves once by dy with the button held, lets go.
    static void drag(WindowHandle window, int x, int y, int dy) { dragBy(window, {x, y}, 0, dy, kRest); }
    // A click that opens a pop-up menu, and the item at position chosen in
    // it; returns once the menu is gone, so later input goes to the windows.
    void choose(WindowHandle window, int x, int y, int position)
    {
        EXPECT_TRUE(chooseFromMenu(menus, window, {x, y}, kRest, itemAt(position)));
    }

    // ---- pictures ----
    static plat::ui::Surface picture(WindowHandle window) { return settledPicture(window); }
    static bool shows(WindowHandle window, int x, int y, const plat::ui::Surface& expected)
    {
        return showsPicture(window, x, y, expected);
    }
    // Frame `frame` of `frames` stacked in one of the plug-in's bitmaps.
    plat::ui::Surface bitmap(unsigned id, int frame = 0, int frames = 1) const
    {
        zkr::BitmapObject image;
        EXPECT_TRUE(image.load(module, id)) << id;
        const int height = image.height() / frames;
        return image.bitmap().view({0, frame * height, image.width(), (frame + 1) * height}).clone();
    }
    bool showsFrame(WindowHandle window, const Box& box, int shift, unsigned id, int frame) const
    {
        return shows(window, box.x + shift, box.y, bitmap(id, frame, velmoraui::kToggleFrames));
    }
    // Text drawn in the plug-in's font, centred on black as the displays
    // draw it; inset leaves a display's frame out.
    bool showsText(WindowHandle window, const Box& box, const std::string& text, int shift = 0,
                   int inset = 0) const
    {
        plat::ui::Surface expected(box.width, box.height, plat::ui::kBlack);
        plat::ui::Painter painter(expected);
        font.drawCentred(painter, expected.bounds(), text);
        const plat::ui::Rect inside{inset, inset, box.width - inset, box.height - inset};
        return shows(window, box.x + shift + inset, box.y + inset, expected.view(inside).clone());
    }
    // The meter of a channel (0 to 3) or master side (kMasterLeft, kMasterRight) with `lit` segments lit from
    // the bottom.
    bool showsMeter(int channel, int lit) const
    {
        using namespace velmoraui;
        const bool master = channel < 0;
        const Box& meter = master ? kMasterMeters[-1 - channel] : kFaderMeter;
        const Box& fader = master ? kMasterFaders[-1 - channel] : kFader;
        plat::ui::Surface expected = bitmap(master ? kMasterMeterDarkBitmap : kMeterDarkBitmap);
        const plat::ui::Surface litImage = bitmap(master ? kMasterMeterLitBitmap : kMeterLitBitmap);
        const int top = expected.height() - lit * (expected.height() / kMeterSegments);
        expected.copyFrom(litImage, {0, top, litImage.width(), expected.height()}, 0, top);
        return shows(console, fader.x + (master ? 0 : kStripPitch * channel) + meter.x, fader.y + meter.y,
                     expected);
    }

    Watchdog watchdog{30s, "VelmoraUI test"};
    // Steps for the pop-up menus the test opens; outlives the windows' thread.
    ModalScript menus;
    plat::DynamicLibrary uiLibrary;
    // The rig's folders and engine; the loop below is its main loop.
    EngineRig<> rig;
    CarryingEngine& engine = rig.engine;
    std::thread loop;
    std::atomic<bool> looping{false};
    WindowHandle mainWindow = nullptr;
    WindowHandle console = nullptr;
    plat::ModuleHandle module = nullptr;
    zkr::BitmapFont font;
};

} // namespace velmora::test
