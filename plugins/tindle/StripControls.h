#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Surface.h"
#include "plugins/tindle/Layout.h"
#include "zkr/BitmapObject.h"
#include "zkr/LabelControl.h"

namespace tindle {

// A channel's waveform display: the picture of its file, or the empty
// colour, and the play cursor, which moves by the advance of each block
// delivered and runs over the file's length.
class WaveformDisplay : public zkr::Control {
public:
    explicit WaveformDisplay(zkr::UserInterface* owner = nullptr);

    void place(const Box& box);
    void paint(plat::ui::Painter* dc) override;

    // A picture of the display's size, and the file's length in ms (at least 1).
    void show(const plat::ui::Surface& picture, uint32_t lengthMs);
    // Back to the empty colour.
    void clear();
    bool hasPicture() const { return !picture_.isEmpty(); }

    // Cursor and position back to 0.
    void rewind();
    // blocks more blocks delivered, after a loop restart when restarted.
    void advance(bool restarted, uint32_t blocks);
    // How many more blocks leave the cursor where it is: the next one moves
    // it to another column (or back to 0 at the end). 1 without an advance.
    uint32_t blocksToNextColumn() const;

    // A control lying over the display (found by the mouse first), painted on top of it.
    zkr::Control* overlay = nullptr;
    int32_t cursorX = 0;
    int32_t previousCursorX = 0;
    uint32_t totalMs = 1;
    uint32_t advanceMs = 0;
    uint32_t positionMs = 0;

private:
    // Repaints when the cursor moved.
    void placeCursor(int32_t x);

    plat::ui::Surface picture_;
};

} // namespace tindle
