// Draws the reverb's pictures into plugins/halvern/res/ and writes their
// resources.list: the window's skin and mask, the delay knob's strip, the
// bypass button, the icon and the cursor. Every position and size comes from
// plugins/halvern/Layout.h. Controls are blitted without blending, so each
// control picture is cut from the skin behind it before the control is drawn
// on it. Run it from the source folder:
//   build/tools/draw-halvern-artwork [res folder, plugins/halvern/res by default]
//                                    [preview folder: the window assembled, at twice the size]
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "plugins/halvern/Layout.h"
#include "tools/SkinKit.h"

using namespace artwork;
namespace layout = halvern;

namespace {

// The bypass button lit while the effect is out of the sound.
const Argb kBypassColour = rgb(0xE8, 0x50, 0x3A);
// As the window's text display draws its value.
const Argb kDisplayGreen = rgb(0x00, 0xFF, 0x00);

// ---- the echo's diagram ------------------------------------------------------------

// Heights of a sound and its echoes at the default feedback of 50 %.
constexpr double kPulseHeights[] = {30.0, 15.0, 7.5, 3.75, 1.9};

// A sound and its fading repeats on a time line, engraved in the well: the
// gap between two pulses is the delay (the knob beside it), their fall the
// feedback (the mixer's effect knob).
void drawEchoDiagram(Surface& skin, const Rect& well)
{
    Painter p(skin);
    const int baseline = well.bottom - 15;
    const int left = well.left + 14;
    const int spacing = 23;
    p.fillRect({well.left + 8, baseline, well.right - 8, baseline + 1}, kRule);
    // The fall of the echoes: a dotted curve over the pulses' tops.
    for (double x = left; x <= left + spacing * 4.6; x += 3.0) {
        const double height = kPulseHeights[0] * std::pow(0.5, (x - left) / spacing);
        fillDisc(skin, x, baseline - height - 2.5, 0.55, kCaptionDim);
    }
    for (std::size_t index = 0; index < std::size(kPulseHeights); ++index) {
        const double x = left + spacing * static_cast<double>(index);
        const double top = baseline - kPulseHeights[index];
        const Argb colour = index == 0 ? kCaption : mix(kEffectAccent, kWellFace, 0.16 * double(index - 1));
        strokeLine(skin, x, top, x, baseline - 0.5, 2.2, colour);
        fillDisc(skin, x, top, 1.6, colour);
    }
    // The delay: a span from the sound to its first echo, named beside it.
    const int spanY = baseline + 6;
    const double spanLeft = left + 1.5;
    const double spanRight = left + spacing - 1.5;
    strokeLine(skin, spanLeft, spanY, spanRight, spanY, 0.9, kEffectAccent);
    for (const double x : {spanLeft, spanRight})
        strokeLine(skin, x, spanY - 2.5, x, spanY + 2.5, 0.9, kEffectAccent);
    drawText(p, smallStyle(kEffectAccent), {left + spacing + 4, spanY - 5, well.right - 8, spanY + 5}, "DELAY",
             Align::Left);
    // The feedback over the fall, where the curve is low.
    const Rect feedback{left + spacing * 2 + 4, well.top + 20, well.right - 8, well.top + 29};
    drawText(p, smallStyle(kCaption), feedback, "FEEDBACK", Align::Right);
    drawText(p, smallStyle(), feedback.offsetBy(0, 9), "ON THE MIXER", Align::Right);
}

// ---- the delay's knob -------------------------------------------------------------

// Marks around the knob at each of its frames' positions, the ends brighter.
void drawKnobScale(Surface& skin, const Rect& knob)
{
    const double cx = knob.left + knob.width() / 2.0;
    const double cy = knob.top + knob.height() / 2.0;
    for (int index = 0; index < layout::kKnobFrames; ++index) {
        const double radians = (135.0 + 27.0 * index) * M_PI / 180.0;
        const bool end = index == 0 || index == layout::kKnobFrames - 1;
        const double inner = 15.2;
        const double outer = end ? 17.6 : 16.8;
        strokeLine(skin, cx + std::cos(radians) * inner, cy + std::sin(radians) * inner,
                   cx + std::cos(radians) * outer, cy + std::sin(radians) * outer, end ? 1.2 : 0.9,
                   end ? kTickUnity : kTick);
    }
}

// The bypass button's name, set close to fit its face.
FaceContent bypassFace()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        Painter p(image);
        drawText(p, {font("DejaVu Sans", -7, kWeightBold), ink, 0, 0}, face, "BYPASS");
    };
}

// ---- the window -------------------------------------------------------------------

struct WindowArt {
    Surface skin;
    Surface mask;
    Surface knobStrip;
    Surface bypassButton;
};

