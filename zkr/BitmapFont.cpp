#include "zkr/BitmapFont.h"

#include <utility>

namespace zkr {

BitmapFont::BitmapFont(BitmapObject&& glyphs, int8_t first, int8_t last, int glyphHeight, int fixedWidth,
                       std::vector<int> widths)
    : glyphs_(std::move(glyphs)), first_(first), last_(last), glyphHeight_(glyphHeight),
      fixedWidth_(fixedWidth), widths_(std::move(widths))
{
}

bool BitmapFont::load(plat::ModuleHandle module, unsigned resourceId, int8_t first, int8_t last,
                      int glyphHeight, int fixedWidth, std::vector<int> widths)
{
    first_ = first;
    last_ = last;
    glyphHeight_ = glyphHeight;
    fixedWidth_ = fixedWidth;
    widths_ = std::move(widths);
    return glyphs_.load(module, resourceId);
}

bool BitmapFont::hasGlyph(char c) const
{
    const int code = static_cast<int8_t>(c);
    return code >= first_ && code <= last_;
}

int BitmapFont::widthOf(char c) const
{
    if (!hasGlyph(c))
        return fixedWidth_;
    const std::size_t index = std::size_t(static_cast<int8_t>(c) - first_);
    // A table shorter than the range must not be read past its end.
    return index < widths_.size() ? widths_[index] : fixedWidth_;
}

int BitmapFont::textWidth(std::string_view text) const
{
    int width = 0;
    for (const char c : text)
        width += widthOf(c);
    return width;
}

void BitmapFont::draw(plat::ui::Painter& dc, int x, int y, std::string_view text) const
{
    for (const char c : text) {
        const int width = widthOf(c);
        if (hasGlyph(c)) {
            const int top = (static_cast<int8_t>(c) - first_) * glyphHeight_;
            glyphs_.blit(dc, x, y, 0, top, width, top + glyphHeight_);
        }
        x += width;
    }
}

void BitmapFont::drawCentred(plat::ui::Painter& dc, const plat::ui::Rect& area, std::string_view text) const
{
    // A text wider than the area loses characters at its end, so it never
    // draws over what lies beside the area.
    while (!text.empty() && textWidth(text) > area.width())
        text.remove_suffix(1);
    const int x = area.left + area.width() / 2 - textWidth(text) / 2;
    const int y = area.top + area.height() / 2 - glyphHeight_ / 2;
    draw(dc, x, y, text);
}

} // namespace zkr
