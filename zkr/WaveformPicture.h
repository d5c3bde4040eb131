#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui/Painter.h"
#include "zkr/BitmapObject.h"
#include "zkr/OffscreenBitmap.h"
#include "zkr/WaveFormat.h"

namespace zkr {

// A small picture of a stretch of PCM audio: one column per pixel across,
// each holding a left and a right value (right 0 for mono), filled from a
// block of samples (feed) or by the owner, then drawn (render).
class WaveformPicture : public OffscreenBitmap {
public:
    static constexpr int32_t kStyleBars = 0;
    static constexpr int32_t kStyleLine = 1;

    // Creates the bitmap and the drawing tools. Scale starts at height / 2
    // (a mono picture); owners set height / channels / 2.
    WaveformPicture(int width, int height);

    virtual void createTools();
    virtual void deleteTools();
    // All values 0.
    virtual void clearColumns();
    // Draws into dc, or into the picture's own bitmap when dc is null.
    virtual void render(plat::ui::Painter* dc);

    // Room for one column per pixel across, all 0.
    void allocateColumns();
    bool hasColumns() const { return !columns_.empty(); }
    uint32_t columnsSize() const { return columnsSize_; } // bytes
    int columnCount() const { return int(columns_.size() / 2); }
    // Outside 0 .. columnCount() - 1: 0, and setColumn does nothing.
    int16_t leftValue(int column) const;
    int16_t rightValue(int column) const;
    void setColumn(int column, int16_t left, int16_t right);

    // Fills every column from one block of interleaved samples in sourceFormat
    // (8 or 16 bits, mono or stereo; with more channels the first two count).
    // Leaves the columns as they were when there is nothing to read: no
    // columns, no format (block align 0), another depth, a block align too
    // small for the samples, or a block shorter than one frame.
    void feed(const void* samples, uint32_t bytes);

    bool isStereo() const { return sourceFormat.channels >= 2; }

    plat::ui::Brush backgroundBrush;
    plat::ui::Pen centrePen;
    plat::ui::Pen leftPen;
    plat::ui::Pen rightPen;
    plat::ui::Brush spareBrush;
    // Drawn under the columns instead of the background brush; not owned,
    // must outlive its use here.
    const BitmapObject* backgroundBitmap = nullptr;
    int32_t scale;
    WaveFormat sourceFormat;
    int32_t style = kStyleBars;
    bool keepCache = false;

private:
    void drawChannel(plat::ui::Painter& dc, const plat::ui::Pen& pen, int centre, int offset) const;

    std::vector<int16_t> columns_; // left, right per column
    uint32_t columnsSize_ = 0;     // bytes
};

} // namespace zkr
