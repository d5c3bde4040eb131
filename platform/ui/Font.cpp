#include "platform/ui/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

namespace plat::ui {

namespace {

enum class Family { Sans, SansCondensed, Mono, Serif };

struct FaceAlias {
    const char* name;
    Family family;
};

// The faces the system and the controls ask for, and the DejaVu family
// closest in look and width; any other name gets the plain sans face.
constexpr FaceAlias kAliases[] = {
    {"Tahoma", Family::SansCondensed},
    {"Small Fonts", Family::SansCondensed},
    {"MS Sans Serif", Family::SansCondensed},
    {"Microsoft Sans Serif", Family::SansCondensed},
    {"MS Shell Dlg", Family::SansCondensed},
    {"MS Shell Dlg 2", Family::SansCondensed},
    {"Arial Narrow", Family::SansCondensed},
    {"Arial", Family::Sans},
    {"Verdana", Family::Sans},
    {"Helvetica", Family::Sans},
    {"Segoe UI", Family::Sans},
    {"System", Family::Sans},
    {"Courier New", Family::Mono},
    {"Courier", Family::Mono},
    {"Fixedsys", Family::Mono},
    {"Terminal", Family::Mono},
    {"Lucida Console", Family::Mono},
    {"Consolas", Family::Mono},
    {"Times New Roman", Family::Serif},
    {"Times", Family::Serif},
    {"Georgia", Family::Serif},
    {"MS Serif", Family::Serif},
};

Family familyOf(const std::string& face)
{
    for (const FaceAlias& alias : kAliases) {
        if (strcasecmp(alias.name, face.c_str()) == 0)
            return alias.family;
    }
    const std::string lower = [&] {
        std::string text = face;
        for (char& c : text)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }();
    if (lower.find("mono") != std::string::npos || lower.find("courier") != std::string::npos)
        return Family::Mono;
    if (lower.find("serif") != std::string::npos && lower.find("sans") == std::string::npos)
        return Family::Serif;
    if (lower.find("condensed") != std::string::npos)
        return Family::SansCondensed;
    return Family::Sans;
}

std::string fileNameFor(Family family, bool bold, bool italic)
{
    std::string base;
    const char* slanted = "Oblique";
    switch (family) {
    case Family::Sans:
        base = "DejaVuSans";
        break;
    case Family::SansCondensed:
        base = "DejaVuSansCondensed";
        break;
    case Family::Mono:
        base = "DejaVuSansMono";
        break;
    case Family::Serif:
        base = "DejaVuSerif";
        slanted = "Italic";
        break;
    }
    if (bold || italic)
        base += std::string("-") + (bold ? "Bold" : "") + (italic ? slanted : "");
    return base + ".ttf";
}

// Where a font file of that name is: the DejaVu folder first, then anywhere
// below the font folders. Answers are remembered (guarded by the font lock).
std::string locateFile(const std::string& name)
{
    static std::map<std::string, std::string> found;
    const auto known = found.find(name);
    if (known != found.end())
        return known->second;
    std::string path;
    std::error_code error;
    for (const char* folder :
         {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/TTF", "/usr/share/fonts/dejavu"}) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (std::filesystem::is_regular_file(candidate, error)) {
            path = candidate.string();
            break;
        }
    }
    for (const char* root : {"/usr/share/fonts", "/usr/local/share/fonts"}) {
        if (!path.empty())
            break;
        std::filesystem::recursive_directory_iterator it(
            root, std::filesystem::directory_options::skip_permission_denied, error);
        for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->path().filename() == name && it->is_regular_file(error)) {
                path = it->path().string();
                break;
            }
        }
        error.clear();
    }
    found[name] = path;
    return path;
}

std::mutex& fontLock()
{
    static std::mutex lock;
    return lock;
}

// The upper half of the system's 8-bit character set (Windows-1252): the
// codes 0x80 to 0x9F carry punctuation there, the rest is Latin-1.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x0000, 0x017D, 0x0000, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2014, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
};

unsigned long codePointOf(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0)
        return kHighControls[c - 0x80];
    return c;
}

int scaled(long units, int ppem, long unitsPerEm)
{
    return int(std::lround(double(units) * ppem / double(unitsPerEm)));
}

// Owns a FreeType face.
struct FaceGuard {
    FT_Face face = nullptr;
    ~FaceGuard()
    {
        if (face != nullptr)
            FT_Done_Face(face);
    }
};

} // namespace

// Makes and keeps every font of the process; all of it under fontLock.
class FontCache {
public:
    static FontCache& instance()
    {
        // Never destroyed: fonts are handed out as plain pointers for the
        // life of the process, also to other libraries' static destructors.
        static FontCache* const cache = new FontCache;
        return *cache;
    }

    const Font* get(const FontSpec& spec)
    {
        std::lock_guard guard(fontLock());
        for (const auto& font : fonts_) {
            if (font->spec_ == spec)
                return font.get();
        }
        std::unique_ptr<Font> font = make(spec);
        if (!font)
            return nullptr;
        fonts_.push_back(std::move(font));
        return fonts_.back().get();
    }

