// Draws the equaliser's pictures into plugins/velmoraeq/res/ and writes
// their resources.list: the window's skin and mask, the slider thumb, the
// four channel buttons, the bypass lamp button, the preset button, the icon
// and the cursor. Every position and size comes from
// plugins/velmoraeq/Layout.h. Controls are blitted without blending, so each
// control picture is cut from the skin behind it before the control is drawn
// on it. Run it from the source folder:
//   build/tools/draw-velmoraeq-artwork [res folder, plugins/velmoraeq/res by default]
//                                      [preview folder: the window assembled, at twice the size]
#include <cmath>
#include <string>
#include <string_view>

#include "plugins/velmoraeq/Layout.h"
#include "tools/SkinKit.h"

using namespace artwork;
namespace layout = velmoraeq;

namespace {

// The curve colours of channels 1 to 4, as the window's display draws them.
const Argb kChannelColours[layout::kChannelCount] = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255),
                                                     rgb(255, 255, 128)};
// The display's empty look: grey with a white zero line.
const Argb kDisplayGrey = rgb(192, 192, 192);

const char* const kBandNames[layout::kBandCount] = {"32 Hz", "80 Hz", "200 Hz", "400 Hz", "1 kHz",
                                                    "2 kHz", "4 kHz", "8 kHz",  "16 kHz"};

// ---- sliders ---------------------------------------------------------------------------

// The row where the thumb's centre line lies at value of range, as the slider
// places it (the track less a thumb at either end).
int thumbLine(const layout::Box& slider, int value, int range)
{
    const int trackBottom = slider.y + slider.height - layout::kThumbHeight;
    const int trackLength = slider.height - 2 * layout::kThumbHeight;
    return trackBottom - trackLength * value / range - 1;
}

// A slider's slot with scale marks on either side at every step of the
// range (the marks at major steps longer, unity brighter).
void drawSliderBed(Surface& skin, const layout::Box& slider, int range, int step, int major, int unity)
{
    Painter p(skin);
    const int centre = slider.x + slider.width / 2;
    drawGroove(
        skin, {centre - 2, thumbLine(slider, range, range) - 4, centre + 2, thumbLine(slider, 0, range) + 6});
    for (int value = 0; value <= range; value += step) {
        const int y = thumbLine(slider, value, range);
        const bool isMajor = value % major == 0;
        const Argb colour = value == unity ? kTickUnity : kTick;
        const int reach = value == unity ? 6 : isMajor ? 5 : 3;
        p.fillRect({centre - 4 - reach, y, centre - 4, y + 1}, colour);
        p.fillRect({centre + 4, y, centre + 4 + reach, y + 1}, colour);
    }
}

Surface drawThumb()
{
    return drawFaderThumb(layout::kThumbWidth, layout::kThumbHeight);
}

// ---- buttons -----------------------------------------------------------------------------

// The bypass lamp on a button's face: dark while the channel plays through
// the equaliser, lit red while it is bypassed.
FaceContent bypassLamp(bool lit)
{
    return [lit](Surface& image, const Rect& face, Argb) {
        const double cx = face.left + face.width() / 2.0;
        const double cy = face.top + face.height() / 2.0;
        fillDisc(image, cx, cy, 4.2, rgb(0x0B, 0x0C, 0x0E));
        if (lit) {
            fillDisc(image, cx, cy, 3.3, kRedLamp.litRim);
            fillDisc(image, cx - 0.2, cy - 0.2, 2.5, kRedLamp.litGlass);
            fillDisc(image, cx - 0.8, cy - 0.9, 1.0, kRedLamp.litCentre);
        } else {
            fillDisc(image, cx, cy, 3.3, kRedLamp.darkRim);
            fillDisc(image, cx - 0.2, cy - 0.2, 2.5, kRedLamp.darkGlass);
            fillDisc(image, cx - 0.9, cy - 1.0, 0.8, argb(0x50, 0xFF, 0xFF, 0xFF));
        }
    };
}

