#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Api.h"
#include "platform/ui/Geometry.h"

// Fonts through FreeType on the DejaVu faces. The face names the system asks
// for ("Tahoma", "Small Fonts", "MS Sans Serif", "Arial", "Courier New", ...)
// map to the DejaVu face that looks closest. Text is 8-bit; a byte is drawn
// as the Latin-1 character of that code.
namespace plat::ui {

inline constexpr int kWeightNormal = 400;
inline constexpr int kWeightBold = 700;

// What a font is asked for by, as the original platform's logical font:
// a negative height is the character height in pixels (without the internal
// leading), a positive one the cell height, 0 a default size.
struct FontSpec {
    std::string face = "MS Sans Serif";
    int height = -11;
    int weight = kWeightNormal; // 600 and above is bold
    bool italic = false;
    bool underline = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The height for a size in points at 96 pixels per inch: -points * 96 / 72,
// rounded, as the system computes it (a 7-point font is -9, 8 points -11).
PLAT_API int heightForPoints(int points);

struct TextMetrics {
    int height = 0; // ascent + descent: the line height
    int ascent = 0; // baseline from the top of the cell
    int descent = 0;
    int internalLeading = 0; // height - character height
    int aveCharWidth = 0;    // average advance of "a".."z" and "A".."Z", rounded (dialog units use it)
    int maxCharWidth = 0;
};

// One rendered character: 8-bit coverage, width x height, placed left, top
// from the pen position on the baseline (top grows upward); the pen then
// moves by advance.
struct Glyph {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int advance = 0;
    std::unique_ptr<uint8_t[]> coverage; // row after row, width bytes each
};

// A font of one face at one size, with every character already rendered.
// Fonts are shared and live as long as the process: Font::get hands out the
// same font for the same spec, from any thread; a font never changes.
class PLAT_API Font {
public:
    // Null only when no font file can be found or read.
    [[nodiscard]] static const Font* get(const FontSpec& spec);
    // The font of dialogs and controls unless they set another: "MS Sans Serif",
    // 8 points. Never null: without any font file it is a font without
    // characters (nothing drawn, nothing measured).
    static const Font* defaultGui();

    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();

    const FontSpec& spec() const { return spec_; }
    const std::string& file() const { return file_; } // the font file it was made from
    const TextMetrics& metrics() const { return metrics_; }
    const Glyph& glyph(unsigned char c) const { return glyphs_[c]; }
    int advance(unsigned char c) const { return glyphs_[c].advance; }
    // Width of the text on one line (sum of advances) by the line height.
    Size textExtent(std::string_view text) const;
    int textWidth(std::string_view text) const;
    // Where the underline goes, below the baseline, and how thick it is.
    int underlineOffset() const { return underlineOffset_; }
    int underlineThickness() const { return underlineThickness_; }

private:
    Font() = default;
    friend class FontCache;

    FontSpec spec_;
    std::string file_;
    TextMetrics metrics_;
    int underlineOffset_ = 1;
    int underlineThickness_ = 1;
    Glyph glyphs_[256];
};

// The font file a face name maps to (an absolute path), "" when none is found.
PLAT_API std::string fontFileFor(const std::string& face, bool bold, bool italic);

} // namespace plat::ui
