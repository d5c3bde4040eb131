// Draws the user interface plug-in's pictures into plugins/velmoraui/res/
// and writes their resources.list: the two windows' skins and masks, the
// buttons, lamps, selection displays, faders, meters, knob strip, the bitmap
// font and the windows' icon. Every position and size comes from
// plugins/velmoraui/Layout.h. Controls are blitted without blending, so each
// control picture is cut from the skin behind it before the control is drawn
// on it, and the tool refuses to write pictures that would not fit every
// place they are shown. Run it from the source folder:
//   build/tools/draw-velmoraui-artwork [res folder, plugins/velmoraui/res by default]
//                                      [preview folder: both windows assembled, at twice the size]
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/velmoraui/Layout.h"
#include "tools/SkinKit.h"

using namespace artwork;
namespace layout = velmoraui;

namespace {

// A box given inside a control, moved to where the control sits.
Rect rectIn(const layout::Box& inner, const layout::Box& control)
{
    return rectOf(inner).offsetBy(control.x, control.y);
}

Rect stripShifted(const Rect& area, int strip)
{
    return area.offsetBy(strip * layout::kStripPitch, 0);
}

// ---- colours of this plug-in's own (the rest are the kit's) ------------------

const Argb kFontColour = rgb(0xFF, 0xB8, 0x45);

// ---- bitmap font ----------------------------------------------------------------

// The glyphs from '!' to '}' as rows from the second row of the cell down
// ('/' between rows, '#' lit): capitals and digits stand on the eighth row,
// descenders take the last two.
const std::array<const char*, layout::kFontGlyphs> kGlyphRows = {
    "#/#/#/#/#//#",                                // !
    ".#.#./.#.#.",                                 // "
    ".#.#./.#.#./#####/.#.#./#####/.#.#./.#.#.",   // #
    "..#../.####/#.#../.###./..#.#/####./..#..",   // $
    "##.../##..#/...#./..#../.#.../#..##/...##",   // %
    ".##../#..#./#.#../.#.../#.#.#/#..#./.##.#",   // &
    ".#/.#/#.",                                    // '
    "..#/.#./#../#../#../.#./..#",                 // (
    "#../.#./..#/..#/..#/.#./#..",                 // )
    "/..#../#.#.#/.###./#.#.#/..#..",              // *
    "/..#../..#../#####/..#../..#..",              // +
    "/////.#/.#/#.",                               // ,
    "///#####",                                    // -
    "//////#",                                     // .
    "....#/...#./...#./..#../.#.../.#.../#....",   // /
    ".###./#...#/#..##/#.#.#/##..#/#...#/.###.",   // 0
    "..#./.##./..#./..#./..#./..#./.###",          // 1
    ".###./#...#/....#/...#./..#../.#.../#####",   // 2
    "#####/...#./..#../...#./....#/#...#/.###.",   // 3
    "...#./..##./.#.#./#..#./#####/...#./...#.",   // 4
    "#####/#..../####./....#/....#/#...#/.###.",   // 5
    "..##./.#.../#..../####./#...#/#...#/.###.",   // 6
    "#####/....#/...#./..#../.#.../.#.../.#...",   // 7
    ".###./#...#/#...#/.###./#...#/#...#/.###.",   // 8
    ".###./#...#/#...#/.####/....#/...#./.##..",   // 9
    "//#///#",                                     // :
    "//.#///.#/.#/#.",                             // ;
    "...#/..#./.#../#.../.#../..#./...#",          // <
    "//#####//#####",                              // =
    "#.../.#../..#./...#/..#./.#../#...",          // >
    ".###./#...#/....#/...#./..#..//..#..",        // ?
    ".###./#...#/#.###/#.#.#/#.###/#..../.###.",   // @
    ".###./#...#/#...#/#...#/#####/#...#/#...#",   // A
    "####./#...#/#...#/####./#...#/#...#/####.",   // B
    ".###./#...#/#..../#..../#..../#...#/.###.",   // C
    "###../#..#./#...#/#...#/#...#/#..#./###..",   // D
    "#####/#..../#..../####./#..../#..../#####",   // E
    "#####/#..../#..../####./#..../#..../#....",   // F
    ".###./#...#/#..../#.###/#...#/#...#/.####",   // G
    "#...#/#...#/#...#/#####/#...#/#...#/#...#",   // H
    "###/.#./.#./.#./.#./.#./###",                 // I
    "..###/...#./...#./...#./...#./#..#./.##..",   // J
    "#...#/#..#./#.#../##.../#.#../#..#./#...#",   // K
    "#..../#..../#..../#..../#..../#..../#####",   // L
    "#...#/##.##/#.#.#/#.#.#/#...#/#...#/#...#",   // M
    "#...#/#...#/##..#/#.#.#/#..##/#...#/#...#",   // N
    ".###./#...#/#...#/#...#/#...#/#...#/.###.",   // O
    "####./#...#/#...#/####./#..../#..../#....",   // P
    ".###./#...#/#...#/#...#/#.#.#/#..#./.##.#",   // Q
    "####./#...#/#...#/####./#.#../#..#./#...#",   // R
    ".####/#..../#..../.###./....#/....#/####.",   // S
    "#####/..#../..#../..#../..#../..#../..#..",   // T
    "#...#/#...#/#...#/#...#/#...#/#...#/.###.",   // U
    "#...#/#...#/#...#/#...#/#...#/.#.#./..#..",   // V
    "#...#/#...#/#...#/#.#.#/#.#.#/#.#.#/.#.#.",   // W
    "#...#/#...#/.#.#./..#../.#.#./#...#/#...#",   // X
    "#...#/#...#/.#.#./..#../..#../..#../..#..",   // Y
    "#####/....#/...#./..#../.#.../#..../#####",   // Z
    "###/#../#../#../#../#../###",                 // [
    "#..../.#.../.#.../..#../...#./...#./....#",   // backslash
    "###/..#/..#/..#/..#/..#/###",                 // ]
    "..#../.#.#./#...#",                           // ^
    "///////#####",                                // _
    "#../.#.",                                     // `
    "//.###./....#/.####/#...#/.####",             // a
    "#..../#..../#.##./##..#/#...#/#...#/####.",   // b
    "//.###./#..../#..../#...#/.###.",             // c
    "....#/....#/.##.#/#..##/#...#/#...#/.####",   // d
    "//.###./#...#/#####/#..../.###.",             // e
    "..##./.#..#/.#.../###../.#.../.#.../.#...",   // f
    "//.####/#...#/#...#/#...#/.####/....#/.###.", // g
    "#..../#..../#.##./##..#/#...#/#...#/#...#",   // h
    ".#//##/.#/.#/.#/.#",                          // i
    "..#//.##/..#/..#/..#/..#/#.#/.#.",            // j
    "#..../#..../#..#./#.#../##.../#.#../#..#.",   // k
    "##/.#/.#/.#/.#/.#/.#",                        // l
    "//##.#./#.#.#/#.#.#/#.#.#/#.#.#",             // m
    "//#.##./##..#/#...#/#...#/#...#",             // n
    "//.###./#...#/#...#/#...#/.###.",             // o
    "//####./#...#/#...#/#...#/####./#..../#....", // p
    "//.####/#...#/#...#/#...#/.####/....#/....#", // q
    "//#.##./##..#/#..../#..../#....",             // r
    "//.####/#..../.###./....#/####.",             // s
    "/.#../####/.#../.#../.#.#/..#.",              // t
    "//#...#/#...#/#...#/#..##/.##.#",             // u
    "//#...#/#...#/#...#/.#.#./..#..",             // v
    "//#...#/#...#/#.#.#/#.#.#/.#.#.",             // w
    "//#...#/.#.#./..#../.#.#./#...#",             // x
    "//#...#/#...#/#...#/#...#/.####/....#/.###.", // y
    "//#####/...#./..#../.#.../#####",             // z
    "..#/.#./.#./#../.#./.#./..#",                 // {
    "#/#/#/#/#/#/#",                               // |
    "#../.#./.#./..#/.#./.#./#..",                 // }
};

// Glyphs one per row on black; a glyph that would not leave a free column
// inside its advance is an error (empty picture).
Surface drawFont()
{
    Surface image(layout::kFontFixedWidth, layout::kFontGlyphs * layout::kFontHeight, kBlack);
    for (int index = 0; index < layout::kFontGlyphs; ++index) {
        const int advance = layout::kFontWidths[static_cast<std::size_t>(index)];
        int row = 1;
        int column = 0;
        for (const char* c = kGlyphRows[static_cast<std::size_t>(index)]; *c != '\0'; ++c) {
            if (*c == '/') {
                ++row;
                column = 0;
                continue;
            }
            if (column >= advance - 1 || row >= layout::kFontHeight) {
                std::fprintf(stderr, "glyph '%c' does not fit its cell\n", char(layout::kFontFirst + index));
                return {};
            }
            if (*c == '#')
                image.setPixel(column, index * layout::kFontHeight + row, kFontColour);
            ++column;
        }
    }
    return image;
}

// ---- selection displays ----------------------------------------------------------

Surface drawSelectionAreas()
{
    Surface image(layout::kSelectionWidth, layout::kSelectionHeight, kWhite);
    image.fill(rectOf(layout::kSelectionNameArea), kBlack);
    image.fill(rectOf(layout::kSelectionLampArea), rgb(0xFF, 0x00, 0x00));
    return image;
}

// The display's bezel with a coloured tab, the black name field and the dark lamp.
Surface drawSelectionDisplay(Argb accent, const Surface& darkLamp)
{
    Surface image(layout::kSelectionWidth, layout::kSelectionHeight, kOutline);
    Painter p(image);
    const Rect inside = image.bounds().inflatedBy(-1, -1);
    p.fillRect(inside, kLampBed);
    p.fillRect({inside.left, inside.top, inside.right, inside.top + 1}, rgb(0x2C, 0x30, 0x35));
    p.fillRect({inside.left, inside.bottom - 1, inside.right, inside.bottom}, rgb(0x0E, 0x0F, 0x11));
    const Rect name = rectOf(layout::kSelectionNameArea);
    fillGradient(p, {inside.left, inside.top, name.left, inside.bottom}, mix(accent, kWhite, 0.15),
                 mix(accent, kBlack, 0.35));
    p.fillRect(name, kBlack);
    const Rect lamp = rectOf(layout::kSelectionLampArea);
    image.copyFrom(darkLamp, darkLamp.bounds(), lamp.left, lamp.top);
    return image;
}

// ---- faders and meters -----------------------------------------------------------

// Segment colours from the bottom: green, then yellow, orange and red at the top.
Argb segmentColour(int segment, int segments)
{
    const double share = double(segment) / segments;
    if (share < 0.6)
        return rgb(0x3C, 0xDC, 0x5A);
    if (share < 0.8)
        return rgb(0xF2, 0xD4, 0x38);
    if (segment < segments - 1)
        return rgb(0xFF, 0x96, 0x2A);
    return rgb(0xFF, 0x3A, 0x30);
}

// Segments of equal height from the bottom, each with a dark gap at its top;
// what is left over at the top stays dark.
Surface drawMeter(int height, bool lit)
{
    const int segments = layout::kMeterSegments;
    const int segment = height / segments;
    Surface image(layout::kMeterWidth, height, rgb(0x05, 0x06, 0x07));
    Painter p(image);
    for (int index = 0; index < segments; ++index) {
        const int bottom = height - index * segment;
        const Rect cell{1, bottom - segment + 1, layout::kMeterWidth - 1, bottom};
        const Argb colour = segmentColour(index, segments);
        if (lit) {
            fillGradient(p, cell, mix(colour, kWhite, 0.3), mix(colour, kBlack, 0.12));
            p.fillRect({cell.left, cell.top, cell.right, cell.top + 1}, mix(colour, kWhite, 0.55));
        } else {
            fillGradient(p, cell, mix(colour, kBlack, 0.76), mix(colour, kBlack, 0.84));
        }
    }
    return image;
}

// A fader's background: the meter's well, the thumb's slot with scale marks
// every quarter of the range (unity brighter) and the black value field.
struct FaderParts {
    Rect meter;
    Rect track; // the line the thumb's centre runs along
    Rect text;
    int thumbHeight;
};

Surface drawFaderBackground(const Surface& skin, const Rect& place, const FaderParts& parts, int marks)
{
    Surface image = crop(skin, place);
    Painter p(image);
    const Rect well = parts.meter.inflatedBy(1, 1);
    p.fillRect(well, rgb(0x07, 0x08, 0x09));
    p.fillRect({well.left, well.bottom, well.right, well.bottom + 1}, rgb(0x4A, 0x4F, 0x57));
    const int centre = parts.track.left + parts.track.width() / 2;
    const int halfThumb = parts.thumbHeight / 2;
    drawGroove(image,
               {centre - 2, parts.track.top - halfThumb + 2, centre + 2, parts.track.bottom + halfThumb - 1});
    for (int mark = 0; mark <= marks; ++mark) {
        const int y = parts.track.bottom - parts.track.height() * mark / marks;
        const bool unity = mark * 2 == marks;
        const Argb colour = unity ? kTickUnity : kTick;
        const int reach = unity ? 5 : 3;
        p.fillRect({centre - 4 - reach, y, centre - 4, y + 1}, colour);
        p.fillRect({centre + 4, y, centre + 4 + reach, y + 1}, colour);
    }
    p.fillRect(parts.text, kBlack);
    return image;
}

// The pan slider's background: a horizontal slot with marks at the ends,
// quarters and centre, over the black value field.
Surface drawPanBackground(const Surface& skin)
{
    const Rect place = rectOf(layout::kPan);
    Surface image = crop(skin, place);
    Painter p(image);
    const Rect track = rectOf(layout::kPanTrack);
    const int middle = track.top + track.height() / 2;
    fillRoundRect(image, {track.left - 4, middle - 2, track.right + 5, middle + 3}, 2.0,
                  rgb(0x4A, 0x4F, 0x57));
    fillRoundRect(image, {track.left - 4, middle - 2, track.right + 4, middle + 2}, 2.0,
                  rgb(0x08, 0x09, 0x0A));
    fillRoundRect(image, {track.left - 3, middle - 1, track.right + 3, middle + 1}, 1.0,
                  rgb(0x02, 0x02, 0x03));
    for (int mark = 0; mark <= 4; ++mark) {
        const int x = track.left + track.width() * mark / 4;
        const bool centre = mark == 2;
        const Argb colour = centre ? kTickUnity : kTick;
        const int reach = centre ? 4 : 2;
        p.fillRect({x, middle - 3 - reach, x + 1, middle - 3}, colour);
        p.fillRect({x, middle + 4, x + 1, middle + 4 + reach}, colour);
    }
    p.fillRect(rectOf(layout::kPanText), kBlack);
    return image;
}

// The pan thumb: an upright cap with a white line down its middle.
Surface drawPanThumb()
{
    const int width = layout::kPanThumb.width;
    const int height = layout::kPanThumb.height;
    Surface image(width, height, kOutline);
    Painter p(image);
    const Rect inside = image.bounds().inflatedBy(-1, -1);
    fillGradient(p, inside, rgb(0xD4, 0xD8, 0xDE), rgb(0x78, 0x7E, 0x87));
    p.fillRect({inside.left, inside.top, inside.right, inside.top + 1}, rgb(0xF0, 0xF2, 0xF5));
    const int middle = width / 2;
    p.fillRect({middle - 2, inside.top, middle - 1, inside.bottom}, rgb(0x3A, 0x3E, 0x44));
    p.fillRect({middle - 1, inside.top, middle + 1, inside.bottom}, kWhite);
    p.fillRect({middle + 1, inside.top, middle + 2, inside.bottom}, rgb(0x3A, 0x3E, 0x44));
    return image;
}

// ---- main window ----------------------------------------------------------------

struct MainArt {
    Surface skin;
    Surface mask;
    Surface menuButton;
    Surface consoleButton;
    Surface closeButton;
    Surface minimiseButton;
    Surface inputDisplay;
    Surface outputDisplay;
    Surface effectDisplay;
};

constexpr double kCornerRadius = 12.0;

MainArt drawMainWindow(const Surface& darkLamp)
{
    MainArt art;
    Surface skin(layout::kMainWidth, layout::kMainHeight, kOutline);
    drawPlate(skin, skin.bounds(), kCornerRadius, kCasing);
    for (const auto& [x, y] : {std::pair{9.5, 9.5},
                               {layout::kMainWidth - 9.5, 9.5},
                               {9.5, layout::kMainHeight - 9.5},
                               {layout::kMainWidth - 9.5, layout::kMainHeight - 9.5}})
        drawScrew(skin, x, y);

    // The slot columns: inputs and output on the left, effects beside them.
    const Rect input0 = rectOf(layout::kInputDisplays[0]);
    const Rect input1 = rectOf(layout::kInputDisplays[1]);
    const Rect output = rectOf(layout::kOutputDisplay);
    const Rect effectFirst = rectOf(layout::kEffectDisplays[0]);
    const Rect effectLast = rectOf(layout::kEffectDisplays[layout::kEffectDisplays.size() - 1]);
    const int captionHeight = 12;
    const int margin = 6;
    const Rect inputsWell{input0.left - margin, input0.top - captionHeight - 3, input0.right + margin,
                          input1.bottom + 4};
    const Rect outputWell{output.left - margin, output.top - captionHeight - 3, output.right + margin,
                          output.bottom + 4};
    const Rect effectsWell{effectFirst.left - margin, effectFirst.top - captionHeight - 3,
                           effectFirst.right + margin, effectLast.bottom + 4};
    for (const Rect& well : {inputsWell, outputWell, effectsWell})
        drawPlate(skin, well, 4.0, kWell);
    drawGroupCaption(skin, {input0.left, input0.top - captionHeight - 1, input0.right, input0.top - 1},
                     "INPUTS", kInputAccent);
    drawGroupCaption(skin, {output.left, output.top - captionHeight - 1, output.right, output.top - 1},
                     "OUTPUT", kOutputAccent);
    drawGroupCaption(
        skin, {effectFirst.left, effectFirst.top - captionHeight - 1, effectFirst.right, effectFirst.top - 1},
        "EFFECTS", kEffectAccent);

    // The status strip: streaming lamp and time in one dark housing.
    const Rect lamp = rectOf(layout::kStreamingLamp);
    const Rect time = rectOf(layout::kTimeDisplay);
    const Rect status{lamp.left - 5, std::min(lamp.top, time.top) - 5, time.right + 5,
                      std::max(lamp.bottom, time.bottom) + 5};
    drawPlate(skin, status, 3.0, kLampHousing);
    skin.copyFrom(darkLamp, darkLamp.bounds(), lamp.left, lamp.top);
    frameSunken(skin, time);
    skin.fill(time, kBlack);
    {
        Painter p(skin);
        const TextStyle small = smallStyle();
        drawText(p, small, {status.left, status.bottom + 2, status.left + 40, status.bottom + 11}, "stream",
                 Align::Left);
        drawText(p, small, {time.left, status.bottom + 2, time.right, status.bottom + 11}, "elapsed time",
                 Align::Right);
    }

    drawWordmark(skin, {240, 108, 400, 170}, 22, true);

    // Buttons are cut from the finished panel, then shown on it.
    const Rect menu = rectOf(layout::kMenuButton);
    const Rect console = rectOf(layout::kConsoleButton);
    const Rect close = rectOf(layout::kCloseButton);
    const Rect minimise = rectOf(layout::kMinimiseButton);
    art.menuButton = drawButton(skin, menu, label("MENU"));
    art.consoleButton = drawButton(skin, console, label("MIXER"));
    art.closeButton = drawButton(skin, close, closeSymbol());
    art.minimiseButton = drawButton(skin, minimise, minimiseSymbol());
    art.inputDisplay = drawSelectionDisplay(kInputAccent, darkLamp);
    art.outputDisplay = drawSelectionDisplay(kOutputAccent, darkLamp);
    art.effectDisplay = drawSelectionDisplay(kEffectAccent, darkLamp);

    auto showNormalFrame = [&skin](const Surface& frames, const Rect& place) {
        skin.copyFrom(frames, {0, 0, place.width(), place.height()}, place.left, place.top);
    };
    showNormalFrame(art.menuButton, menu);
    showNormalFrame(art.consoleButton, console);
    showNormalFrame(art.closeButton, close);
    showNormalFrame(art.minimiseButton, minimise);
    for (const layout::Box& box : layout::kInputDisplays)
        skin.copyFrom(art.inputDisplay, art.inputDisplay.bounds(), box.x, box.y);
    skin.copyFrom(art.outputDisplay, art.outputDisplay.bounds(), output.left, output.top);
    for (const layout::Box& box : layout::kEffectDisplays)
        skin.copyFrom(art.effectDisplay, art.effectDisplay.bounds(), box.x, box.y);

    art.skin = std::move(skin);
    art.mask = drawMask(layout::kMainWidth, layout::kMainHeight, kCornerRadius);
    return art;
}

// ---- mixing console -------------------------------------------------------------

struct ConsoleArt {
    Surface skin;
    Surface mask;
    Surface knobStrip;
    Surface fader;
    Surface pan;
    Surface masterLeft;
    Surface masterRight;
    Surface mute;
    Surface solo;
    Surface preFader;
    Surface select;
    Surface ledPower;
    Surface autoMix;
};

const Argb kMuteColour = rgb(0xE8, 0x3C, 0x34);
const Argb kSoloColour = rgb(0xF5, 0xC8, 0x2E);
const Argb kPreFaderColour = rgb(0x3C, 0x8E, 0xF0);
const Argb kSelectColour = rgb(0x4C, 0xD0, 0x64);

FaderParts channelFaderParts()
{
    return {rectOf(layout::kFaderMeter), rectOf(layout::kFaderTrack), rectOf(layout::kFaderText),
            layout::kFaderThumb.height};
}

FaderParts masterFaderParts(int side)
{
    return {rectOf(layout::kMasterMeters[side]), rectOf(layout::kMasterTracks[side]),
            rectOf(layout::kMasterText), layout::kMasterThumb.height};
}

// The strip's panel: the framed effects area, framed text displays and the strip number.
void drawStrip(Surface& skin, int strip, const Rect& panel)
{
    drawPlate(skin, panel, 5.0, kStripPanel);
    const Rect upperKnob = stripShifted(rectOf(layout::kEffectKnobs[1]), strip);
    const Rect lowerDisplay = stripShifted(rectOf(layout::kEffectSlotDisplays[0]), strip);
    const Rect effects{panel.left + 2, upperKnob.top - 15, panel.right - 2, lowerDisplay.bottom + 5};
    drawPlate(skin, effects, 4.0, kWell);
    Painter p(skin);
    const TextStyle caption = captionStyle();
    const int captionMiddle = effects.top + 7;
    const Rect captionArea{effects.left, captionMiddle - 5, effects.right, captionMiddle + 5};
    drawText(p, caption, captionArea, "EFFECTS");
    const int captionWidth = textWidth(caption, "EFFECTS");
    const int captionLeft = captionArea.left + (captionArea.width() - captionWidth) / 2;
    p.fillRect({effects.left + 6, captionMiddle, captionLeft - 4, captionMiddle + 1}, kRule);
    p.fillRect({captionLeft + captionWidth + 4, captionMiddle, effects.right - 6, captionMiddle + 1}, kRule);

    for (const layout::Box& box : layout::kEffectSlotDisplays) {
        const Rect display = stripShifted(rectOf(box), strip);
        frameSunken(skin, display);
        skin.fill(display, kBlack);
    }
    const Rect name = stripShifted(rectOf(layout::kNameDisplay), strip);
    frameSunken(skin, name);
    skin.fill(name, kBlack);

    // The strip number in the free corner right of the fader, under the buttons.
    const Rect fader = stripShifted(rectOf(layout::kFader), strip);
    const Rect preFader = stripShifted(rectOf(layout::kPreFaderButton), strip);
    const Rect select = stripShifted(rectOf(layout::kSelectButton), strip);
    const Rect numberArea{fader.right + 4, preFader.bottom + 2, preFader.right, select.top - 2};
    const TextStyle number{font("DejaVu Sans", -30, kWeightBold), rgb(0x8E, 0x95, 0x9F), 0,
                           argb(0xFF, 0x14, 0x15, 0x18)};
    const std::string digit(1, char('1' + strip));
    drawText(p, number, numberArea, digit);
    const TextStyle ch = smallStyle();
    drawText(p, ch, {numberArea.left, numberArea.top, numberArea.right, numberArea.top + 12}, "CH");
}

ConsoleArt drawConsole(const Surface& darkLamp)
{
    ConsoleArt art;
    Surface skin(layout::kConsoleWidth, layout::kConsoleHeight, kOutline);
    drawPlate(skin, skin.bounds(), kCornerRadius, kCasing);
    for (const auto& [x, y] : {std::pair{9.5, 9.5},
                               {9.5, layout::kConsoleHeight - 9.5},
                               {layout::kConsoleWidth - 9.5, layout::kConsoleHeight - 9.5},
                               {layout::kConsoleWidth - 9.5, 9.5}})
        drawScrew(skin, x, y);

    // Strip panels: from just left of the effect displays to just right of the buttons.
    const Rect firstDisplay = rectOf(layout::kEffectSlotDisplays[0]);
    const Rect pan = rectOf(layout::kPan);
    const int panelTop = 28;
    const int panelBottom = layout::kConsoleHeight - 9;
    const Rect panel{firstDisplay.left - 4, panelTop, pan.right + 3, panelBottom};
    for (int strip = 0; strip < layout::kStripCount; ++strip)
        drawStrip(skin, strip, stripShifted(panel, strip));

    Painter p(skin);
    const TextStyle title{font("DejaVu Sans", -9, kWeightBold), kCaption, 2, kTextShadow};
    const Rect titleArea{panel.left + 4, 8, panel.left + 300, panelTop - 6};
    drawText(p, title, titleArea, "MIXING CONSOLE", Align::Left);
    const int titleEnd = titleArea.left + textWidth(title, "MIXING CONSOLE") + 8;
    const Rect lastPanel = stripShifted(panel, layout::kStripCount - 1);
    p.fillRect({titleEnd, titleArea.top + titleArea.height() / 2, lastPanel.right - 4,
                titleArea.top + titleArea.height() / 2 + 1},
               kRule);

    // The master section: its buttons, the mark, the clip lamp and both faders with their scale.
    const Rect autoMix = rectOf(layout::kAutoMixButton);
    const Rect ledPower = rectOf(layout::kLedPowerButton);
    const Rect masterLeft = rectOf(layout::kMasterFaders[0]);
    const Rect masterRight = rectOf(layout::kMasterFaders[1]);
    // Clear of the screws in the corners.
    const Rect master{lastPanel.right + 8, 14, layout::kConsoleWidth - 15, panelBottom};
    drawPlate(skin, master, 5.0, kStripPanel);
    drawWordmark(skin, {master.left, autoMix.bottom + 10, master.right, autoMix.bottom + 56}, 15, false);

    const Rect clip = rectOf(layout::kClipLamp);
    const TextStyle caption = captionStyle();
    const int captionMiddle = clip.top - 34;
    const Rect masterCaption{masterLeft.left, captionMiddle - 5, masterRight.right, captionMiddle + 5};
    drawText(p, caption, masterCaption, "MASTER");
    const int masterWidth = textWidth(caption, "MASTER");
    const int masterCaptionLeft = masterCaption.left + (masterCaption.width() - masterWidth) / 2;
    p.fillRect({master.left + 6, captionMiddle, masterCaptionLeft - 4, captionMiddle + 1}, kRule);
    p.fillRect({masterCaptionLeft + masterWidth + 4, captionMiddle, master.right - 6, captionMiddle + 1},
               kRule);
    drawLampHousing(skin, clip, darkLamp);
    drawText(p, smallStyle(kCaption), {clip.left - 20, clip.top - 14, clip.right + 20, clip.top - 4}, "CLIP");

    const TextStyle sideStyle = captionStyle();
    drawText(p, sideStyle, {masterLeft.left, masterLeft.bottom + 1, masterLeft.right, master.bottom - 2},
             "L");
    drawText(p, sideStyle, {masterRight.left, masterRight.bottom + 1, masterRight.right, master.bottom - 2},
             "R");

    // Decibel marks beside the right fader, where its thumb stands for them.
    const Rect track = rectOf(layout::kMasterTracks[1]).offsetBy(masterRight.left, masterRight.top);
    const TextStyle scale = smallStyle();
    const std::pair<int, const char*> marks[] = {{200, "+6"}, {141, "+3"}, {100, "0"},
                                                 {50, "-6"},  {25, "-12"}, {0, "-inf"}};
    for (const auto& [value, text] : marks) {
        const int y = track.bottom - track.height() * value / 200;
        drawText(p, value == 100 ? smallStyle(kCaption) : scale,
                 {masterRight.right + 3, y - 5, master.right - 2, y + 5}, text, Align::Left);
    }

    // Pictures cut from the finished panel, then shown on it.
    art.knobStrip = drawKnobStrip(crop(skin, rectOf(layout::kEffectKnobs[0])), layout::kKnobFrames, kEffectAccent);
    art.fader = drawFaderBackground(skin, rectOf(layout::kFader), channelFaderParts(), 4);
    art.pan = drawPanBackground(skin);
    art.masterLeft = drawFaderBackground(skin, masterLeft, masterFaderParts(0), 8);
    art.masterRight = drawFaderBackground(skin, masterRight, masterFaderParts(1), 8);
    art.mute = drawButton(skin, rectOf(layout::kMuteButton), label("MUTE", 7), kMuteColour);
    art.solo = drawButton(skin, rectOf(layout::kSoloButton), label("SOLO", 7), kSoloColour);
    art.preFader = drawButton(skin, rectOf(layout::kPreFaderButton), label("PRE", 7), kPreFaderColour);
    art.select = drawButton(skin, rectOf(layout::kSelectButton), label("SEL"), kSelectColour);
    art.ledPower = drawButton(skin, ledPower, label("LED"), kSelectColour);
    art.autoMix = drawButton(skin, autoMix, label("AUTO"));

    art.skin = std::move(skin);
    art.mask = drawMask(layout::kConsoleWidth, layout::kConsoleHeight, kCornerRadius);
    return art;
}

// Every place a picture cut from the skin is shown must have the same skin behind it.
bool sameBehind(const Surface& skin, const std::vector<Rect>& places, const char* what)
{
    const Surface first = crop(skin, places.front());
    for (const Rect& place : places)
        if (!crop(skin, place).samePixels(first)) {
            std::fprintf(stderr, "the skin behind the %s differs from place to place\n", what);
            return false;
        }
    return true;
}

std::vector<Rect> everyStrip(const Rect& place)
{
    std::vector<Rect> places;
    for (int strip = 0; strip < layout::kStripCount; ++strip)
        places.push_back(stripShifted(place, strip));
    return places;
}

bool checkConsolePlaces(const Surface& skin)
{
    std::vector<Rect> knobs;
    for (const layout::Box& knob : layout::kEffectKnobs)
        for (const Rect& place : everyStrip(rectOf(knob)))
            knobs.push_back(place);
    bool ok = sameBehind(skin, knobs, "knobs");
    ok &= sameBehind(skin, everyStrip(rectOf(layout::kFader)), "faders");
    ok &= sameBehind(skin, everyStrip(rectOf(layout::kPan)), "pan sliders");
    ok &= sameBehind(skin, everyStrip(rectOf(layout::kMuteButton)), "mute buttons");
    ok &= sameBehind(skin, everyStrip(rectOf(layout::kSoloButton)), "solo buttons");
    ok &= sameBehind(skin, everyStrip(rectOf(layout::kPreFaderButton)), "pre-fader buttons");
    ok &= sameBehind(skin, everyStrip(rectOf(layout::kSelectButton)), "select buttons");
    return ok;
}

// Shows each control's resting picture on the console skin at all its places.
void stampConsoleControls(ConsoleArt& art, const Surface& darkMeter, const Surface& darkMasterMeter)
{
    Surface& skin = art.skin;
    auto first = [](const layout::Box& box) { return Rect{0, 0, box.width, box.height}; };
    for (int strip = 0; strip < layout::kStripCount; ++strip) {
        const int dx = strip * layout::kStripPitch;
        for (const layout::Box& knob : layout::kEffectKnobs)
            skin.copyFrom(art.knobStrip, first(knob), knob.x + dx, knob.y);
        skin.copyFrom(art.fader, art.fader.bounds(), layout::kFader.x + dx, layout::kFader.y);
        const Rect meter = rectIn(layout::kFaderMeter, layout::kFader);
        skin.copyFrom(darkMeter, darkMeter.bounds(), meter.left + dx, meter.top);
        skin.copyFrom(art.pan, art.pan.bounds(), layout::kPan.x + dx, layout::kPan.y);
        skin.copyFrom(art.mute, first(layout::kMuteButton), layout::kMuteButton.x + dx,
                      layout::kMuteButton.y);
        skin.copyFrom(art.solo, first(layout::kSoloButton), layout::kSoloButton.x + dx,
                      layout::kSoloButton.y);
        skin.copyFrom(art.preFader, first(layout::kPreFaderButton), layout::kPreFaderButton.x + dx,
                      layout::kPreFaderButton.y);
        skin.copyFrom(art.select, first(layout::kSelectButton), layout::kSelectButton.x + dx,
                      layout::kSelectButton.y);
    }
    for (int side = 0; side < 2; ++side) {
        const layout::Box& box = layout::kMasterFaders[side];
        skin.copyFrom(side == 0 ? art.masterLeft : art.masterRight, {0, 0, box.width, box.height}, box.x,
                      box.y);
        const Rect meter = rectIn(layout::kMasterMeters[side], box);
        skin.copyFrom(darkMasterMeter, darkMasterMeter.bounds(), meter.left, meter.top);
    }
    // LED power starts down.
    const layout::Box& led = layout::kLedPowerButton;
    skin.copyFrom(art.ledPower,
                  {0, led.height * layout::kPushFrames, led.width, led.height * (layout::kPushFrames + 1)},
                  led.x, led.y);
    const layout::Box& autoMix = layout::kAutoMixButton;
    skin.copyFrom(art.autoMix, {0, 0, autoMix.width, autoMix.height}, autoMix.x, autoMix.y);
}

// ---- preview --------------------------------------------------------------------

// Text in the bitmap font as the windows draw it: centred, halves rounded down.
void drawFontText(Surface& onto, const Surface& glyphs, const Rect& area, std::string_view text)
{
    auto widthOf = [](char c) {
        return c >= layout::kFontFirst && c <= layout::kFontLast
                   ? layout::kFontWidths[static_cast<std::size_t>(c - layout::kFontFirst)]
                   : layout::kFontFixedWidth;
    };
    int width = 0;
    for (const char c : text)
        width += widthOf(c);
    int x = area.left + area.width() / 2 - width / 2;
    const int y = area.top + area.height() / 2 - layout::kFontHeight / 2;
    for (const char c : text) {
        if (c >= layout::kFontFirst && c <= layout::kFontLast) {
            const int top = (c - layout::kFontFirst) * layout::kFontHeight;
            onto.copyFrom(glyphs, {0, top, widthOf(c), top + layout::kFontHeight}, x, y);
        }
        x += widthOf(c);
    }
}

struct Pictures {
    MainArt main;
    ConsoleArt console;
    Surface lampLit, lampDark, font, faderThumb, meterLit, meterDark, masterThumb, masterMeterLit,
        masterMeterDark, panThumb;
};

std::string volumeText(int value)
{
    if (value == 0)
        return "-inf";
    const double db = 20.0 * std::log10(value / 100.0);
    char text[16];
    std::snprintf(text, sizeof text, db >= 10 ? "+%.0f" : db > 0 ? "+%.1f" : db > -10 ? "%.1f" : "%.0f", db);
    return text;
}

void drawSlider(Surface& window, const Surface& background, const Surface& thumb, const Surface& lit,
                const Surface& dark, const layout::Box& place, const Rect& meter, const Rect& track,
                const Rect& text, int value, int range, int level, const Surface& glyphs,
                const std::string& valueText, bool vertical)
{
    window.copyFrom(background, background.bounds(), place.x, place.y);
    const Rect at = rectOf(place);
    if (!meter.isEmpty()) {
        const Rect m = meter.offsetBy(at.left, at.top);
        window.copyFrom(dark, dark.bounds(), m.left, m.top);
        const int litHeight = std::min(level * layout::kMeterSegments / 100, layout::kMeterSegments) *
                              (lit.height() / layout::kMeterSegments);
        window.copyFrom(lit, {0, lit.height() - litHeight, lit.width(), lit.height()}, m.left,
                        m.top + lit.height() - litHeight);
    }
    drawFontText(window, glyphs, text.offsetBy(at.left, at.top), valueText);
    const Rect t = track.offsetBy(at.left, at.top);
    if (vertical) {
        const int along = t.height() * value / range;
        window.copyFrom(thumb, thumb.bounds(), t.left, t.bottom - along - thumb.height() / 2);
    } else {
        const int along = t.width() * value / range;
        window.copyFrom(thumb, thumb.bounds(), t.left + along - thumb.width() / 2, t.top);
    }
}

bool writePreview(const Pictures& art, const std::string& folder)
{
    // Main window: streaming, two inputs and an effect loaded.
    Surface main = art.main.skin.clone();
    const layout::Box& menu = layout::kMenuButton;
    main.copyFrom(art.main.menuButton, frameOf(2, menu.width, menu.height), menu.x, menu.y);
    const layout::Box& console = layout::kConsoleButton;
    main.copyFrom(art.main.consoleButton, frameOf(0, console.width, console.height), console.x, console.y);
    main.copyFrom(art.lampLit, art.lampLit.bounds(), layout::kStreamingLamp.x, layout::kStreamingLamp.y);
    main.fill(rectOf(layout::kTimeDisplay), kBlack);
    drawFontText(main, art.font, rectOf(layout::kTimeDisplay), "00:12:34");
    auto selection = [&](const Surface& background, const layout::Box& box, const char* name, bool lit) {
        main.copyFrom(background, background.bounds(), box.x, box.y);
        const Rect lamp = rectIn(layout::kSelectionLampArea, box);
        const Surface& picture = lit ? art.lampLit : art.lampDark;
        main.copyFrom(picture, picture.bounds(), lamp.left, lamp.top);
        drawFontText(main, art.font, rectIn(layout::kSelectionNameArea, box), name);
    };
    selection(art.main.inputDisplay, layout::kInputDisplays[0], "Line-In", true);
    selection(art.main.inputDisplay, layout::kInputDisplays[1], "SineGen", false);
    selection(art.main.outputDisplay, layout::kOutputDisplay, "ALSA:out", true);
    selection(art.main.effectDisplay, layout::kEffectDisplays[0], "Reverb", true);
    selection(art.main.effectDisplay, layout::kEffectDisplays[1], "none", false);
    selection(art.main.effectDisplay, layout::kEffectDisplays[2], "Eq 1/3", false);
    selection(art.main.effectDisplay, layout::kEffectDisplays[3], "none", false);
    bool ok = save(presented(main, art.main.mask), folder + "/preview-main.png");

    // Console: every strip in another state.
    Surface desk = art.console.skin.clone();
    const char* names[] = {"Line-In", "SineGen", "none", "Player"};
    const char* effects[][2] = {{"Reverb", "Echo"}, {"none", "Chorus"}, {"none", "none"}, {"Eq", "none"}};
    const int volumes[] = {100, 141, 50, 0};
    const int levels[] = {72, 100, 35, 0};
    const int pans[] = {50, 0, 25, 100};
    const char* panTexts[] = {"M", "L", "25/75", "R"};
    const int knobFrames[][2] = {{0, 5}, {10, 3}, {0, 0}, {7, 0}};
    for (int strip = 0; strip < layout::kStripCount; ++strip) {
        const int dx = strip * layout::kStripPitch;
        for (int slot = 0; slot < 2; ++slot) {
            const layout::Box& knob = layout::kEffectKnobs[slot];
            desk.copyFrom(art.console.knobStrip,
                          Rect::fromSize(knobFrames[strip][slot] * knob.width, 0, knob.width, knob.height),
                          knob.x + dx, knob.y);
            drawFontText(desk, art.font, stripShifted(rectOf(layout::kEffectSlotDisplays[slot]), strip),
                         effects[strip][slot]);
        }
        drawFontText(desk, art.font, stripShifted(rectOf(layout::kNameDisplay), strip), names[strip]);
        layout::Box fader = layout::kFader;
        fader.x += dx;
        drawSlider(desk, art.console.fader, art.faderThumb, art.meterLit, art.meterDark, fader,
                   rectOf(layout::kFaderMeter), rectOf(layout::kFaderTrack), rectOf(layout::kFaderText),
                   volumes[strip], 200, levels[strip], art.font, volumeText(volumes[strip]), true);
        layout::Box pan = layout::kPan;
        pan.x += dx;
        drawSlider(desk, art.console.pan, art.panThumb, art.meterLit, art.meterDark, pan, Rect{},
                   rectOf(layout::kPanTrack), rectOf(layout::kPanText), pans[strip], 100, 0, art.font,
                   panTexts[strip], false);
        auto toggle = [&](const Surface& frames, const layout::Box& box, int frame) {
            desk.copyFrom(frames, frameOf(frame, box.width, box.height), box.x + dx, box.y);
        };
        toggle(art.console.mute, layout::kMuteButton, strip == 1 ? 4 : strip == 3 ? 2 : 0);
        toggle(art.console.solo, layout::kSoloButton, strip == 2 ? 4 : strip == 3 ? 3 : 0);
        toggle(art.console.preFader, layout::kPreFaderButton, strip == 0 ? 4 : strip == 3 ? 6 : 0);
        toggle(art.console.select, layout::kSelectButton, strip == 0 || strip == 2 ? 4 : strip == 3 ? 1 : 0);
    }
    for (int side = 0; side < 2; ++side)
        drawSlider(desk, side == 0 ? art.console.masterLeft : art.console.masterRight, art.masterThumb,
                   art.masterMeterLit, art.masterMeterDark, layout::kMasterFaders[side],
                   rectOf(layout::kMasterMeters[side]), rectOf(layout::kMasterTracks[side]),
                   rectOf(layout::kMasterText), 100, 200, side == 0 ? 88 : 100, art.font, volumeText(100),
                   true);
    desk.copyFrom(art.lampLit, art.lampLit.bounds(), layout::kClipLamp.x, layout::kClipLamp.y);
    ok &= save(presented(desk, art.console.mask), folder + "/preview-console.png");
    return ok;
}

// Pictures side by side at four times the size, rows wrapped, on grey.
bool writeSheet(const std::vector<const Surface*>& pictures, const std::string& path)
{
    const int scale = 4;
    const int gap = 8;
    const int maxWidth = 1600;
    int width = 0, height = 0, x = gap, y = gap, rowHeight = 0;
    std::vector<Point> places;
    for (const Surface* picture : pictures) {
        const int w = picture->width() * scale;
        if (x + w + gap > maxWidth && x > gap) {
            x = gap;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        places.push_back({x, y});
        x += w + gap;
        rowHeight = std::max(rowHeight, picture->height() * scale);
        width = std::max(width, x);
        height = std::max(height, y + rowHeight + gap);
    }
    Surface sheet(width, height, rgb(0x6E, 0x76, 0x80));
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        const Surface& picture = *pictures[index];
        for (int py = 0; py < picture.height(); ++py)
            for (int px = 0; px < picture.width(); ++px) {
                const Argb pixel = picture.pixel(px, py);
                const Argb shown = alphaOf(pixel) == 0xFF
                                       ? pixel
                                       : mix(rgb(0xFF, 0x00, 0xFF), opaque(pixel), alphaOf(pixel) / 255.0);
                sheet.fill(
                    Rect::fromSize(places[index].x + px * scale, places[index].y + py * scale, scale, scale),
                    shown);
            }
    }
    return save(sheet, path);
}

// ---- output ---------------------------------------------------------------------

struct Resource {
    const char* kind;
    unsigned id;
    const char* file;
    const Surface* picture;
};

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/velmoraui/res";
    Pictures art;
    art.lampLit = drawLamp(layout::kLampSize, true, kGreenLamp);
    art.lampDark = drawLamp(layout::kLampSize, false, kGreenLamp);
    art.font = drawFont();
    art.meterLit = drawMeter(layout::kMeterHeight, true);
    art.meterDark = drawMeter(layout::kMeterHeight, false);
    art.masterMeterLit = drawMeter(layout::kMasterMeterHeight, true);
    art.masterMeterDark = drawMeter(layout::kMasterMeterHeight, false);
    art.faderThumb = drawFaderThumb(layout::kFaderThumb.width, layout::kFaderThumb.height);
    art.masterThumb = drawFaderThumb(layout::kMasterThumb.width, layout::kMasterThumb.height);
    art.panThumb = drawPanThumb();
    art.main = drawMainWindow(art.lampDark);
    art.console = drawConsole(art.lampDark);
    if (!checkConsolePlaces(art.console.skin))
        return 1;
    stampConsoleControls(art.console, art.meterDark, art.masterMeterDark);
    const Surface selectionAreas = drawSelectionAreas();
    const Surface icon = drawProgramIcon(32);

