// What the output plug-in's visual costs per block, on the headless backend:
// the streaming thread draws every block it hands to the card (feedVisual),
// and the window's thread shows the frame (presentFrame and the paint). A
// block of the engine's default size lasts 46 ms; a frame must cost well
// under 1 ms so the streaming thread never falls behind.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/core/Files.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"
#include "plugins/brolet/Texts.h"
#include "plugins/brolet/VisualsHost.h"

namespace {

using namespace plat::ui;
using brolet::VisualsHost;

constexpr int kDisplayWidth = 200;
constexpr int kDisplayHeight = 100;
// The engine's default block: 4096 bytes per mono channel, 2048 stereo frames.
constexpr int kBlockFrames = 2048;
const std::string kPrism = VELMORA_OUT_DIR "/Plugins/Visuals/Prism.svp";

VisualsHost* painting = nullptr;

intptr_t displayProc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (message == VisualsHost::kFrameMessage && painting != nullptr) {
        painting->presentFrame();
        return 0;
    }
    if (message == kMsgPaint && painting != nullptr) {
        PaintInfo info;
        if (Painter* dc = beginPaint(window, info))
            painting->paintDisplay(*dc);
        (void)endPaint(window, info);
        return 0;
    }
    return defWindowProc(window, message, wparam, lparam);
}

// Something like music: a chord with a beat, louder on the left.
std::vector<int16_t> musicBlock()
{
    std::vector<int16_t> block;
    for (int i = 0; i < kBlockFrames; ++i) {
        const double t = double(i) / 44100;
        const double chord = std::sin(2 * std::numbers::pi * 220 * t) +
                             0.6 * std::sin(2 * std::numbers::pi * 554 * t) +
                             0.3 * std::sin(2 * std::numbers::pi * 3300 * t);
        const double beat = 0.5 + 0.5 * std::cos(2 * std::numbers::pi * 4 * t);
        block.push_back(int16_t(7000 * chord * beat));
        block.push_back(int16_t(4000 * chord));
    }
    return block;
}

// The window, its display and a host in a visuals folder of its own
// (loading our module there keeps its settings out of the program folder).
class Stage {
public:
    explicit Stage(int mode)
    {
        setenv("VELMORA_UI", "headless", 1);
        static const bool registered = [] {
            brolet::registerTexts();
            WindowClass windowClass;
            windowClass.procedure = displayProc;
            windowClass.name = "VelmoraVisualsBench";
            return registerClass(windowClass);
        }();
        (void)registered;
        char pattern[] = "/tmp/velmora-visuals-bench-XXXXXX";
        folder_ = mkdtemp(pattern) != nullptr ? pattern : "";
        window_ = createWindow(0, "VelmoraVisualsBench", "visuals bench", kStylePopup | kStyleVisible, 0, 0,
                               240, 140, nullptr, 0, nullptr, nullptr);
        background_.create(kDisplayWidth, kDisplayHeight, rgb(16, 20, 28));
        const Rect display = Rect::fromSize(20, 20, kDisplayWidth, kDisplayHeight);
        if (mode == VisualsHost::kModeExternal &&
            !plat::copyFile(kPrism, plat::joinPath(folder_, "Prism.svp"), false))
            return;
        if (host_.create(window_, display, &background_, nullptr, folder_) != 0)
            return;
        if (mode == VisualsHost::kModeExternal && host_.loadModule(0) != 0)
            return;
        host_.applyMode(mode);
        painting = &host_;
        ready_ = host_.mode() == mode;
    }
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;
    ~Stage()
    {
        painting = nullptr;
        host_.destroy();
        (void)destroyWindow(window_);
        // Best effort: what is left goes with the folder.
        (void)plat::deleteFile(plat::joinPath(folder_, "Prism.svp"));
        (void)plat::deleteFile(plat::joinPath(folder_, "visuals.ini"));
        rmdir(folder_.c_str());
    }

    bool ready() const { return ready_; }
    VisualsHost& host() { return host_; }

    // Handles what the window's thread has: the frame message and the paint.
    void pump()
    {
        Message message;
        while (peekMessage(message, nullptr, 0, 0, kPeekRemove))
            dispatchMessage(message);
    }

private:
    std::string folder_;
    WindowHandle window_ = nullptr;
    zkr::BitmapObject background_;
    VisualsHost host_;
    bool ready_ = false;
};

void feedOneBlock(benchmark::State& state)
{
    Stage stage(int(state.range(0)));
    if (!stage.ready()) {
        state.SkipWithError("the visual could not be set up (our module not built?)");
        return;
    }
    const std::vector<int16_t> block = musicBlock();
    for (auto _ : state)
        stage.host().feedVisual(block.data(), uint32_t(block.size() * 2));
    state.SetLabel(stage.host().label());
}

void feedAndShowOneBlock(benchmark::State& state)
{
    Stage stage(int(state.range(0)));
    if (!stage.ready()) {
        state.SkipWithError("the visual could not be set up (our module not built?)");
        return;
    }
    const std::vector<int16_t> block = musicBlock();
    for (auto _ : state) {
        stage.host().feedVisual(block.data(), uint32_t(block.size() * 2));
        stage.pump();
    }
    state.SetLabel(stage.host().label());
}

} // namespace

BENCHMARK(feedOneBlock)
    ->DenseRange(VisualsHost::kModeWaveform, VisualsHost::kModeExternal)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(feedAndShowOneBlock)
    ->DenseRange(VisualsHost::kModeWaveform, VisualsHost::kModeExternal)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