// The eight frames of the bypass button: up (lamp dark), then down (lamp lit).
Surface drawBypassButton(const Surface& skin, const Rect& place)
{
    Surface image(place.width(), place.height() * kToggleFrames);
    for (int index = 0; index < kToggleFrames; ++index) {
        Surface frame = crop(skin, place);
        drawButtonFrame(frame, kButtonStates[static_cast<std::size_t>(index % kPushFrames)],
                        bypassLamp(index >= kPushFrames));
        image.copyFrom(frame, frame.bounds(), 0, index * place.height());
    }
    return image;
}

// The preset button's face: its name and an arrow saying that a menu opens.
FaceContent presetFace()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        Painter p(image);
        const TextStyle style{font("DejaVu Sans", -8, kWeightBold), ink, 1, 0};
        drawText(p, style, {face.left, face.top, face.right - 10, face.bottom}, "PRESETS");
        const double cx = face.right - 7.5;
        const double cy = face.top + face.height() / 2.0 + 0.5;
        coverSampled(
            image, face.right - 12, face.top, face.right - 2, face.bottom,
            [&](double x, double y) {
                return y >= cy - 2.0 && y <= cy + 2.0 && std::abs(x - cx) <= (cy + 2.0 - y) * 1.1;
            },
            [ink](int, int) { return ink; });
    };
}

// ---- the window -------------------------------------------------------------------

struct WindowArt {
    Surface skin;
    Surface mask;
    Surface thumb;
    Surface channelButtons[layout::kChannelCount];
    Surface bypassButton;
    Surface presetButton;
};

// A small caption with a rule, in the accent, at area.
void drawRowCaption(Surface& skin, const layout::Box& area, std::string_view text)
{
    drawGroupCaption(skin, rectOf(area), text, kEffectAccent);
}

// A curve over little bars, the equaliser's sign, in area.
void drawCurveSign(Surface& image, const Rect& area, double thickness, Argb bars, Argb curve)
{
    const int count = 9;
    const double pitch = area.width() / double(count);
    const double middle = area.top + area.height() / 2.0;
    auto level = [&](double t) { return std::cos(t * M_PI * 2.0) * 0.55 + std::cos(t * M_PI * 5.0) * 0.12; };
    for (int bar = 0; bar < count; ++bar) {
        const double x = area.left + pitch * (bar + 0.5);
        const double height = level((bar + 0.5) / count) * area.height() * 0.42;
        strokeLine(image, x, middle, x, middle - height, pitch * 0.45, bars);
    }
    const int steps = 60;
    for (int step = 0; step < steps; ++step) {
        const double t0 = double(step) / steps;
        const double t1 = double(step + 1) / steps;
        strokeLine(image, area.left + t0 * area.width(), middle - level(t0) * area.height() * 0.42,
                   area.left + t1 * area.width(), middle - level(t1) * area.height() * 0.42, thickness,
                   curve);
    }
}

// The curve display's bed: a bezel with the display's empty picture in it.
void drawCurveBed(Surface& skin)
{
    const Rect display = rectOf(layout::kCurveDisplay);
    drawPlate(skin, display.inflatedBy(3, 3), 3.0, kLampHousing);
    frameSunken(skin, display);
    Painter p(skin);
    p.fillRect(display, kDisplayGrey);
    const int middle = display.top + display.height() / 2;
    p.fillRect({display.left, middle, display.right, middle + 1}, kWhite);
}

// Which colour draws which channel's curve.
void drawLegend(Surface& skin)
{
    const Rect well = rectOf(layout::kLegendWell);
    drawPlate(skin, well, 4.0, kWell);
    drawGroupCaption(skin, rectOf(layout::kLegendCaption), "CURVES", kEffectAccent);
    Painter p(skin);
    const TextStyle style = smallStyle(kCaption);
    const int pitch = (well.width() - 16) / layout::kChannelCount;
    const int y = well.bottom - 14;
    for (int channel = 0; channel < layout::kChannelCount; ++channel) {
        const int left = well.left + 10 + channel * pitch;
        fillRoundRect(skin, {left - 1, y + 2, left + 15, y + 7}, 2.0, rgb(0x0B, 0x0C, 0x0E));
        p.fillRect({left, y + 3, left + 14, y + 6}, kChannelColours[channel]);
        drawText(p, style, {left + 18, y, left + pitch, y + 9}, std::to_string(channel + 1), Align::Left);
    }
}