WindowArt drawWindow()
{
    WindowArt art;
    const int width = layout::kWindowWidth;
    const int height = layout::kWindowHeight;
    Surface skin(width, height, kOutline);
    drawPlate(skin, skin.bounds(), layout::kCornerRadius, kCasing);
    const Rect title = rectOf(layout::kTitle);
    drawTitleStrip(skin, title, "HALVERN", kEffectAccent, title.right);

    // The band of the bypass button: the effect's name, and a rule on either side of the button.
    const Rect header = rectOf(layout::kHeader);
    const Rect bypass = rectOf(layout::kBypassButton);
    drawGroupCaption(skin, {header.left, header.top, bypass.left - 6, header.bottom}, "REVERB",
                     kEffectAccent);
    {
        Painter p(skin);
        const int middle = header.top + header.height() / 2;
        p.fillRect({bypass.right + 6, middle, header.right, middle + 1}, kRule);
    }

    const Rect echoWell = rectOf(layout::kEchoWell);
    drawPlate(skin, echoWell, 4.0, kWell);
    drawGroupCaption(skin, {echoWell.left + 8, echoWell.top + 4, echoWell.right - 8, echoWell.top + 16}, "ECHO",
                     kEffectAccent);
    drawEchoDiagram(skin, echoWell);

    const Rect delayWell = rectOf(layout::kDelayWell);
    drawPlate(skin, delayWell, 4.0, kWell);
    drawKnobScale(skin, rectOf(layout::kKnob));
    {
        Painter p(skin);
        const Rect caption = rectOf(layout::kDelayCaption);
        drawText(p, captionStyle(), caption, "DELAY", Align::Left);
        drawText(p, smallStyle(), caption.offsetBy(0, 10), "0-1 s", Align::Left);
    }
    frameSunken(skin, rectOf(layout::kDisplay));

    // Controls are cut from the finished panel, then shown on it.
    art.knobStrip = drawKnobStrip(crop(skin, rectOf(layout::kKnob)), layout::kKnobFrames, kEffectAccent);
    art.bypassButton = drawButton(skin, bypass, bypassFace(), kBypassColour);
    skin.copyFrom(art.knobStrip, {0, 0, layout::kKnob.width, layout::kKnob.height}, layout::kKnob.x,
                  layout::kKnob.y);
    skin.copyFrom(art.bypassButton, frameOf(0, bypass.width(), bypass.height()), bypass.left, bypass.top);

    art.skin = std::move(skin);
    art.mask = drawMask(width, height, layout::kCornerRadius);
    return art;
}

// ---- icon and cursor ----------------------------------------------------------------

// A sound and its fading echoes, on a graphite tile.
Surface drawIcon()
{
    Surface image = drawIconTile();
    const int baseline = 24;
    for (std::size_t index = 0; index < 4; ++index) {
        const double x = 8.0 + 5.5 * static_cast<double>(index);
        const double height = kPulseHeights[index] * 0.5;
        const Argb colour = index == 0 ? rgb(0xE2, 0xE5, 0xE9) : kEffectAccent;
        strokeLine(image, x, baseline - height, x, baseline, 2.6, colour);
    }
    fillRoundRect(image, {6, baseline + 1, 27, baseline + 2}, 0.5, rgb(0x86, 0x8C, 0x95));
    return image;
}

// ---- preview ------------------------------------------------------------------------

// The window as the user sees it: the knob at 350 ms, the bypass up.
bool writePreview(const WindowArt& art, const std::string& folder)
{
    Surface window = art.skin.clone();
    const int frame = 350 * (layout::kKnobFrames - 1) / 1000;
    window.copyFrom(art.knobStrip, Rect::fromSize(frame * layout::kKnob.width, 0, layout::kKnob.width,
                                                  layout::kKnob.height),
                    layout::kKnob.x, layout::kKnob.y);
    const Rect display = rectOf(layout::kDisplay);
    Painter p(window);
    p.fillRect(display, kBlack);
    p.drawEdge(display, kEdgeSunken, kSidesRect);
    p.setTextColour(kDisplayGreen);
    p.setBackgroundMode(BackgroundMode::Transparent);
    p.drawText("350ms", display, kTextCentre | kTextVCentre | kTextSingleLine);
    return save(presented(window, art.mask), folder + "/preview-window.png");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/halvern/res";
    const WindowArt art = drawWindow();
    const Surface icon = drawIcon();
    const Surface cursor = drawArrowCursor();

    bool ok = writeResources(folder, "resources.list",
                             "The reverb's pictures, drawn by tools/draw-halvern-artwork.cpp.",
                             {
                                 {"bitmap", layout::kSkinBitmap, "skin.png", &art.skin, ""},
                                 {"bitmap", layout::kMaskBitmap, "mask.png", &art.mask, ""},
                                 {"bitmap", layout::kKnobStripBitmap, "knob-strip.png", &art.knobStrip, ""},
                                 {"bitmap", layout::kBypassButtonBitmap, "bypass-button.png", &art.bypassButton, ""},
                                 {"icon", layout::kIcon, "icon.png", &icon, ""},
                                 {"cursor", layout::kCursor, "cursor.png", &cursor, " 1 1"},
                             });
    if (argc > 2)
        ok &= writePreview(art, argv[2]);
    return ok ? 0 : 1;
}
