// Draws the live input's pictures into plugins/quillan/res/ and writes their
// resources.list: the window's skin (with the fixed format and the lamps'
// captions) and mask, the sound card's name field, the about, mono/stereo,
// record and connect buttons, the two lamps lit and dark, the icon and the
// cursor. Every position and size comes from plugins/quillan/Layout.h.
// Controls are blitted without blending, so each control picture is cut from
// the skin behind it. Run it from the source folder:
//   build/tools/draw-quillan-artwork [res folder, plugins/quillan/res by default]
//                                    [preview folder: the window assembled, at twice the size]
#include <cmath>
#include <string>
#include <string_view>

#include "plugins/quillan/Layout.h"
#include "tools/SkinKit.h"

using namespace artwork;
namespace layout = quillan;

namespace {

// ---- colours of this plug-in's own ----------------------------------------------

const Argb kRecordRed = rgb(0xE8, 0x44, 0x38);
const Argb kFieldInk = rgb(0xFF, 0xB8, 0x45); // as the name field draws the card's name
const Argb kLcdTop = rgb(0x08, 0x14, 0x0C);
const Argb kLcdBottom = rgb(0x03, 0x08, 0x05);

// ---- the displays ----------------------------------------------------------------

// The sound card's field: black with a hairline rim, the menu's arrow at its
// right end past a thin divider.
Surface drawDeviceField()
{
    const layout::Box& box = layout::kDeviceDisplay;
    Surface image(box.width, box.height, rgb(0x02, 0x03, 0x04));
    Painter p(image);
    p.frameRect(image.bounds(), rgb(0x12, 0x15, 0x19));
    const int divider = layout::kDeviceText.x + layout::kDeviceText.width + 1;
    p.fillRect({divider, 3, divider + 1, box.height - 3}, rgb(0x24, 0x28, 0x2E));
    const double cx = (divider + box.width) / 2.0 + 0.5;
    const double cy = box.height / 2.0 + 0.5;
    coverSampled(
        image, divider + 1, 0, box.width - 1, box.height - 1,
        [&](double x, double y) {
            return y >= cy - 2.0 && y <= cy + 2.0 && std::abs(x - cx) <= (cy + 2.0 - y) * 1.1;
        },
        [](int, int) { return kFieldInk; });
    return image;
}

// The fixed format on a small green screen, drawn into the skin.
void drawFormatDisplay(Surface& skin)
{
    const Rect area = rectOf(layout::kFormatDisplay);
    drawPlate(skin, area.inflatedBy(2, 2), 3.0, kLampHousing);
    frameSunken(skin, area);
    Painter p(skin);
    fillGradient(p, area, kLcdTop, kLcdBottom);
    const TextStyle rate{font("DejaVu Sans Condensed", -10, kWeightBold), kInputAccent, 0, 0};
    const TextStyle bits{font("DejaVu Sans Condensed", -10, kWeightBold), mix(kInputAccent, kBlack, 0.3), 0,
                         0};
    const int split = area.left + area.width() * 56 / 100;
    drawText(p, rate, {area.left, area.top, split, area.bottom}, "44.1kHz");
    drawText(p, bits, {split, area.top, area.right, area.bottom}, "16bit");
    p.fillRect({split, area.top + 5, split + 1, area.bottom - 5}, rgb(0x14, 0x2A, 0x1A));
}

// ---- faces of the buttons ----------------------------------------------------------

// The record button: a red dot in a small dark well.
FaceContent recordSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + face.width() / 2.0;
        const double cy = face.top + face.height() / 2.0;
        fillDisc(image, cx, cy, 5.0, rgb(0x0B, 0x0C, 0x0E));
        // The disabled frame's ink is dimmed: the dot fades with it.
        fillDisc(image, cx, cy, 3.8, luminance(ink) < 0.5 ? mix(kRecordRed, kBlack, 0.55) : kRecordRed);
        fillDisc(image, cx - 1.2, cy - 1.3, 1.0, argb(0x90, 0xFF, 0xFF, 0xFF));
    };
}

// The connect button: an arrow running into the mixer's three faders.
FaceContent connectSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const double cy = face.top + face.height() / 2.0;
        const double left = face.left + face.width() / 2.0 - 13.5;
        strokeLine(image, left, cy, left + 8.0, cy, 1.6, ink);
        strokeLine(image, left + 5.0, cy - 3.0, left + 8.5, cy, 1.6, ink);
        strokeLine(image, left + 5.0, cy + 3.0, left + 8.5, cy, 1.6, ink);
        const int caps[] = {2, -3, 0};
        for (int fader = 0; fader < 3; ++fader) {
            const int x = static_cast<int>(left) + 14 + fader * 6;
            const int top = static_cast<int>(cy) - 6;
            fillRoundRect(image, {x, top, x + 2, top + 13}, 0.8, rgb(0x0B, 0x0C, 0x0E));
            const int cap = static_cast<int>(cy) + caps[fader];
            fillRoundRect(image, {x - 2, cap - 1, x + 4, cap + 2}, 0.8, ink);
        }
    };
}

