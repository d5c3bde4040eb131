// Draws the distortion's pictures into plugins/velmorizer/res/ and writes
// their resources.list: the window's skin and mask, the three knob strips,
// the lamp, the on switch off and on, the icon and the cursor. Every position
// and size comes from plugins/velmorizer/Layout.h. Controls are blitted
// without blending, so each control picture is cut from the skin behind it
// before the control is drawn on it. Run it from the source folder:
//   build/tools/draw-velmorizer-artwork [res folder, plugins/velmorizer/res by default]
//                                       [preview folder: the window assembled, at twice the size]
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "plugins/velmorizer/Layout.h"
#include "tools/SkinKit.h"

using namespace artwork;
namespace layout = velmorizer;

namespace {

// The on lamp glows in the effects' amber.
const LampColours kAmberLamp{rgb(0xC8, 0x78, 0x12), rgb(0xFF, 0xB4, 0x3C), rgb(0xFF, 0xE8, 0xB8),
                             rgb(0x2C, 0x1D, 0x08), rgb(0x42, 0x2B, 0x0D)};
const Argb kDisplayInk = rgb(0x00, 0xFF, 0x00); // as the text displays draw their values

// A sine wave flattened at the top and bottom, the effect's sign, across area.
void drawClippedWave(Surface& image, const Rect& area, double thickness, Argb colour)
{
    const double middle = area.top + area.height() / 2.0;
    const double swing = area.height() * 0.62;
    const double limit = area.height() / 2.0 - thickness / 2.0;
    const int steps = 48;
    auto at = [&](int step) {
        const double t = double(step) / steps;
        const double level = std::clamp(std::sin(t * 2.0 * M_PI) * swing, -limit, limit);
        return std::pair{area.left + t * area.width(), middle - level};
    };
    for (int step = 0; step < steps; ++step) {
        const auto [x0, y0] = at(step);
        const auto [x1, y1] = at(step + 1);
        strokeLine(image, x0, y0, x1, y1, thickness, colour);
    }
}

// ---- the switch --------------------------------------------------------------------

// The switch's face: the wave sign, "DISTORTION" and the state it is in.
FaceContent powerFace(std::string state)
{
    return [state = std::move(state)](Surface& image, const Rect& face, Argb ink) {
        const int signLeft = face.left + 16;
        drawClippedWave(image, {signLeft, face.top + 15, signLeft + 30, face.bottom - 15}, 2.2, ink);
        Painter p(image);
        const TextStyle name{font("DejaVu Sans", -13, kWeightBold), ink, 2, 0};
        const TextStyle small{font("DejaVu Sans", -8, kWeightBold), ink, 2, 0};
        const Rect text{signLeft + 36, face.top, face.right - 10, face.bottom};
        const int middle = face.top + face.height() / 2;
        drawText(p, name, {text.left, middle - 15, text.right, middle + 3}, "DISTORTION");
        drawText(p, small, {text.left, middle + 5, text.right, middle + 15}, state);
    };
}

// A push button's four frames stacked over the skin at place, lit when on.
Surface drawPowerSwitch(const Surface& skin, const Rect& place, bool on)
{
    Surface image(place.width(), place.height() * layout::kSwitchFrames);
    for (int index = 0; index < layout::kSwitchFrames; ++index) {
        Surface frame = crop(skin, place);
        drawButtonFrame(frame, kButtonStates[static_cast<std::size_t>(index)], powerFace(on ? "ON" : "OFF"),
                        on ? kEffectAccent : 0);
        image.copyFrom(frame, frame.bounds(), 0, index * place.height());
    }
    return image;
}

// ---- the window -------------------------------------------------------------------

struct WindowArt {
    Surface skin;
    Surface mask;
    Surface gainStrip;
    Surface cutoffStrip;
    Surface driveStrip;
    Surface lampLit;
    Surface lampDark;
    Surface switchOff;
    Surface switchOn;
};

// The title strip without its rule (which would end as soon as it began),
// centred along the bottom: drawn once on its own to measure it.
void drawTitle(Surface& skin)
{
    constexpr char kName[] = "VELMORIZER";
    const layout::Box& box = layout::kTitle;
    Surface scratch(box.width, box.height, 0);
    drawTitleStrip(scratch, scratch.bounds(), kName, kEffectAccent, 0);
    int drawn = 0;
    for (int y = 0; y < scratch.height(); ++y)
        for (int x = 0; x < scratch.width(); ++x)
            if (alphaOf(scratch.pixel(x, y)) != 0)
                drawn = std::max(drawn, x + 1);
    const int left = box.x + (box.width - drawn) / 2;
    drawTitleStrip(skin, Rect::fromSize(left, box.y, box.width, box.height), kName, kEffectAccent, 0);
}

// A knob's seat in the well, its display's frame and its caption below.
void drawKnobPlace(Surface& skin, const layout::Box& knob, std::string_view caption)
{
    const double cx = knob.x + knob.width / 2.0;
    const double cy = knob.y + knob.height / 2.0;
    fillDisc(skin, cx, cy + 0.8, knob.width / 2.0 - 0.5, argb(0x60, 0x00, 0x00, 0x00));
    frameSunken(skin, rectOf(layout::displayUnder(knob)));
    Painter p(skin);
    drawText(p, captionStyle(),
             {knob.x - 6, layout::kCaptionTop, knob.x + knob.width + 6,
              layout::kCaptionTop + layout::kCaptionHeight},
             caption);
}

WindowArt drawWindow()
{
    WindowArt art;
    const int width = layout::kWindowWidth;
    const int height = layout::kWindowHeight;
    Surface skin(width, height, kOutline);
    drawPlate(skin, skin.bounds(), layout::kCornerRadius, kCasing);
    for (const double x : {9.5, width - 9.5})
        drawScrew(skin, x, height - 9.5);

    drawPlate(skin, rectOf(layout::kKnobWell), 4.0, kWell);
    drawKnobPlace(skin, layout::kGainKnob, "GAIN");
    drawKnobPlace(skin, layout::kCutoffKnob, "CUTOFF");
    drawKnobPlace(skin, layout::kDriveKnob, "DRIVE");

    // The lamp between the knobs and the switch, named on either side.
    art.lampLit = drawLamp(layout::kLamp.width, true, kAmberLamp);
    art.lampDark = drawLamp(layout::kLamp.width, false, kAmberLamp);
    const Rect lamp = rectOf(layout::kLamp);
    drawLampHousing(skin, lamp, art.lampDark);
    {
        Painter p(skin);
        const TextStyle style = smallStyle();
        drawText(p, style, {lamp.left - 60, lamp.top - 1, lamp.left - 6, lamp.bottom + 1}, "HARD CLIP",
                 Align::Right);
        drawText(p, style, {lamp.right + 6, lamp.top - 1, lamp.right + 60, lamp.bottom + 1}, "ON",
                 Align::Left);
    }
    // The switch sits in a shallow bay of its own.
    drawPlate(skin, rectOf(layout::kSwitch).inflatedBy(4, 4), 5.0, kWell);

    drawTitle(skin);

    // Controls are cut from the finished panel.
    art.gainStrip = drawKnobStrip(crop(skin, rectOf(layout::kGainKnob)), layout::kKnobFrames, kEffectAccent);
    art.cutoffStrip =
        drawKnobStrip(crop(skin, rectOf(layout::kCutoffKnob)), layout::kKnobFrames, kEffectAccent);
    art.driveStrip =
        drawKnobStrip(crop(skin, rectOf(layout::kDriveKnob)), layout::kKnobFrames, kEffectAccent);
    art.switchOff = drawPowerSwitch(skin, rectOf(layout::kSwitch), false);
    art.switchOn = drawPowerSwitch(skin, rectOf(layout::kSwitch), true);

    // The skin shows the controls as the window opens.
    auto showFrame = [&skin](const Surface& pictures, const layout::Box& box, const Rect& frame) {
        skin.copyFrom(pictures, frame, box.x, box.y);
    };
    const int size = layout::kGainKnob.width;
    showFrame(art.gainStrip, layout::kGainKnob, Rect::fromSize(0, 0, size, size));
    showFrame(art.cutoffStrip, layout::kCutoffKnob, Rect::fromSize(7 * size, 0, size, size));
    showFrame(art.driveStrip, layout::kDriveKnob, Rect::fromSize(0, 0, size, size));
    showFrame(art.switchOff, layout::kSwitch, frameOf(0, layout::kSwitch.width, layout::kSwitch.height));

    art.skin = std::move(skin);
    art.mask = drawMask(width, height, layout::kCornerRadius);
    return art;
}

// ---- icon ----------------------------------------------------------------------------

// The clipped wave on a graphite tile.
Surface drawIcon()
{
    Surface image = drawIconTile();
    drawClippedWave(image, {6, 9, 26, 23}, 2.4, kEffectAccent);
    return image;
}

// ---- preview ------------------------------------------------------------------------

// The window as a musician sets it: switched on, gain and cutoff turned up.
bool writePreview(const WindowArt& art, const std::string& folder)
{
    Surface window = art.skin.clone();
    const int size = layout::kGainKnob.width;
    auto knob = [&](const Surface& strip, const layout::Box& box, int frame, std::string_view text) {
        window.copyFrom(strip, Rect::fromSize(frame * size, 0, size, size), box.x, box.y);
        const Rect display = rectOf(layout::displayUnder(box));
        Painter p(window);
        p.fillRect(display, kBlack);
        drawText(p, {font("DejaVu Sans Condensed", -8, kWeightNormal), kDisplayInk, 0, 0}, display, text);
    };
    knob(art.gainStrip, layout::kGainKnob, 6, "+6.85dB");
    knob(art.cutoffStrip, layout::kCutoffKnob, 8, "82%");
    knob(art.driveStrip, layout::kDriveKnob, 3, "+15.56dB");
    window.copyFrom(art.lampLit, art.lampLit.bounds(), layout::kLamp.x, layout::kLamp.y);
    window.copyFrom(art.switchOn, frameOf(0, layout::kSwitch.width, layout::kSwitch.height),
                    layout::kSwitch.x, layout::kSwitch.y);
    return save(presented(window, art.mask), folder + "/preview-window.png");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/velmorizer/res";
    const WindowArt art = drawWindow();
    const Surface icon = drawIcon();
    const Surface cursor = drawArrowCursor();

    bool ok = writeResources(
        folder, "resources.list", "The distortion's pictures, drawn by tools/draw-velmorizer-artwork.cpp.",
        {
            {"bitmap", layout::kSkinBitmap, "skin.png", &art.skin, ""},
            {"bitmap", layout::kMaskBitmap, "mask.png", &art.mask, ""},
            {"bitmap", layout::kDriveStripBitmap, "drive-knob.png", &art.driveStrip, ""},
            {"bitmap", layout::kCutoffStripBitmap, "cutoff-knob.png", &art.cutoffStrip, ""},
            {"bitmap", layout::kGainStripBitmap, "gain-knob.png", &art.gainStrip, ""},
            {"bitmap", layout::kLampLitBitmap, "lamp-lit.png", &art.lampLit, ""},
            {"bitmap", layout::kLampDarkBitmap, "lamp-dark.png", &art.lampDark, ""},
            {"bitmap", layout::kSwitchOffBitmap, "switch-off.png", &art.switchOff, ""},
            {"bitmap", layout::kSwitchOnBitmap, "switch-on.png", &art.switchOn, ""},
            {"icon", layout::kIcon, "icon.png", &icon, ""},
            {"cursor", layout::kCursor, "cursor.png", &cursor, " 1 1"},
        });
    if (argc > 2)
        ok &= writePreview(art, argv[2]);
    return ok ? 0 : 1;
}
