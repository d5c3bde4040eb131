#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/core/Module.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Painter.h"
#include "zkr/BitmapObject.h"

namespace zkr {

// Text drawn from a bitmap of glyphs stacked vertically, one glyph per row,
// each row glyphHeight pixels high, the glyph at its left edge. Characters are
// taken as signed 8-bit codes; those from first to last have a glyph.
class BitmapFont {
public:
    BitmapFont() = default;
    // Takes the glyph bitmap over. widths, when not empty, holds one width per
    // character from first to last (missing entries use the fixed width).
    BitmapFont(BitmapObject&& glyphs, int8_t first, int8_t last, int glyphHeight, int fixedWidth,
               std::vector<int> widths = {});
    BitmapFont(BitmapFont&&) noexcept = default;
    BitmapFont& operator=(BitmapFont&&) noexcept = default;

    // Loads the glyph bitmap from module's bitmap resource; false (and no
    // glyphs) when there is none.
    [[nodiscard]] bool load(plat::ModuleHandle module, unsigned resourceId, int8_t first, int8_t last,
                            int glyphHeight, int fixedWidth, std::vector<int> widths = {});

    // Sum of the characters' widths; characters without a glyph count the fixed width.
    int textWidth(std::string_view text) const;
    // Draws text with its first character's top left at x, y.
    void draw(plat::ui::Painter& dc, int x, int y, std::string_view text) const;
    // Draws text centred in area (halves rounded down); characters that do
    // not fit are left off the end.
    void drawCentred(plat::ui::Painter& dc, const plat::ui::Rect& area, std::string_view text) const;

    const BitmapObject& glyphs() const { return glyphs_; }
    int8_t first() const { return first_; }
    int8_t last() const { return last_; }
    int glyphHeight() const { return glyphHeight_; }
    int fixedWidth() const { return fixedWidth_; }

private:
    bool hasGlyph(char c) const;
    int widthOf(char c) const;

    BitmapObject glyphs_;
    int8_t first_ = 0;
    int8_t last_ = -1; // no glyphs
    int glyphHeight_ = 0;
    int fixedWidth_ = 0;
    std::vector<int> widths_;
};

} // namespace zkr
