// Draws the wave file player's main window pictures into plugins/tindle/res/
// and writes their main.list: the window's skin and mask, the buttons and
// switches of a channel strip, the title field, the display's screen, the
// pre-recorder, help and close buttons, the icon and the cursor. Every
// position and size comes from plugins/tindle/Layout.h. Controls are blitted
// without blending, so each control picture is cut from the skin behind it
// (strip 0's; the strips' panels are alike) before the control is drawn on
// it. Run it from the source folder:
//   build/tools/draw-tindle-artwork [res folder, plugins/tindle/res by default]
//                                   [preview folder: the window assembled, at twice the size]
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "plugins/tindle/Layout.h"
#include "tools/TindleArtworkKit.h"

using namespace artwork;
namespace layout = tindle;

namespace {

Rect stripRect(const layout::Box& box, int strip)
{
    return rectOf(layout::inStrip(box, strip));
}

// ---- colours of this plug-in's own ----------------------------------------------

const Argb kPlayColour = rgb(0x3C, 0xCC, 0x5C);
const Argb kPauseColour = rgb(0xF0, 0xA8, 0x30);
const Argb kSyncColour = rgb(0x4C, 0xA2, 0xFF);
const Argb kLoopColour = rgb(0xF0, 0xA8, 0x30);

// ---- symbols on the buttons --------------------------------------------------------

// Eject: a triangle pointing up over a bar.
FaceContent ejectSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + face.width() / 2.0;
        const double cy = face.top + face.height() / 2.0;
        coverSampled(
            image, face.left, face.top, face.right - 1, face.bottom - 1,
            [&](double x, double y) {
                return y >= cy - 5.0 && y <= cy + 0.5 && std::abs(x - cx) <= (y - cy + 5.0);
            },
            [ink](int, int) { return ink; });
        fillRoundRect(image,
                      {static_cast<int>(cx) - 5, static_cast<int>(cy) + 2, static_cast<int>(cx) + 6,
                       static_cast<int>(cy) + 4},
                      0.5, ink);
    };
}

FaceContent playSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + face.width() / 2.0 + 0.5;
        const double cy = face.top + face.height() / 2.0;
        coverSampled(
            image, face.left, face.top, face.right - 1, face.bottom - 1,
            [&](double x, double y) {
                return x >= cx - 3.5 && x <= cx + 4.5 && std::abs(y - cy) <= (cx + 4.5 - x) * 0.62;
            },
            [ink](int, int) { return ink; });
    };
}

FaceContent pauseSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const int cx = face.left + face.width() / 2;
        const int cy = face.top + face.height() / 2;
        fillRoundRect(image, {cx - 4, cy - 4, cx - 1, cy + 5}, 0.5, ink);
        fillRoundRect(image, {cx + 1, cy - 4, cx + 4, cy + 5}, 0.5, ink);
    };
}

// A small "i" on the properties button.
FaceContent infoSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + face.width() / 2.0;
        fillDisc(image, cx, face.top + 1.2, 0.9, ink);
        fillRoundRect(image, {static_cast<int>(cx) - 1, face.top + 3, static_cast<int>(cx) + 1, face.bottom},
                      0.3, ink);
    };
}

// ---- fields and the display ---------------------------------------------------------

// The title's black field with a hairline rim.
Surface drawTitleField()
{
    const layout::Box box = layout::kTitleField;
    Surface image(box.width, box.height, rgb(0x02, 0x03, 0x04));
    Painter p(image);
    p.frameRect(image.bounds(), rgb(0x12, 0x15, 0x19));
    return image;
}

// One mono display's height of dark green screen with a faint dotted grid,
// twice: a stereo picture takes both halves.
Surface drawDisplay()
{
    const int width = layout::kDisplay.width;
    const int height = layout::kDisplay.height;
    Surface image(width, height * 2);
    Painter p(image);
    for (int half = 0; half < 2; ++half) {
        const Rect area{0, half * height, width, (half + 1) * height};
        fillGradient(p, area, kScreenTop, kScreenBottom);
        for (int column = 1; column < 10; ++column) {
            const int x = width * column / 10;
            for (int y = area.top + 1; y < area.bottom; y += 2)
                image.setPixel(x, y, kScreenGrid);
        }
        for (const int y : {area.top + height / 4, area.top + 3 * height / 4})
            for (int x = 1; x < width; x += 2)
                image.setPixel(x, y, kScreenGrid);
    }
    return image;
}

// ---- the window -------------------------------------------------------------------

struct WindowArt {
    Surface skin;
    Surface mask;
    Surface titleField;
    Surface display;
    Surface openButton;
    Surface closeFileButton;
    Surface playButton;
    Surface pauseButton;
    Surface syncButton;
    Surface loopButton;
    Surface propertiesButton;
    Surface preRecorderButton;
    Surface helpButton;
    Surface closeButton;
};