// Eight frames of a toggle button at place: off with one face, on (lit) with another.
Surface drawToggle(const Surface& skin, const Rect& place, const FaceContent& off, const FaceContent& on,
                   Argb lit)
{
    Surface image(place.width(), place.height() * kToggleFrames);
    for (int index = 0; index < kToggleFrames; ++index) {
        const bool isOn = index >= kPushFrames;
        Surface frame = crop(skin, place);
        drawButtonFrame(frame, kButtonStates[static_cast<std::size_t>(index % kPushFrames)], isOn ? on : off,
                        isOn ? lit : 0);
        image.copyFrom(frame, frame.bounds(), 0, index * place.height());
    }
    return image;
}

// ---- the window -------------------------------------------------------------------

struct WindowArt {
    Surface skin;
    Surface mask;
    Surface deviceField;
    Surface aboutButton;
    Surface stereoButton;
    Surface recordButton;
    Surface connectButton;
    Surface readyLit;
    Surface readyDark;
    Surface recordingLit;
    Surface recordingDark;
};

// A small caption centred in area.
void caption(Surface& skin, const layout::Box& area, std::string_view text)
{
    Painter p(skin);
    drawText(p, smallStyle(kCaption), rectOf(area), text);
}

// Slots of a vent, centred at the bottom of the casing.
void drawVent(Surface& skin, int centreX, int top)
{
    for (int slot = -3; slot <= 3; ++slot) {
        const int x = centreX + slot * 9 - 3;
        fillRoundRect(skin, {x, top + 1, x + 6, top + 4}, 1.5, rgb(0x44, 0x49, 0x50));
        fillRoundRect(skin, {x, top, x + 6, top + 3}, 1.5, rgb(0x0B, 0x0C, 0x0E));
    }
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
    drawTitleStrip(skin, rectOf(layout::kTitle), "MR. DORVISH", kInputAccent,
                   layout::kTitle.x + layout::kTitle.width);
    drawVent(skin, width / 2, height - 17);

    drawPlate(skin, rectOf(layout::kWell), 4.0, kWell);
    drawGroupCaption(skin, rectOf(layout::kSoundCardCaption), "SOUND CARD", kInputAccent);
    drawGroupCaption(skin, rectOf(layout::kRecordingCaption), "RECORDING", kRecordRed);

    art.deviceField = drawDeviceField();
    frameSunken(skin, rectOf(layout::kDeviceDisplay));
    drawFormatDisplay(skin);

    art.readyLit = drawLamp(layout::kReadyLamp.width, true, kGreenLamp);
    art.readyDark = drawLamp(layout::kReadyLamp.width, false, kGreenLamp);
    art.recordingLit = drawLamp(layout::kRecordingLamp.width, true, kRedLamp);
    art.recordingDark = drawLamp(layout::kRecordingLamp.width, false, kRedLamp);
    drawLampHousing(skin, rectOf(layout::kReadyLamp), art.readyDark);
    drawLampHousing(skin, rectOf(layout::kRecordingLamp), art.recordingDark);
    caption(skin, layout::kReadyCaption, "READY");
    caption(skin, layout::kRecordingLampCaption, "RECORDING");
    caption(skin, layout::kRecordButtonCaption, "REC");
    caption(skin, layout::kConnectButtonCaption, "MIXER");

    // Buttons are cut from the finished panel, then shown on it.
    art.aboutButton = drawButton(skin, rectOf(layout::kAboutButton), label("INFO", 7));
    art.recordButton = drawButton(skin, rectOf(layout::kRecordButton), recordSymbol());
    art.stereoButton =
        drawToggle(skin, rectOf(layout::kStereoButton), switchFace("MONO", kInputAccent, false),
                   switchFace("STEREO", kInputAccent, true), mix(kInputAccent, kBlack, 0.25));
    art.connectButton = drawToggle(skin, rectOf(layout::kConnectButton), connectSymbol(), connectSymbol(),
                                   mix(kInputAccent, kBlack, 0.25));

    showFirstFrame(skin, art.deviceField, rectOf(layout::kDeviceDisplay));
    showFirstFrame(skin, art.aboutButton, rectOf(layout::kAboutButton));
    showFirstFrame(skin, art.recordButton, rectOf(layout::kRecordButton));
    showFirstFrame(skin, art.stereoButton, rectOf(layout::kStereoButton));
    showFirstFrame(skin, art.connectButton, rectOf(layout::kConnectButton));

    art.skin = std::move(skin);
    art.mask = drawMask(width, height, layout::kCornerRadius);
    return art;
}