WindowArt drawWindow()
{
    WindowArt art;
    const int width = layout::kWindowWidth;
    const int height = layout::kWindowHeight;
    Surface skin(width, height, kOutline);
    drawPlate(skin, skin.bounds(), layout::kCornerRadius, kCasing);
    for (const auto& [x, y] : {std::pair{9.5, height - 9.5}, {width - 9.5, height - 9.5}})
        drawScrew(skin, x, y);
    const Rect title = rectOf(layout::kTitle);
    drawTitleStrip(skin, title, "9-BAND EQUALISER", kEffectAccent, title.right);

    // The band sliders with their names, the gain scale, the curve display.
    drawPlate(skin, rectOf(layout::kBandWell), 4.0, kWell);
    Painter p(skin);
    const TextStyle names = smallStyle(kCaption);
    const TextStyle scale = smallStyle();
    for (int band = 0; band < layout::kBandCount; ++band) {
        const layout::Box slider = layout::bandSlider(band);
        drawSliderBed(skin, slider, 200, 25, 50, 100);
        const int centre = slider.x + slider.width / 2;
        drawText(
            p, names,
            {centre - 16, layout::kCaptionTop, centre + 17, layout::kCaptionTop + layout::kCaptionHeight},
            kBandNames[band]);
    }
    const char* const marks[] = {"-100%", "-50%", "0%", "+50%", "+100%"};
    for (int mark = 0; mark < 5; ++mark) {
        const int y = thumbLine(layout::bandSlider(0), mark * 50, 200);
        drawText(p, mark == 2 ? names : scale,
                 {layout::kScaleLeft, y - 5, layout::kBandWell.x + layout::kBandWell.width - 2, y + 6},
                 marks[mark], Align::Left);
    }
    drawCurveBed(skin);

    // The dry mix slider.
    drawPlate(skin, rectOf(layout::kDryWell), 4.0, kWell);
    drawSliderBed(skin, layout::kDryMixSlider, 100, 25, 50, 100);
    drawText(p, names,
             {layout::kDryWell.x, layout::kCaptionTop, layout::kDryWell.x + layout::kDryWell.width,
              layout::kCaptionTop + layout::kCaptionHeight},
             "DRY MIX");

    // Channel selection, bypass and presets, under the equaliser's sign.
    drawPlate(skin, rectOf(layout::kChannelWell), 4.0, kWell);
    const Rect emblem = rectOf(layout::kEmblem);
    drawPlate(skin, emblem, 3.0, kLampHousing);
    frameSunken(skin, emblem.inflatedBy(-3, -3));
    drawCurveSign(skin, emblem.inflatedBy(-10, -9), 1.6, rgb(0x4E, 0x54, 0x5C), kEffectAccent);
    drawRowCaption(skin, layout::kChannelCaption, "EDIT CHANNEL");
    drawRowCaption(skin, layout::kBypassCaption, "BYPASS");
    drawRowCaption(skin, layout::kPresetCaption, "LOAD");
    drawLegend(skin);

    // Controls are cut from the finished panel.
    art.thumb = drawThumb();
    for (int channel = 0; channel < layout::kChannelCount; ++channel)
        art.channelButtons[channel] =
            drawButton(skin, rectOf(layout::channelButton(channel)), label(std::to_string(channel + 1), 9),
                       mix(kChannelColours[channel], rgb(0x70, 0x70, 0x70), 0.2));
    art.bypassButton = drawBypassButton(skin, rectOf(layout::bypassButton(0)));
    art.presetButton = drawButton(skin, rectOf(layout::kPresetButton), presetFace());

    // The skin shows the controls as the window opens: channel 1 edited, nothing bypassed.
    auto showFrame = [&skin](const Surface& frames, const layout::Box& box, int index) {
        skin.copyFrom(frames, frameOf(index, box.width, box.height), box.x, box.y);
    };
    for (int channel = 0; channel < layout::kChannelCount; ++channel) {
        showFrame(art.channelButtons[channel], layout::channelButton(channel),
                  channel == 0 ? kPushFrames : 0);
        showFrame(art.bypassButton, layout::bypassButton(channel), 0);
    }
    showFrame(art.presetButton, layout::kPresetButton, 0);

    art.skin = std::move(skin);
    art.mask = drawMask(width, height, layout::kCornerRadius);
    return art;
}