// The channel's number in a small dark housing.
void drawBadge(Surface& skin, int strip)
{
    const Rect area = stripRect(layout::kChannelBadge, strip);
    drawPlate(skin, area, 3.0, kLampHousing);
    Painter p(skin);
    const TextStyle style{font("DejaVu Sans", -10, kWeightBold), kInputAccent, 0, kTextShadow};
    drawText(p, style, area, std::to_string(strip + 1));
}

void drawStrip(Surface& skin, int strip)
{
    drawPlate(skin, stripRect(layout::kStripPanel, strip), 4.0, kStripPanel);
    drawBadge(skin, strip);
    frameSunken(skin, stripRect(layout::kTitleField, strip));
    const Rect display = stripRect(layout::kDisplay, strip);
    drawPlate(skin, display.inflatedBy(3, 3), 3.0, kLampHousing);
    frameSunken(skin, display);
    // Under the display an empty channel's colour, as the window paints it.
    skin.fill(display, layout::kEmptyDisplayColour);
}

// Every strip must have the same panel behind its controls, which are cut from strip 0's.
bool sameBehindEveryStrip(const Surface& skin)
{
    const layout::Box controls[] = {layout::kOpenButton,      layout::kCloseFileButton, layout::kPlayButton,
                                    layout::kPauseButton,     layout::kSyncButton,      layout::kLoopButton,
                                    layout::kPropertiesButton};
    for (const layout::Box& box : controls)
        for (int strip = 1; strip < 4; ++strip)
            if (!crop(skin, stripRect(box, 0)).samePixels(crop(skin, stripRect(box, strip)))) {
                std::fprintf(stderr, "strip %d differs from strip 0 behind a control at %d, %d\n", strip,
                             box.x, box.y);
                return false;
            }
    return true;
}

WindowArt drawWindow()
{
    WindowArt art;
    const int width = layout::kWindowWidth;
    const int height = layout::kWindowHeight;
    Surface skin(width, height, kOutline);
    drawPlate(skin, skin.bounds(), layout::kCornerRadius, kCasing);
    for (const auto& [x, y] :
         {std::pair{9.5, 9.5}, {width - 9.5, 9.5}, {9.5, height - 9.5}, {width - 9.5, height - 9.5}})
        drawScrew(skin, x, y);
    drawTitleStrip(skin, rectOf(layout::kTitle), "FENNET", kInputAccent, layout::kPreRecorderButton.x - 8);

    drawPlate(skin, rectOf(layout::kStripsWell), 4.0, kWell);
    for (int strip = 0; strip < 4; ++strip)
        drawStrip(skin, strip);

    art.titleField = drawTitleField();
    art.display = drawDisplay();
    // Buttons are cut from the finished panel.
    art.openButton = drawButton(skin, rectOf(layout::kOpenButton), ejectSymbol());
    art.closeFileButton = drawButton(skin, rectOf(layout::kCloseFileButton), closeSymbol());
    art.playButton = drawButton(skin, rectOf(layout::kPlayButton), playSymbol(), kPlayColour);
    art.pauseButton = drawButton(skin, rectOf(layout::kPauseButton), pauseSymbol(), kPauseColour);
    art.syncButton = drawSwitch(skin, rectOf(layout::kSyncButton), "SYNC", kSyncColour);
    art.loopButton = drawSwitch(skin, rectOf(layout::kLoopButton), "LOOP", kLoopColour);
    art.propertiesButton = drawButton(skin, rectOf(layout::kPropertiesButton), infoSymbol());
    art.preRecorderButton =
        drawButton(skin, rectOf(layout::kPreRecorderButton), transportLabel("PRE-REC", Transport::Record));
    art.helpButton = drawButton(skin, rectOf(layout::kHelpButton), label("?", 10));
    art.closeButton = drawButton(skin, rectOf(layout::kCloseButton), closeSymbol());

    // The title fields and the buttons that are always there belong to the
    // skin; a strip's buttons do not, as the right channel of a pair hides them.
    for (int strip = 0; strip < 4; ++strip) {
        const Rect field = stripRect(layout::kTitleField, strip);
        skin.copyFrom(art.titleField, art.titleField.bounds(), field.left, field.top);
    }
    showFirstFrame(skin, art.preRecorderButton, rectOf(layout::kPreRecorderButton));
    showFirstFrame(skin, art.helpButton, rectOf(layout::kHelpButton));
    showFirstFrame(skin, art.closeButton, rectOf(layout::kCloseButton));

    art.skin = std::move(skin);
    art.mask = drawMask(width, height, layout::kCornerRadius);
    return art;
}

// ---- icon ------------------------------------------------------------------------------

// A waveform between two reels' worth of tape: green bars on a graphite tile.
Surface drawIcon()
{
    Surface image = drawIconTile();
    fillRoundRect(image, {5, 8, 27, 24}, 2.0, rgb(0x04, 0x09, 0x07));
    const double heights[] = {2, 4, 7, 5, 6.5, 3, 5.5, 7, 4, 2.5};
    for (int bar = 0; bar < 10; ++bar) {
        const double x = 7.0 + bar * 2.0;
        strokeLine(image, x, 16.0 - heights[bar], x, 16.0 + heights[bar], 1.3, rgb(0x5C, 0xD6, 0x7A));
    }
    strokeLine(image, 18.5, 9.0, 18.5, 23.0, 1.0, rgb(0xFF, 0xD3, 0x7A));
    return image;
}

