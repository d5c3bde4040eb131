// What a window pays to show what changed, on the headless backend: the
// mixer desk repaints its level meters many times a second, so presenting a
// changed part of the back buffer must cost microseconds, not milliseconds.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"

namespace {

using namespace plat::ui;

constexpr int kMeters = 10;
constexpr int kMeterWidth = 8;
constexpr int kMeterHeight = 101;

// What the window paints: a level per meter (0..100), changed by the benchmark.
int levels[kMeters];
int fillShade = 0;

Rect meterRect(int meter)
{
    return Rect::fromSize(20 + meter * 20, 20, kMeterWidth, kMeterHeight);
}

intptr_t benchProc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (message == kMsgEraseBackground)
        return 1;
    if (message != kMsgPaint)
        return defWindowProc(window, message, wparam, lparam);
    PaintInfo info;
    if (Painter* p = beginPaint(window, info)) {
        p->fillRect(info.paint, rgb(0x30, 0x30, static_cast<uint8_t>(fillShade)));
        for (int meter = 0; meter < kMeters; ++meter) {
            Rect well = meterRect(meter);
            if (!well.intersects(info.paint))
                continue;
            p->fillRect(well, kBlack);
            p->fillRect({well.left, well.bottom - levels[meter], well.right, well.bottom}, rgb(0, 0xFF, 0));
        }
        (void)endPaint(window, info);
    }
    return 0;
}

WindowHandle benchWindow()
{
    static WindowHandle window = [] {
        setenv("VELMORA_UI", "headless", 0);
        WindowClass windowClass;
        windowClass.procedure = &benchProc;
        windowClass.name = "VelmoraUiBench";
        (void)registerClass(windowClass);
        WindowHandle made = createWindow(0, "VelmoraUiBench", "bench", kStylePopup | kStyleVisible, 0, 0, 800,
                                         600, nullptr, 0, nullptr, nullptr);
        (void)updateWindow(made);
        return made;
    }();
    return window;
}

// A 500 x 400 part of the window changes: paint it and present it.
void PresentChangedRegion(benchmark::State& state)
{
    WindowHandle window = benchWindow();
    const Rect changed = Rect::fromSize(100, 100, 500, 400);
    for (auto _ : state) {
        fillShade = (fillShade + 1) & 0xFF;
        (void)invalidateRect(window, &changed, false);
        (void)updateWindow(window);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(PresentChangedRegion)->Unit(benchmark::kMicrosecond);

// Ten meters of 8 x 101 pixels take new levels: repaint and present just them.
void RedrawTenMeters(benchmark::State& state)
{
    WindowHandle window = benchWindow();
    int step = 0;
    for (auto _ : state) {
        ++step;
        for (int meter = 0; meter < kMeters; ++meter) {
            levels[meter] = (step * 7 + meter * 13) % kMeterHeight;
            Rect well = meterRect(meter);
            (void)invalidateRect(window, &well, false);
        }
        (void)updateWindow(window);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RedrawTenMeters)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