// ---- icon ----------------------------------------------------------------------------

Surface drawIcon()
{
    Surface image = drawIconTile();
    drawCurveSign(image, {5, 6, 27, 26}, 2.0, rgb(0x8A, 0x90, 0x98), kEffectAccent);
    return image;
}

// ---- preview ------------------------------------------------------------------------

// The window with channel 1 loud ("Preset 4: Loudness") and channel 3 bypassed.
bool writePreview(const WindowArt& art, const std::string& folder)
{
    Surface window = art.skin.clone();
    const int gains[layout::kBandCount] = {74, 50, 33, 14, 0, 14, 33, 50, 74};
    auto thumbAt = [&](const layout::Box& slider, int value, int range) {
        const int top = thumbLine(slider, value, range) + 1 - layout::kThumbHeight / 2;
        window.copyFrom(art.thumb, art.thumb.bounds(), slider.x, top);
    };
    for (int band = 0; band < layout::kBandCount; ++band)
        thumbAt(layout::bandSlider(band), gains[band] + 100, 200);
    thumbAt(layout::kDryMixSlider, 90, 100);
    window.copyFrom(art.bypassButton, frameOf(kPushFrames, layout::kButtonPitch - 1, 16),
                    layout::bypassButton(2).x, layout::bypassButton(2).y);
    window.copyFrom(art.presetButton, frameOf(2, layout::kPresetButton.width, layout::kPresetButton.height),
                    layout::kPresetButton.x, layout::kPresetButton.y);
    return save(presented(window, art.mask), folder + "/preview-window.png");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/velmoraeq/res";
    const WindowArt art = drawWindow();
    const Surface icon = drawIcon();
    const Surface cursor = drawArrowCursor();

    bool ok = writeResources(
        folder, "resources.list", "The equaliser's pictures, drawn by tools/draw-velmoraeq-artwork.cpp.",
        {
            {"bitmap", layout::kSkinBitmap, "skin.png", &art.skin, ""},
            {"bitmap", layout::kMaskBitmap, "mask.png", &art.mask, ""},
            {"bitmap", layout::kBypassBitmap, "bypass-button.png", &art.bypassButton, ""},
            {"bitmap", layout::kChannelBitmaps[1], "channel-2-button.png", &art.channelButtons[1], ""},
            {"bitmap", layout::kChannelBitmaps[2], "channel-3-button.png", &art.channelButtons[2], ""},
            {"bitmap", layout::kChannelBitmaps[3], "channel-4-button.png", &art.channelButtons[3], ""},
            {"bitmap", layout::kChannelBitmaps[0], "channel-1-button.png", &art.channelButtons[0], ""},
            {"bitmap", layout::kThumbBitmap, "thumb.png", &art.thumb, ""},
            {"bitmap", layout::kPresetBitmap, "preset-button.png", &art.presetButton, ""},
            {"icon", layout::kIcon, "icon.png", &icon, ""},
            {"cursor", layout::kCursor, "cursor.png", &cursor, " 1 1"},
        });
    if (argc > 2)
        ok &= writePreview(art, argv[2]);
    return ok ? 0 : 1;
}
