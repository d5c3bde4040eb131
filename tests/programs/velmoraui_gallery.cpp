// The user interface plug-in's two windows while the engine streams, saved
// as docs pictures: velmoraui_gallery [folder] (docs/ by default). The real
// engine loads VelmoraUI.vui and the audio core's test plug-ins from a
// program folder of its own, restores an input and an output, streams a
// stereo pair and a mono stream into the recorder, and the console shows
// levels, the linked pair, a solo and an effect. Run it under Xvfb on the
// X11 backend: xvfb-run -s "-screen 0 1280x1024x24" velmoraui_gallery docs
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "engine/Engine.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/Module.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "plugins/CoreTestPlugins.h"
#include "plugins/velmoraui/Layout.h"
#include "programs/GalleryKit.h"
#include "programs/ServerCapture.h"
#include "support/EngineTestSeam.h"
#include "support/TempFolder.h"

using velmora::test::EngineSeam;

using namespace std::chrono_literals;
using plat::ui::WindowHandle;
using velmora::gallery::fail;
using velmora::gallery::finish;
using velmora::gallery::post;
using velmora::gallery::windowTitled;

namespace {

// A click of the user's at a client point, as the window's procedure receives it.
void click(WindowHandle window, int x, int y)
{
    const intptr_t at = plat::ui::makePointParam(x, y);
    (void)plat::ui::postMessage(window, plat::ui::kMsgMouseMove, 0, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonDown, plat::ui::kKeyLButton, at);
    (void)plat::ui::postMessage(window, plat::ui::kMsgLButtonUp, 0, at);
}

// Chooses the first item of the next pop-up menu, once it shows.
void chooseFirstItem(WindowHandle menuWindow, int, void*)
{
    plat::ui::setModalHook(nullptr, nullptr);
    plat::ui::Rect item;
    plat::ui::Rect place;
    if (plat::ui::menuItemRect(plat::ui::menuOfWindow(menuWindow), 0, item) &&
        plat::ui::windowRect(menuWindow, place))
        click(menuWindow, item.left - place.left + 8, item.top - place.top + 3);
    else
        (void)plat::ui::endMenu();
}

// A click that opens a menu of the engine's, and its first item chosen.
bool chooseFirst(WindowHandle window, int x, int y, const std::function<bool()>& done)
{
    plat::ui::setModalHook(&chooseFirstItem, nullptr);
    click(window, x, y);
    for (int tries = 0; tries < 500 && !done(); ++tries)
        std::this_thread::sleep_for(10ms);
    return done();
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const std::string folder = fs::absolute(argc > 1 ? argv[1] : "docs").string();
    velmora::test::TempFolder program;
    velmora::test::TempFolder config;
    setenv("VELMORA_CONFIG_DIR", config.path().c_str(), 1);
    velmora::gallery::installPlugins(
        program.path(), {"VelmoraUI.vui"},
        {coretest::kPatternInputFile, coretest::kRecordingOutputFile, coretest::kOffsetEffectFile});
    // The input and output restored at start; the console below the main window, shown.
    std::ofstream(config.file("velmoraaudioengine.ini"))
        << "[Velmora Audio Engine "
           "v0.1b]\nLastAudioInput1=pattern_input.vin\nLastAudioOutput=recording_output.vwo\n"
           "[Velmora User Interface]\nMainUIPos=0,0\nMixerUIPos=0,190\nMixerVisible=1\nbTrayIcon=0\n";

    engine::Engine* core = velmora::gallery::startEngine(program.path());
    const WindowHandle mainWindow = windowTitled("Velmora Audio Engine");
    const WindowHandle console = windowTitled("Mixing Console");

    // The effect chosen in the main window's first effect slot and in channel 3's first slot.
    using namespace velmoraui;
    const Box& effectSlot = kEffectDisplays[0];
    const Box& channelSlot = kEffectSlotDisplays[0];
    if (!chooseFirst(mainWindow, effectSlot.x + kSelectionNameArea.x + 20,
                     effectSlot.y + effectSlot.height / 2,
                     [&] { return EngineSeam::effects(*core)[0] != nullptr; }) ||
        !chooseFirst(console, channelSlot.x + 2 * kStripPitch + channelSlot.width / 2,
                     channelSlot.y + channelSlot.height / 2,
                     [&] { return EngineSeam::channels(*core)[2].fx[0] != nullptr; }))
        return fail("the effect menus did not load the effect");

    // Endless streams into a recorder that holds its 200th block, so the clock has run.
    plat::DynamicLibrary patterns;
    plat::DynamicLibrary recorder;
    if (!patterns.load(program.file(std::string("Plugins/") + coretest::kPatternInputFile)) ||
        !recorder.load(program.file(std::string("Plugins/") + coretest::kRecordingOutputFile)))
        return fail("the test plug-ins did not load");
    const coretest::StreamScript endless{-1, 0, 0, -1};
    for (int32_t stream : {0, 1, 2})
        patterns.function<coretest::InputScriptFn>(coretest::kInputScript)(stream, &endless);
    coretest::OutputScript held;
    held.holdAt = 200;
    recorder.function<coretest::OutputScriptFn>(coretest::kOutputScript)(&held);
    const engine::PluginHandle input = EngineSeam::inputs(*core)[0]->handle();
    if (post(*core, toWire(engine::Event::AttachStreams), input, 1, 2) != 1 ||
        post(*core, toWire(engine::Event::AttachStreams), input, 3, 0) != 1 ||
        post(*core, toWire(engine::Event::StartStreaming)) != 1 ||
        recorder.function<coretest::OutputWaitHeldFn>(coretest::kOutputWaitHeld)(10000) != 1)
        return fail("the engine did not stream");

    // Levels as the streaming thread reports them, and the user's solo on channel 3.
    const int32_t levels[] = {80, 74, 55, 0};
    for (int channel = 0; channel < engine::kChannelCount; ++channel)
        core->updateChannelValue(channel, toWire(engine::Value::Level), levels[channel]);
    core->updateChannelValue(engine::kMasterLeft, toWire(engine::Value::Level), 90);
    core->updateChannelValue(engine::kMasterRight, toWire(engine::Value::Level), 70);
    click(console, kSoloButton.x + 2 * kStripPitch + kSoloButton.width / 2,
          kSoloButton.y + kSoloButton.height / 2);
    std::this_thread::sleep_for(500ms);

    const bool saved = velmora::gallery::capture(mainWindow, folder + "/velmoraui-main.png") &&
                       velmora::gallery::capture(console, folder + "/velmoraui-console.png");
    post(*core, toWire(engine::Event::StopStreaming));
    fs::remove_all(program.path());
    fs::remove_all(config.path());
    finish(saved ? 0 : 1);
}