    const Font* blank()
    {
        std::lock_guard guard(fontLock());
        if (!blank_)
            blank_.reset(new Font);
        return blank_.get();
    }

private:
    std::unique_ptr<Font> make(const FontSpec& spec)
    {
        if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return nullptr;
        }
        const Family family = familyOf(spec.face);
        const bool bold = spec.weight >= 600;
        std::string file = locateFile(fileNameFor(family, bold, spec.italic));
        if (file.empty())
            file = locateFile(fileNameFor(family, false, false));
        if (file.empty())
            file = locateFile(fileNameFor(Family::Sans, false, false));
        if (file.empty())
            return nullptr;
        FaceGuard face;
        if (FT_New_Face(library_, file.c_str(), 0, &face.face) != 0)
            return nullptr;
        const long unitsPerEm = face.face->units_per_EM > 0 ? face.face->units_per_EM : 2048;
        // Cell height as the original platform measured it: the OS/2 table's
        // Windows ascent and descent.
        long ascentUnits = face.face->ascender;
        long descentUnits = -face.face->descender;
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face.face, FT_SFNT_OS2));
            os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
            ascentUnits = os2->usWinAscent;
            descentUnits = os2->usWinDescent;
        }
        const long cellUnits = std::max(1L, ascentUnits + descentUnits);

        int height = spec.height == 0 ? -11 : spec.height;
        height = std::clamp(height, -512, 512);
        int ppem = 0;
        auto font = std::unique_ptr<Font>(new Font);
        if (height < 0) {
            ppem = -height;
            font->metrics_.ascent = scaled(ascentUnits, ppem, unitsPerEm);
            font->metrics_.height = scaled(cellUnits, ppem, unitsPerEm);
        } else {
            ppem = std::max(1, int(std::lround(double(height) * unitsPerEm / cellUnits)));
            font->metrics_.ascent = int(std::lround(double(height) * ascentUnits / cellUnits));
            font->metrics_.height = height;
        }
        font->metrics_.descent = font->metrics_.height - font->metrics_.ascent;
        font->metrics_.internalLeading = std::max(0, font->metrics_.height - ppem);
        if (FT_Set_Pixel_Sizes(face.face, 0, FT_UInt(ppem)) != 0)
            return nullptr;
        font->spec_ = spec;
        font->file_ = file;
        font->underlineOffset_ = std::max(1, scaled(-face.face->underline_position, ppem, unitsPerEm));
        font->underlineThickness_ = std::max(1, scaled(face.face->underline_thickness, ppem, unitsPerEm));

        for (int c = 32; c < 256; ++c)
            renderGlyph(face.face, static_cast<unsigned char>(c), font->glyphs_[c]);
        int sum = 0;
        for (int c = 'a'; c <= 'z'; ++c)
            sum += font->glyphs_[c].advance + font->glyphs_[c - 'a' + 'A'].advance;
        font->metrics_.aveCharWidth = (sum + 26) / 52;
        for (const Glyph& glyph : font->glyphs_)
            font->metrics_.maxCharWidth = std::max(font->metrics_.maxCharWidth, glyph.advance);
        return font;
    }

    static void renderGlyph(FT_Face face, unsigned char c, Glyph& glyph)
    {
        const unsigned long code = codePointOf(c);
        if (code == 0 || FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0)
            return;
        const FT_GlyphSlot slot = face->glyph;
        glyph.advance = int((slot->advance.x + 32) >> 6);
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0)
            return;
        glyph.width = int(bitmap.width);
        glyph.height = int(bitmap.rows);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.coverage.reset(new uint8_t[std::size_t(glyph.width) * std::size_t(glyph.height)]);
        for (int y = 0; y < glyph.height; ++y) {
            std::memcpy(glyph.coverage.get() + std::size_t(y) * std::size_t(glyph.width),
                        bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch, std::size_t(glyph.width));
        }
    }

    FT_Library library_ = nullptr;
    std::vector<std::unique_ptr<Font>> fonts_;
    std::unique_ptr<Font> blank_;
};

int heightForPoints(int points)
{
    // MulDiv(points, 96, 72), rounded half away from zero, made negative.
    const int magnitude = (std::abs(points) * 96 + 36) / 72;
    return points < 0 ? magnitude : -magnitude;
}

std::string fontFileFor(const std::string& face, bool bold, bool italic)
{
    std::lock_guard guard(fontLock());
    return locateFile(fileNameFor(familyOf(face), bold, italic));
}

const Font* Font::get(const FontSpec& spec)
{
    return FontCache::instance().get(spec);
}

const Font* Font::defaultGui()
{
    static const Font* const font = [] {
        const Font* found = get(FontSpec{});
        return found != nullptr ? found : FontCache::instance().blank();
    }();
    return font;
}

Font::~Font() = default;

int Font::textWidth(std::string_view text) const
{
    int width = 0;
    for (const char c : text)
        width += glyphs_[static_cast<unsigned char>(c)].advance;
    return width;
}

Size Font::textExtent(std::string_view text) const
{
    return {textWidth(text), metrics_.height};
}

} // namespace plat::ui