    const Resource resources[] = {
        {"bitmap", layout::kMainSkinBitmap, "main-skin.png", &art.main.skin},
        {"bitmap", layout::kMainMaskBitmap, "main-mask.png", &art.main.mask},
        {"bitmap", layout::kConsoleSkinBitmap, "console-skin.png", &art.console.skin},
        {"bitmap", layout::kConsoleMaskBitmap, "console-mask.png", &art.console.mask},
        {"bitmap", layout::kMenuButtonBitmap, "menu-button.png", &art.main.menuButton},
        {"bitmap", layout::kConsoleButtonBitmap, "console-button.png", &art.main.consoleButton},
        {"bitmap", layout::kCloseButtonBitmap, "close-button.png", &art.main.closeButton},
        {"bitmap", layout::kMinimiseButtonBitmap, "minimise-button.png", &art.main.minimiseButton},
        {"bitmap", layout::kLampLitBitmap, "lamp-lit.png", &art.lampLit},
        {"bitmap", layout::kLampDarkBitmap, "lamp-dark.png", &art.lampDark},
        {"bitmap", layout::kSelectionAreasBitmap, "selection-areas.png", &selectionAreas},
        {"bitmap", layout::kInputDisplayBitmap, "input-display.png", &art.main.inputDisplay},
        {"bitmap", layout::kOutputDisplayBitmap, "output-display.png", &art.main.outputDisplay},
        {"bitmap", layout::kEffectDisplayBitmap, "effect-display.png", &art.main.effectDisplay},
        {"bitmap", layout::kFontBitmap, "font.png", &art.font},
        {"bitmap", layout::kKnobStripBitmap, "knob-strip.png", &art.console.knobStrip},
        {"bitmap", layout::kFaderBitmap, "fader.png", &art.console.fader},
        {"bitmap", layout::kFaderThumbBitmap, "fader-thumb.png", &art.faderThumb},
        {"bitmap", layout::kMeterLitBitmap, "meter-lit.png", &art.meterLit},
        {"bitmap", layout::kMeterDarkBitmap, "meter-dark.png", &art.meterDark},
        {"bitmap", layout::kMasterFaderLeftBitmap, "master-fader-left.png", &art.console.masterLeft},
        {"bitmap", layout::kMasterFaderRightBitmap, "master-fader-right.png", &art.console.masterRight},
        {"bitmap", layout::kMasterThumbBitmap, "master-thumb.png", &art.masterThumb},
        {"bitmap", layout::kMasterMeterLitBitmap, "master-meter-lit.png", &art.masterMeterLit},
        {"bitmap", layout::kMasterMeterDarkBitmap, "master-meter-dark.png", &art.masterMeterDark},
        {"bitmap", layout::kPanBitmap, "pan.png", &art.console.pan},
        {"bitmap", layout::kPanThumbBitmap, "pan-thumb.png", &art.panThumb},
        {"bitmap", layout::kMuteBitmap, "mute-button.png", &art.console.mute},
        {"bitmap", layout::kSoloBitmap, "solo-button.png", &art.console.solo},
        {"bitmap", layout::kPreFaderBitmap, "pre-fader-button.png", &art.console.preFader},
        {"bitmap", layout::kSelectBitmap, "select-button.png", &art.console.select},
        {"bitmap", layout::kLedPowerBitmap, "led-power-button.png", &art.console.ledPower},
        {"bitmap", layout::kAutoMixBitmap, "auto-mix-button.png", &art.console.autoMix},
        {"icon", layout::kIcon, "icon.png", &icon},
    };
    bool ok = true;
    std::string list =
        "# The user interface plug-in's pictures, drawn by tools/draw-velmoraui-artwork.cpp.\n";
    for (const Resource& resource : resources) {
        ok &= save(*resource.picture, folder + "/" + resource.file);
        char line[128];
        std::snprintf(line, sizeof line, "%-6s %-3u %s\n", resource.kind, resource.id, resource.file);
        list += line;
    }
    if (std::FILE* out = std::fopen((folder + "/resources.list").c_str(), "w")) {
        ok &= std::fputs(list.c_str(), out) >= 0;
        ok &= std::fclose(out) == 0;
    } else {
        ok = false;
    }
    if (argc > 2) {
        ok &= writePreview(art, argv[2]);
        std::vector<const Surface*> parts;
        for (const Resource& resource : resources)
            if (resource.picture->width() < 200 && resource.picture != &art.font)
                parts.push_back(resource.picture);
        // The font as a table of 16 glyphs a row.
        Surface glyphTable(16 * (layout::kFontFixedWidth + 2),
                           (layout::kFontGlyphs + 15) / 16 * (layout::kFontHeight + 2),
                           rgb(0x30, 0x30, 0x30));
        for (int index = 0; index < layout::kFontGlyphs; ++index)
            glyphTable.copyFrom(art.font, frameOf(index, layout::kFontFixedWidth, layout::kFontHeight),
                                index % 16 * (layout::kFontFixedWidth + 2) + 1,
                                index / 16 * (layout::kFontHeight + 2) + 1);
        parts.push_back(&glyphTable);
        ok &= writeSheet(parts, std::string(argv[2]) + "/preview-parts.png");
    }
    return ok ? 0 : 1;
}