// ---- preview ------------------------------------------------------------------------

// The window with a stereo file in channels 1 and 2 (playing) and a mono one
// in channel 3, pictures made up.
bool writePreview(const WindowArt& art, const std::string& folder)
{
    Surface window = art.skin.clone();
    auto frame = [&window](const Surface& frames, const layout::Box& box, int strip, int index) {
        const layout::Box at = layout::inStrip(box, strip);
        window.copyFrom(frames, frameOf(index, box.width, box.height), at.x, at.y);
    };
    const char* titles[] = {"Drum Loop.wav", "Drum Loop.wav [right]", "Bass Line.wav", "audio track 4"};
    Painter p(window);
    const TextStyle ink{font("DejaVu Sans Condensed", -9, kWeightBold), layout::kTitleInk, 0, 0};
    for (int strip = 0; strip < 4; ++strip) {
        const bool right = strip == 1;
        const bool loaded = strip < 3;
        const bool playing = strip < 2;
        if (!right) {
            frame(art.openButton, layout::kOpenButton, strip, 0);
            frame(art.closeFileButton, layout::kCloseFileButton, strip, loaded ? 0 : 1);
            frame(art.playButton, layout::kPlayButton, strip, playing ? 4 : loaded ? 0 : 1);
            frame(art.pauseButton, layout::kPauseButton, strip, playing ? 0 : 1);
            frame(art.syncButton, layout::kSyncButton, strip, 0);
            frame(art.loopButton, layout::kLoopButton, strip, strip == 0 ? 4 : 0);
        }
        const Rect text =
            rectOf(layout::kTitleText)
                .offsetBy(layout::kTitleField.x, layout::kTitleField.y + strip * layout::kStripPitch);
        drawText(p, ink, text, titles[strip], Align::Left);
        if (!loaded)
            continue;
        const Rect display = stripRect(layout::kDisplay, strip);
        window.copyFrom(art.display, {0, 0, display.width(), display.height()}, display.left, display.top);
        const int centre = display.top + display.height() / 2;
        p.fillRect({display.left, centre, display.right, centre + 1}, layout::kCentreLineColour);
        for (int x = 0; x < display.width(); ++x) {
            const double envelope = 0.35 + 0.65 * std::abs(std::sin(x * (strip == 2 ? 0.05 : 0.11)));
            const int value = static_cast<int>(12.0 * envelope * (0.6 + 0.4 * std::sin(x * 1.7 + strip)));
            p.fillRect({display.left + x, centre - value, display.left + x + 1, centre + value + 1},
                       layout::kWaveColour);
        }
        if (playing)
            p.fillRect({display.left + 140, display.top, display.left + 141, display.bottom},
                       layout::kCursorColour);
        if (!right)
            frame(art.propertiesButton, layout::kPropertiesButton, strip, 0);
    }
    return save(presented(window, art.mask), folder + "/preview-window.png");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/tindle/res";
    const WindowArt art = drawWindow();
    if (!sameBehindEveryStrip(art.skin))
        return 1;
    const Surface icon = drawIcon();
    const Surface cursor = drawArrowCursor();

    bool ok = writeResources(
        folder, "main.list", "The player's main window pictures, drawn by tools/draw-tindle-artwork.cpp.",
        {
            {"bitmap", layout::kSkinBitmap, "skin.png", &art.skin},
            {"bitmap", layout::kMaskBitmap, "mask.png", &art.mask},
            {"bitmap", layout::kTitleFieldBitmap, "title-field.png", &art.titleField},
            {"bitmap", layout::kDisplayBitmap, "display.png", &art.display},
            {"bitmap", layout::kOpenButtonBitmap, "open-button.png", &art.openButton},
            {"bitmap", layout::kCloseFileButtonBitmap, "close-file-button.png", &art.closeFileButton},
            {"bitmap", layout::kPlayButtonBitmap, "play-button.png", &art.playButton},
            {"bitmap", layout::kPauseButtonBitmap, "pause-button.png", &art.pauseButton},
            {"bitmap", layout::kSyncButtonBitmap, "sync-button.png", &art.syncButton},
            {"bitmap", layout::kLoopButtonBitmap, "loop-button.png", &art.loopButton},
            {"bitmap", layout::kPropertiesButtonBitmap, "properties-button.png", &art.propertiesButton},
            {"bitmap", layout::kPreRecorderButtonBitmap, "pre-recorder-button.png", &art.preRecorderButton},
            {"bitmap", layout::kHelpButtonBitmap, "help-button.png", &art.helpButton},
            {"bitmap", layout::kCloseButtonBitmap, "close-button.png", &art.closeButton},
            {"icon", layout::kIcon, "icon.png", &icon},
            {"cursor", layout::kCursor, "cursor.png", &cursor, " 1 1"},
        });
    if (argc > 2)
        ok &= writePreview(art, argv[2]);
    return ok ? 0 : 1;
}
