#include "zkr/WaveformPicture.h"

#include <algorithm>
#include <cstring>

namespace zkr {

using plat::ui::Brush;
using plat::ui::colorRef;
using plat::ui::fromColorRef;
using plat::ui::Painter;
using plat::ui::Pen;

namespace {

int16_t toColumnValue(int64_t value)
{
    return int16_t(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

// Integer divisions truncate toward zero, as the picture's arithmetic wants.
int16_t value16(const unsigned char* sample, int32_t scale)
{
    const int16_t s = int16_t(uint16_t(sample[0] | (sample[1] << 8)));
    return toColumnValue(int64_t(s) * scale / 32768);
}

int16_t value8(const unsigned char* sample, int32_t scale)
{
    return toColumnValue((int64_t(sample[0]) - 128) * scale / 128);
}

} // namespace

WaveformPicture::WaveformPicture(int width, int height) : OffscreenBitmap(width, height), scale(height / 2)
{
    createTools();
}

void WaveformPicture::createTools()
{
    backgroundBrush = Brush::solid(fromColorRef(colorRef(0, 255, 255)));
    centrePen = Pen::solid(fromColorRef(colorRef(0, 0, 0)));
    leftPen = Pen::solid(fromColorRef(colorRef(255, 0, 0)));
    rightPen = Pen::solid(fromColorRef(colorRef(0, 0, 255)));
    spareBrush = Brush::solid(fromColorRef(colorRef(255, 0, 0)));
}

void WaveformPicture::deleteTools()
{
    backgroundBrush = Brush::null();
    centrePen = Pen::null();
    leftPen = Pen::null();
    rightPen = Pen::null();
    spareBrush = Brush::null();
}

void WaveformPicture::allocateColumns()
{
    const int count = std::max(width(), 0);
    columns_.assign(std::size_t(count) * 2, 0);
    columnsSize_ = uint32_t(count) * 4;
}

void WaveformPicture::clearColumns()
{
    std::fill(columns_.begin(), columns_.end(), int16_t(0));
}

int16_t WaveformPicture::leftValue(int column) const
{
    return column >= 0 && column < columnCount() ? columns_[std::size_t(column) * 2] : 0;
}

int16_t WaveformPicture::rightValue(int column) const
{
    return column >= 0 && column < columnCount() ? columns_[std::size_t(column) * 2 + 1] : 0;
}

void WaveformPicture::setColumn(int column, int16_t left, int16_t right)
{
    if (column < 0 || column >= columnCount())
        return;
    columns_[std::size_t(column) * 2] = left;
    columns_[std::size_t(column) * 2 + 1] = right;
}

void WaveformPicture::feed(const void* samples, uint32_t bytes)
{
    const uint32_t blockAlign = sourceFormat.blockAlign;
    if (samples == nullptr || !hasColumns() || blockAlign == 0)
        return;
    const uint32_t sampleBytes = sourceFormat.bitsPerSample / 8u;
    if (sourceFormat.bitsPerSample != 8 && sourceFormat.bitsPerSample != 16)
        return;
    const bool stereo = isStereo();
    // The samples read from a frame must lie inside it.
    if (blockAlign < sampleBytes * (stereo ? 2u : 1u))
        return;
    const uint32_t frames = bytes / blockAlign;
    if (frames == 0)
        return;
    const uint32_t count = uint32_t(columnCount());
    const uint32_t step = frames / count;
    const auto* data = static_cast<const unsigned char*>(samples);
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* frame = data + std::size_t(i) * step * blockAlign;
        const auto value = [&](const unsigned char* sample) {
            return sampleBytes == 2 ? value16(sample, scale) : value8(sample, scale);
        };
        columns_[std::size_t(i) * 2] = value(frame);
        columns_[std::size_t(i) * 2 + 1] = stereo ? value(frame + sampleBytes) : int16_t(0);
    }
}

void WaveformPicture::drawChannel(Painter& dc, const Pen& pen, int centre, int offset) const
{
    dc.setPen(pen);
    const int count = std::min(columnCount(), width());
    if (style == kStyleLine) {
        dc.moveTo(0, centre);
        for (int x = 0; x < count; ++x)
            dc.lineTo(x, centre - columns_[std::size_t(x) * 2 + offset]);
        return;
    }
    for (int x = 0; x < count; ++x) {
        const int value = columns_[std::size_t(x) * 2 + offset];
        dc.line(x, centre + value, x, centre - value);
    }
}

void WaveformPicture::render(Painter* target)
{
    if (target == nullptr) {
        if (!hasBitmap())
            return;
        target = &dc();
    }
    Painter& painter = *target;
    const plat::ui::PainterState saved = painter.state();

    if (backgroundBitmap != nullptr && !backgroundBitmap->isEmpty())
        backgroundBitmap->blitAll(painter, 0, 0);
    else
        painter.fillRect({0, 0, width(), height()}, backgroundBrush);

    const bool stereo = isStereo();
    const int leftCentre = stereo ? height() / 4 : height() / 2;
    const int rightCentre = 3 * height() / 4;
    if (style == kStyleBars) {
        painter.setPen(centrePen);
        painter.line(0, leftCentre, width(), leftCentre);
        if (stereo)
            painter.line(0, rightCentre, width(), rightCentre);
    }
    if (hasColumns()) {
        drawChannel(painter, leftPen, leftCentre, 0);
        if (stereo)
            drawChannel(painter, rightPen, rightCentre, 1);
    }
    painter.restoreState(saved);
}

} // namespace zkr
