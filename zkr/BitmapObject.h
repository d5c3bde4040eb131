#pragma once

#include <cstdint>
#include <memory>

#include "platform/core/Module.h"
#include "platform/ui/Colour.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Region.h"
#include "platform/ui/Surface.h"

namespace zkr {

// The raster operation "source copy" with the original platform's number.
inline constexpr uint32_t kRopSourceCopy = 0xCC0020;

// What the bitmap is, as the original platform described it (BITMAP).
struct BitmapDescription {
    int32_t type = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowBytes = 0; // bytes from one row to the next
    uint16_t planes = 1;
    uint16_t bitsPerPixel = 32;
};

// A bitmap together with the memory drawing context that holds it selected.
// It owns both; moving it moves them (the context keeps drawing into the same
// bitmap). Empty until created or loaded. Used by one thread at a time.
class BitmapObject {
public:
    BitmapObject() = default;
    // A bitmap of the size filled with fill (empty for sizes below 1).
    BitmapObject(int width, int height, plat::ui::Argb fill = plat::ui::kBlack);
    // Takes the pixels over.
    explicit BitmapObject(plat::ui::Surface&& bitmap);
    BitmapObject(BitmapObject&&) noexcept = default;
    BitmapObject& operator=(BitmapObject&&) noexcept = default;
    BitmapObject(const BitmapObject&) = delete;
    BitmapObject& operator=(const BitmapObject&) = delete;

    // Loads bitmap resource id of module (null: the program), replacing what
    // was held. False, and empty, when there is no such readable bitmap.
    [[nodiscard]] bool load(plat::ModuleHandle module, unsigned resourceId);
    // Replaces what was held with a bitmap of the size filled with fill.
    void create(int width, int height, plat::ui::Argb fill = plat::ui::kBlack);
    // Frees the bitmap and its context.
    void release();

    bool isEmpty() const { return bitmap_ == nullptr; }
    int width() const { return description_.width; }
    int height() const { return description_.height; }
    const BitmapDescription& description() const { return description_; }

    // The raster operation blit uses: source copy, alpha included.
    uint32_t rasterOperation() const { return rasterOperation_; }

    // The bitmap and its drawing context; only valid when not empty.
    plat::ui::Surface& bitmap() { return *bitmap_; }
    const plat::ui::Surface& bitmap() const { return *bitmap_; }
    plat::ui::Painter& dc() { return *dc_; }

    // The bitmap's rectangle less every exactly white (0xFFFFFF) pixel, so
    // white falls outside a window shaped by it. Empty for an empty bitmap.
    plat::ui::Region makeRegion() const;
    // Copies the bitmap's left, top .. right, bottom (exclusive) to x, y of dc
    // with the raster operation.
    void blit(plat::ui::Painter& dc, int x, int y, int left, int top, int right, int bottom) const;
    // Copies the whole bitmap to x, y of dc.
    void blitAll(plat::ui::Painter& dc, int x, int y) const;

private:
    void adopt(plat::ui::Surface&& bitmap);

    // Heap-held so the context's pointer to the bitmap survives a move.
    std::unique_ptr<plat::ui::Surface> bitmap_;
    std::unique_ptr<plat::ui::Painter> dc_;
    BitmapDescription description_;
    uint32_t rasterOperation_ = kRopSourceCopy;
};

} // namespace zkr