// ---- the icon -----------------------------------------------------------------------

// A microphone on a graphite tile, its head in the input's green.
Surface drawIcon()
{
    Surface image = drawIconTile();
    const Argb metal = rgb(0xE2, 0xE5, 0xE9);
    fillRoundRect(image, {12, 5, 21, 19}, 4.5, mix(kInputAccent, kWhite, 0.2),
                  mix(kInputAccent, kBlack, 0.3));
    for (int y = 8; y <= 15; y += 3)
        strokeLine(image, 13.5, y + 0.5, 19.5, y + 0.5, 0.8, mix(kInputAccent, kBlack, 0.55));
    coverSampled(
        image, 8, 12, 25, 24,
        [](double x, double y) {
            const double dx = x - 16.5;
            const double dy = y - 15.0;
            const double distance = std::sqrt(dx * dx + dy * dy);
            return dy > 0 && std::abs(distance - 7.0) <= 0.9;
        },
        [=](int, int) { return metal; });
    strokeLine(image, 16.5, 22.0, 16.5, 26.0, 1.6, metal);
    strokeLine(image, 12.5, 26.5, 20.5, 26.5, 1.6, metal);
    return image;
}

// ---- preview ------------------------------------------------------------------------

// The window while it records in stereo: connected, both lamps lit, a card named.
bool writePreview(const WindowArt& art, const std::string& folder)
{
    Surface window = art.skin.clone();
    auto frame = [&window](const Surface& frames, const layout::Box& box, int index) {
        window.copyFrom(frames, frameOf(index, box.width, box.height), box.x, box.y);
    };
    frame(art.stereoButton, layout::kStereoButton, 5);
    frame(art.connectButton, layout::kConnectButton, 5);
    frame(art.recordButton, layout::kRecordButton, 2);
    window.copyFrom(art.readyLit, art.readyLit.bounds(), layout::kReadyLamp.x, layout::kReadyLamp.y);
    window.copyFrom(art.recordingLit, art.recordingLit.bounds(), layout::kRecordingLamp.x,
                    layout::kRecordingLamp.y);
    Painter p(window);
    const TextStyle ink{font("DejaVu Sans Condensed", -9, kWeightBold), kFieldInk, 0, 0};
    const Rect text =
        rectOf(layout::kDeviceText).offsetBy(layout::kDeviceDisplay.x, layout::kDeviceDisplay.y);
    drawText(p, ink, text, "Velmora Test Signal", Align::Left);
    return save(presented(window, art.mask), folder + "/preview-window.png");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/quillan/res";
    const WindowArt art = drawWindow();
    const Surface icon = drawIcon();
    const Surface cursor = drawArrowCursor();

    bool ok = writeResources(
        folder, "resources.list", "The live input's pictures, drawn by tools/draw-quillan-artwork.cpp.",
        {
            {"bitmap", layout::kSkinBitmap, "skin.png", &art.skin},
            {"bitmap", layout::kMaskBitmap, "mask.png", &art.mask},
            {"bitmap", layout::kDeviceFieldBitmap, "device-field.png", &art.deviceField},
            {"bitmap", layout::kAboutButtonBitmap, "about-button.png", &art.aboutButton},
            {"bitmap", layout::kStereoButtonBitmap, "stereo-button.png", &art.stereoButton},
            {"bitmap", layout::kRecordButtonBitmap, "record-button.png", &art.recordButton},
            {"bitmap", layout::kConnectButtonBitmap, "connect-button.png", &art.connectButton},
            {"bitmap", layout::kReadyLitBitmap, "ready-lit.png", &art.readyLit},
            {"bitmap", layout::kReadyDarkBitmap, "ready-dark.png", &art.readyDark},
            {"bitmap", layout::kRecordingLitBitmap, "recording-lit.png", &art.recordingLit},
            {"bitmap", layout::kRecordingDarkBitmap, "recording-dark.png", &art.recordingDark},
            {"icon", layout::kIcon, "icon.png", &icon},
            {"cursor", layout::kCursor, "cursor.png", &cursor, " 1 1"},
        });
    if (argc > 2)
        ok &= writePreview(art, argv[2]);
    return ok ? 0 : 1;
}
