#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/Geometry.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"
#include "zkr/BitmapObject.h"
#include "zkr/LabelControl.h"

namespace brolet {

// The visual shown in the output window's display area: none, the built-in
// waveform, scope and two spectrum displays, or an external visual module.
// Each block the sound card finished playing is drawn into an off-screen
// picture on the streaming thread (feedVisual); the window's thread copies
// the newest picture onto the display area when told a frame is ready and
// whenever it paints.
//
// Threads: create, destroy, the mode and module commands and presentFrame run
// on the window's thread; feedVisual on the streaming thread. The picture is
// handed over under the frame lock; an external module is loaded, unloaded
// and fed under the host mutex (waits of 50 ms).
class VisualsHost {
public:
    static constexpr int kModeNone = 0;
    static constexpr int kModeWaveform = 1;
    static constexpr int kModeScope = 2;
    static constexpr int kModeSpectrumBars = 3;
    static constexpr int kModeSpectrumSegments = 4;
    static constexpr int kModeExternal = 5;

    // Posted to the window (no arguments) when a new picture waits; the
    // window answers with presentFrame().
    static constexpr uint32_t kFrameMessage = 0x8201;

    VisualsHost();
    ~VisualsHost();
    VisualsHost(const VisualsHost&) = delete;
    VisualsHost& operator=(const VisualsHost&) = delete;

    // Window's thread, while the window is created: the display area (client
    // coordinates, the size of background), the display's background bitmap
    // (kept by the window; may be null), the label that shows the mode's name
    // and the visuals folder ("<program folder>/Plugins/Visuals"). 0, or the
    // error code (reported) when the drawing surfaces cannot be made.
    int create(plat::ui::WindowHandle window, const plat::ui::Rect& displayArea,
               const zkr::BitmapObject* background, zkr::LabelControl* label, const std::string& visualsFolder);
    // Unloads a module and frees the pictures; before the window goes.
    void destroy();

    // Streaming thread: the block the card finished playing last.
    void feedVisual(const void* block, uint32_t bytes);
    // Button 3.
    void cycleMode();
    // At window creation: the stored mode, without advancing (5 is never stored back).
    void applyMode(int mode);
    // Clears the picture and the spectrum and repaints (streaming stopped).
    void clearVisual();
    // 0, or IndexOutOfRange, NotImplemented, CorruptExports, PluginInitFailed (and the dynamic-library failure) as the module host fails.
    int loadModule(int index);
    void unloadModule();
    // Shows the module menu at the screen point and carries out the choice.
    void moduleMenu(plat::ui::Point screen);

    // Window's thread: copies the newest picture onto the display area.
    void presentFrame();
    // Window's thread: draws the newest picture into dc (client coordinates)
    // over the display area; called when the window paints.
    void paintDisplay(plat::ui::Painter& dc);

    int mode() const { return mode_.load(); }
    // The current label text.
    std::string label() const;
    int moduleCount() const;

private:
    // Window's thread: shows the mode's label and its picture.
    void setMode(int mode);

    struct State;
    std::unique_ptr<State> state_;
    // Written on the window's thread, read by feedVisual.
    std::atomic<int> mode_{kModeWaveform};
};

} // namespace brolet
