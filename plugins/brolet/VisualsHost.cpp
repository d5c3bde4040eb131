#include "plugins/brolet/VisualsHost.h"

#include <array>
#include <new>

#include "api/Protocol.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageQueue.h"
#include "plugins/brolet/Spectrum.h"
#include "plugins/brolet/Texts.h"
#include "plugins/brolet/VisualModuleHost.h"
#include "zkr/WaveformPicture.h"

namespace brolet {

using plat::ui::Rect;
using plat::ui::Surface;

namespace {

constexpr int kStereoChannels = 2;
constexpr plat::ui::Argb kPlainDisplay = plat::ui::rgb(12, 16, 22);
constexpr char kNoneItem[] = "none";

} // namespace

struct VisualsHost::State {
    plat::ui::WindowHandle window = nullptr;
    Rect display;
    zkr::LabelControl* label = nullptr;
    std::array<std::string, kModeExternal> modeLabels;
    std::string externalLabel;
    std::string shownLabel;

    // Reports the failures to make the drawing surfaces.
    zkr::ObjectBase drawing;
    VisualModuleHost modules;

    // The frame lock guards the frame and everything the built-in visuals
    // draw from: the picture, the spectrum and their styles.
    plat::AnnotatedMutex frameLock;
    bool ready = false;
    // A copy of the window's display background, read by the streaming thread.
    zkr::BitmapObject background;
    Surface frame;
    std::unique_ptr<plat::ui::Painter> framePainter;
    std::unique_ptr<zkr::WaveformPicture> picture;
    std::unique_ptr<Spectrum> spectrum;
    std::atomic<bool> framePending{false};

    const Surface* backgroundSurface() const { return background.isEmpty() ? nullptr : &background.bitmap(); }

    // Frame lock held: the built-in visual of mode from the data it holds;
    // the bare background for no visual and for a module until it draws.
    void drawFrame(int mode)
    {
        switch (mode) {
        case kModeWaveform:
        case kModeScope:
            picture->style =
                mode == kModeWaveform ? zkr::WaveformPicture::kStyleBars : zkr::WaveformPicture::kStyleLine;
            picture->render(framePainter.get());
            break;
        case kModeSpectrumBars:
        case kModeSpectrumSegments:
            spectrum->style = mode == kModeSpectrumBars ? Spectrum::Style::Bars : Spectrum::Style::Segments;
            spectrum->render(frame, backgroundSurface());
            break;
        default:
            if (const Surface* shown = backgroundSurface())
                frame.copyFrom(*shown, shown->bounds(), 0, 0);
            else
                frame.fill(kPlainDisplay);
            break;
        }
    }

