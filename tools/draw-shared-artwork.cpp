// Draws the product's pictures: the shared services library's into shared/res/
//   splash.png      bitmap 103, the start-up splash with the product name
//   error.png       bitmap 104, the error dialog's symbol
//   tray.png        icon 106, the notification-area icon
// and the engine's into engine/res/
//   about.png       bitmap 107, the About box's picture
// The bitmaps are sized from the dialog fonts, so they fill their controls
// exactly. Every build makes it; run it from the source folder:
//   build/tools/draw-shared-artwork [shared folder, shared/res by default]
//                                   [engine folder, engine/res by default]
#include <algorithm>
#include <cmath>
#include <string>

#include "tools/ArtworkKit.h"

using namespace artwork;

namespace {

// Dialog units to pixels for a dialog font, rounded as the dialogs do.
struct DialogUnits {
    int baseX = 4;
    int baseY = 8;
    explicit DialogUnits(const char* face, int points)
    {
        FontSpec spec;
        spec.face = face;
        spec.height = heightForPoints(points);
        if (const Font* font = Font::get(spec)) {
            baseX = font->metrics().aveCharWidth;
            baseY = font->metrics().height;
        }
    }
    int x(int units) const { return (units * baseX + 2) / 4; }
    int y(int units) const { return (units * baseY + 4) / 8; }
};

// The dark blue night behind the product's pictures, lighter at the top.
const Argb kNightTop = rgb(0x16, 0x12, 0x36);
const Argb kNightBottom = rgb(0x05, 0x04, 0x10);

void fillNightSky(Painter& p, int width, int height)
{
    fillGradient(p, {0, 0, width, height}, kNightTop, kNightBottom);
}

Surface drawSplash()
{
    const DialogUnits units("Small Fonts", 7);
    // The picture fills the splash control of 354 x 165 units.
    const int width = units.x(354);
    const int height = units.y(165);
    Surface image(width, height);
    Painter p(image);
    fillNightSky(p, width, height);

    // A spectrum of bars behind the name, brightest in the middle.
    const int bars = 48;
    const int barsTop = height * 22 / 100;
    const int barsBottom = units.y(128);
    for (int i = 0; i < bars; ++i) {
        const double phase = double(i) / (bars - 1);
        const double level =
            0.25 + 0.55 * std::pow(std::sin(phase * M_PI), 1.5) * (0.75 + 0.25 * std::sin(phase * 23.0));
        const int left = i * width / bars + 1;
        const int right = (i + 1) * width / bars - 1;
        const int barTop = barsBottom - static_cast<int>(level * (barsBottom - barsTop));
        for (int y = barTop; y < barsBottom; ++y) {
            const double t = double(y - barTop) / std::max(1, barsBottom - barTop);
            p.fillRect({left, y, right, y + 1},
                       mix(mix(rgb(0x7A, 0x5C, 0xFF), rgb(0x2A, 0x1E, 0x66), t), kNightTop, 0.55));
        }
    }

    const int markSize = height * 30 / 100;
    Surface mark(markSize + 4, markSize + 4, 0);
    drawMark(mark, 2, 2, markSize, rgb(0xE8, 0xE4, 0xFF));
    p.alphaBlend(width * 8 / 100, height * 16 / 100, mark, mark.bounds());

    p.setBackgroundMode(BackgroundMode::Transparent);
    const Font* title = font("Arial", -(height * 15 / 100), 700);
    const Font* subtitle = font("Arial", -(height * 7 / 100), 400);
    const int textLeft = width * 8 / 100 + markSize + width * 3 / 100;
    p.setFont(title);
    p.setTextColour(rgb(0xFF, 0xFF, 0xFF));
    p.textOut(textLeft, height * 15 / 100, "Velmora");
    p.setFont(subtitle);
    p.setTextColour(rgb(0xC8, 0xC0, 0xF0));
    p.textOut(textLeft + 2, height * 15 / 100 + (title ? title->metrics().height : 0), "Audio Engine  v0.1b");

    // The status line (control 1002 at 50, 142 units) sits on a black band.
    p.fillRect({0, units.y(138), width, units.y(154)}, kBlack);
    p.fillRect({0, units.y(138), width, units.y(138) + 1}, rgb(0x7A, 0x5C, 0xFF));
    p.setFont(font("Small Fonts", heightForPoints(7), 400));
    p.setTextColour(rgb(0x80, 0x78, 0xA8));
    Rect corner{0, units.y(154), width - units.x(6), height - 1};
    p.drawText("Modular audio for the desktop", corner, kTextRight | kTextSingleLine | kTextVCentre);
    return image;
}

Surface drawErrorSymbol()
{
    const DialogUnits units("Tahoma", 8);
    // The sunken frame of the 36 x 32 unit control takes one pixel each side.
    const int width = units.x(36) - 2;
    const int height = units.y(32) - 2;
    Surface image(width, height, sysColour(kColourButtonFace));
    const double radius = std::min(width, height) * 0.4;
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    fillDisc(image, cx + 1.0, cy + 1.5, radius, argb(0x70, 0x40, 0x40, 0x40));
    fillDisc(image, cx, cy, radius, rgb(0x9A, 0x10, 0x10));
    fillDisc(image, cx, cy, radius - 1.2, rgb(0xE0, 0x2A, 0x22));
    fillDisc(image, cx - radius * 0.25, cy - radius * 0.3, radius * 0.45, argb(0x38, 0xFF, 0xFF, 0xFF));
    const double arm = radius * 0.42;
    const double stroke = std::max(2.0, radius * 0.28);
    strokeLine(image, cx - arm, cy - arm, cx + arm, cy + arm, stroke, kWhite);
    strokeLine(image, cx - arm, cy + arm, cx + arm, cy - arm, stroke, kWhite);
    return image;
}

Surface drawTrayIcon()
{
    const int size = 32;
    Surface image(size, size, 0); // transparent around the badge
    fillDisc(image, size / 2.0, size / 2.0, size / 2.0 - 0.5, rgb(0x2A, 0x1E, 0x66));
    fillDisc(image, size / 2.0, size / 2.0, size / 2.0 - 2.0, rgb(0x4B, 0x36, 0xB8));
    drawMark(image, 4.0, 5.0, 22.0, kWhite);
    return image;
}

Surface drawAbout()
{
    const DialogUnits units("Tahoma", 8);
    // The sunken frame of the About box's 186 x 84 unit control takes one pixel each side.
    const int width = units.x(186) - 2;
    const int height = units.y(84) - 2;
    Surface image(width, height);
    Painter p(image);
    fillNightSky(p, width, height);

    // A low spectrum along the bottom edge.
    const int bars = 32;
    for (int i = 0; i < bars; ++i) {
        const double phase = double(i) / (bars - 1);
        const double level =
            0.2 + 0.6 * std::pow(std::sin(phase * M_PI), 2.0) * (0.7 + 0.3 * std::cos(phase * 17.0));
        const int left = i * width / bars + 1;
        const int right = (i + 1) * width / bars - 1;
        const int barTop = height - static_cast<int>(level * height * 0.35);
        p.fillRect({left, barTop, right, height}, mix(rgb(0x7A, 0x5C, 0xFF), kNightTop, 0.6));
    }

    const int markSize = height * 55 / 100;
    Surface mark(markSize + 4, markSize + 4, 0);
    drawMark(mark, 2, 2, markSize, rgb(0xE8, 0xE4, 0xFF));
    p.alphaBlend(width * 5 / 100, height * 12 / 100, mark, mark.bounds());

    p.setBackgroundMode(BackgroundMode::Transparent);
    const Font* title = font("Arial", -(height * 24 / 100), 700);
    const int textLeft = width * 5 / 100 + markSize + width * 4 / 100;
    p.setFont(title);
    p.setTextColour(rgb(0xFF, 0xFF, 0xFF));
    p.textOut(textLeft, height * 16 / 100, "Velmora");
    p.setFont(font("Arial", -(height * 12 / 100), 400));
    p.setTextColour(rgb(0xC8, 0xC0, 0xF0));
    p.textOut(textLeft + 2, height * 16 / 100 + (title ? title->metrics().height : 0), "Audio Engine  v0.1b");
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "shared/res";
    const std::string engineFolder = argc > 2 ? argv[2] : "engine/res";
    bool ok = save(drawSplash(), folder + "/splash.png");
    ok &= save(drawErrorSymbol(), folder + "/error.png");
    ok &= save(drawTrayIcon(), folder + "/tray.png");
    ok &= save(drawAbout(), engineFolder + "/about.png");
    return ok ? 0 : 1;
}
