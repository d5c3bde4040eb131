#pragma once

// The real program run in the test's own process, as it starts itself.

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "api/Protocol.h"
#include "platform/ui/Window.h"
#include "platform/ui/headless/Headless.h"
#include "plugins/velmoraui/Layout.h"
#include "support/CarryingEngine.h"
#include "support/Eventually.h"
#include "support/UiGestures.h"

namespace velmora::test {

// One run of the program, started as the program starts itself (start-up,
// then the user interface, its restore and the main loop) on a thread that
// becomes the engine's main thread. It ends when the user quits; a test that
// failed half-way stops the streaming and closes the main window itself.
class ProgramRun {
public:
    ProgramRun()
    {
        thread_ = std::thread([this] {
            if (engine.initialise("", engine::kShowCommandShow) == toWire(engine::Error::Ok))
                ranToEnd = engine.run() == 1;
            finished = true;
        });
        // Start-up is over once the main window shows and the splash (the
        // one window without a title that shows) has gone.
        EXPECT_TRUE(eventually([&] {
            mainWindow = plat::ui::findWindow(nullptr, "Velmora Audio Engine");
            console = plat::ui::findWindow(nullptr, "Mixing Console");
            bool splash = false;
            for (const plat::ui::WindowListEntry& entry : plat::ui::topLevelWindows())
                splash |= entry.title.empty() && plat::ui::isWindowVisible(entry.window);
            return mainWindow != nullptr && console != nullptr && plat::ui::isWindowVisible(mainWindow) &&
                   !splash;
        }));
    }
    ~ProgramRun()
    {
        if (!finished) {
            engine::EngineEvent stop{toWire(engine::Event::StopStreaming), 1, 0, 0, 0, 0, 0};
            engine.postEvent(&stop);
            plat::ui::headless::closeRequest(mainWindow);
        }
        thread_.join();
    }

    // The user's quit, with the main window's close button; true once the
    // engine ended its loop and the user interface closed its windows.
    bool quit()
    {
        clickAt(mainWindow, centreOf(velmoraui::kCloseButton), kMainRest);
        return eventually([&] { return finished.load(); }) && ranToEnd &&
               eventually([&] { return !plat::ui::isWindow(mainWindow) && !plat::ui::isWindow(console); });
    }

    static constexpr plat::ui::Point kMainRest{200, 8};
    CarryingEngine engine;
    std::atomic<bool> ranToEnd{false};
    std::atomic<bool> finished{false};
    plat::ui::WindowHandle mainWindow = nullptr;
    plat::ui::WindowHandle console = nullptr;

private:
    std::thread thread_;
};

} // namespace velmora::test