    // Any thread: tells the window a frame waits, once until it is shown.
    void announceFrame()
    {
        if (!framePending.exchange(true) && !plat::ui::postMessage(window, kFrameMessage, 0, 0))
            framePending = false;
    }
};

VisualsHost::VisualsHost() : state_(std::make_unique<State>())
{
    state_->drawing.kind = zkr::kKindDirectDraw;
}

VisualsHost::~VisualsHost()
{
    destroy();
}

int VisualsHost::create(plat::ui::WindowHandle window, const Rect& displayArea,
                        const zkr::BitmapObject* background, zkr::LabelControl* label,
                        const std::string& visualsFolder)
{
    State& s = *state_;
    destroy();
    // Frames are shown on this window only.
    if (!plat::ui::isWindow(window)) {
        s.drawing.setError(toWire(engine::Error::DrawingClipper));
        return toWire(engine::Error::DrawingClipper);
    }
    const bool hasBackground = background != nullptr && !background->isEmpty();
    const int width = hasBackground ? background->width() : displayArea.width();
    const int height = hasBackground ? background->height() : displayArea.height();
    Surface frame(width, height);
    if (frame.isEmpty()) {
        s.drawing.setError(toWire(engine::Error::DrawingSurface));
        return toWire(engine::Error::DrawingSurface);
    }

    s.window = window;
    s.display = Rect::fromSize(displayArea.left, displayArea.top, width, height);
    s.label = label;
    for (int mode = 0; mode < kModeExternal; ++mode)
        s.modeLabels[std::size_t(mode)] = stringText(kStringFirstModeLabel + unsigned(mode));
    s.externalLabel = stringText(kStringExternalVisual);
    s.modules.scan(visualsFolder, width, height);

    plat::ScopedLock held(s.frameLock);
    try {
        s.background = hasBackground ? zkr::BitmapObject(background->bitmap().clone()) : zkr::BitmapObject();
        s.frame = std::move(frame);
        s.framePainter = std::make_unique<plat::ui::Painter>(s.frame);
        s.picture = std::make_unique<zkr::WaveformPicture>(width, height);
        s.picture->sourceFormat = zkr::pcmFormat(44100, kStereoChannels, 16);
        s.picture->scale = height / kStereoChannels / 2;
        s.picture->allocateColumns();
        s.picture->backgroundBitmap = hasBackground ? &s.background : nullptr;
        s.picture->backgroundBrush = plat::ui::Brush::solid(kPlainDisplay);
        s.picture->centrePen = plat::ui::Pen::solid(plat::ui::rgb(60, 80, 96));
        s.picture->leftPen = plat::ui::Pen::solid(plat::ui::rgb(80, 230, 170));
        s.picture->rightPen = plat::ui::Pen::solid(plat::ui::rgb(255, 176, 64));
        s.spectrum = std::make_unique<Spectrum>(width, height);
    } catch (const std::bad_alloc&) {
        s.picture.reset();
        s.spectrum.reset();
        s.framePainter.reset();
        s.drawing.setError(toWire(engine::Error::DrawingSurface));
        return toWire(engine::Error::DrawingSurface);
    }
    s.drawFrame(mode_);
    s.ready = true;
    return 0;
}

void VisualsHost::destroy()
{
    State& s = *state_;
    s.modules.unload();
    plat::ScopedLock held(s.frameLock);
    s.ready = false;
    s.picture.reset();
    s.spectrum.reset();
    s.framePainter.reset();
    s.frame = Surface();
    s.background.release();
}

void VisualsHost::feedVisual(const void* block, uint32_t bytes)
{
    State& s = *state_;
    const int mode = mode_.load();
    if (mode == kModeNone || block == nullptr)
        return;
    if (mode == kModeExternal) {
        if (!s.modules.render(block, bytes, s.backgroundSurface(), s.frame, s.frameLock))
            return;
    } else {
        plat::ScopedLock held(s.frameLock);
        if (!s.ready)
            return;
        if (mode == kModeWaveform || mode == kModeScope)
            s.picture->feed(block, bytes);
        else
            s.spectrum->feed(block, bytes);
        s.drawFrame(mode);
    }
    s.announceFrame();
}

void VisualsHost::clearVisual()
{
    State& s = *state_;
    {
        plat::ScopedLock held(s.frameLock);
        if (!s.ready)
            return;
        s.picture->clearColumns();
        s.spectrum->clear();
        s.drawFrame(mode_);
    }
    s.announceFrame();
}

void VisualsHost::presentFrame()
{
    State& s = *state_;
    s.framePending = false;
    if (s.window != nullptr)
        (void)plat::ui::invalidateRect(s.window, &s.display, false);
}

void VisualsHost::paintDisplay(plat::ui::Painter& dc)
{
    State& s = *state_;
    plat::ScopedLock held(s.frameLock);
    if (s.ready)
        dc.blit(s.display.left, s.display.top, s.frame);
}

void VisualsHost::setMode(int mode)
{
    State& s = *state_;
    mode_ = mode;
    s.shownLabel = mode == kModeExternal
                       ? (s.modules.description().empty() ? s.externalLabel : s.modules.description())
                       : s.modeLabels[std::size_t(mode)];
    if (s.label != nullptr)
        s.label->setText(s.shownLabel.c_str());
    {
        plat::ScopedLock held(s.frameLock);
        if (!s.ready)
            return;
        s.drawFrame(mode);
    }
    presentFrame();
}

void VisualsHost::cycleMode()
{
    const int next = mode_ + 1;
    if (next < kModeExternal) {
        setMode(next);
        return;
    }
    State& s = *state_;
    if (s.modules.count() > 0) {
        plat::ui::Point corner{s.display.left, s.display.bottom};
        (void)plat::ui::clientToScreen(s.window, corner);
        moduleMenu(corner);
    }
    if (!s.modules.loaded())
        setMode(kModeNone);
}

void VisualsHost::applyMode(int mode)
{
    if (mode == kModeExternal && state_->modules.loaded())
        setMode(kModeExternal);
    else
        setMode(mode > kModeNone && mode < kModeExternal ? mode : kModeNone);
}

int VisualsHost::loadModule(int index)
{
    return state_->modules.load(index);
}

void VisualsHost::unloadModule()
{
    state_->modules.unload();
}

void VisualsHost::moduleMenu(plat::ui::Point screen)
{
    State& s = *state_;
    const int count = s.modules.count();
    if (count == 0)
        return;
    plat::ui::PopupMenu menu;
    for (int i = 0; i < count; ++i)
        menu.add(uintptr_t(i + 1), s.modules.menuName(i).c_str());
    menu.addSeparator();
    menu.add(uintptr_t(count + 1), kNoneItem);
    const auto command = int(menu.track(screen.x, screen.y, s.window));
    if (command == 0)
        return;
    if (command == count + 1)
        unloadModule();
    else
        loadModule(command - 1);
    if (s.modules.loaded())
        setMode(kModeExternal);
    else if (mode_ == kModeExternal)
        setMode(kModeNone);
}

std::string VisualsHost::label() const
{
    return state_->shownLabel;
}

int VisualsHost::moduleCount() const
{
    return state_->modules.count();
}

} // namespace brolet
