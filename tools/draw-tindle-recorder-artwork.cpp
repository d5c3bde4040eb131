// Draws the wave file player's pre-recorder pictures into plugins/tindle/res/
// and writes their recorder.list: the window's skin and mask, the scope's
// screen, the start, stop and browse buttons, the recording lamp, the file
// name's field and the configure dialog's volume control icon. Every position
// and size comes from plugins/tindle/RecorderLayout.h. Controls are blitted
// without blending, so each control picture is cut from the skin behind it.
// Run it from the source folder:
//   build/tools/draw-tindle-recorder-artwork [res folder, plugins/tindle/res by default]
//                                            [preview folder: the window assembled, at twice the size]
#include <cmath>
#include <string>

#include "plugins/tindle/RecorderLayout.h"
#include "tools/TindleArtworkKit.h"

using namespace artwork;
namespace layout = tindle::recorder;

namespace {

// ---- colours of the pre-recorder's own ----------------------------------------------

const Argb kScreenAxis = rgb(0x1C, 0x38, 0x2A);
const Argb kTrace = rgb(0x52, 0xE0, 0x8C); // as the window draws the scope's trace
const Argb kFieldInk = rgb(0xFF, 0xB8, 0x45);

// ---- the scope's screen ---------------------------------------------------------------

// A dark green screen with a dotted grid of quarters and a brighter centre line.
Surface drawScope()
{
    const Rect area = rectOf(layout::kScope);
    Surface image(area.width(), area.height());
    Painter p(image);
    fillGradient(p, image.bounds(), kScreenTop, kScreenBottom);
    for (int column = 1; column < 5; ++column) {
        const int x = image.width() * column / 5;
        for (int y = 1; y < image.height(); y += 2)
            image.setPixel(x, y, kScreenGrid);
    }
    for (int row = 1; row < 4; ++row) {
        const int y = image.height() * row / 4;
        const bool centre = row == 2;
        for (int x = centre ? 0 : 1; x < image.width(); x += centre ? 1 : 2)
            image.setPixel(x, y, centre ? kScreenAxis : kScreenGrid);
    }
    return image;
}

// ---- the file name's field --------------------------------------------------------------

Surface drawFileField()
{
    Surface image(layout::kFileField.width, layout::kFileField.height, rgb(0x02, 0x03, 0x04));
    Painter p(image);
    p.frameRect(image.bounds(), rgb(0x12, 0x15, 0x19));
    return image;
}

// ---- the window -------------------------------------------------------------------

struct WindowArt {
    Surface skin;
    Surface mask;
    Surface scope;
    Surface startButton;
    Surface stopButton;
    Surface browseButton;
    Surface lampLit;
    Surface lampDark;
    Surface fileField;
};

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
    drawTitleStrip(skin, rectOf(layout::kTitle), "PRE-RECORDER", kRecordColour, width - 20);

    // The scope in its bezel.
    drawPlate(skin, rectOf(layout::kScopeWell), 4.0, kWell);
    const Rect scope = rectOf(layout::kScope);
    drawPlate(skin, scope.inflatedBy(3, 3), 3.0, kLampHousing);
    frameSunken(skin, scope);
    art.scope = drawScope();
    skin.copyFrom(art.scope, art.scope.bounds(), scope.left, scope.top);

    // The recorder: caption and lamp, the buttons, the file's name.
    drawPlate(skin, rectOf(layout::kRecorderWell), 4.0, kWell);
    drawGroupCaption(skin, rectOf(layout::kRecorderCaption), "RECORDER", kRecordColour);
    art.lampLit = drawLamp(layout::kIndicator.width, true, kRedLamp);
    art.lampDark = drawLamp(layout::kIndicator.width, false, kRedLamp);
    drawLampHousing(skin, rectOf(layout::kIndicator), art.lampDark);
    art.fileField = drawFileField();
    frameSunken(skin, rectOf(layout::kFileField));
    skin.copyFrom(art.fileField, art.fileField.bounds(), layout::kFileField.x, layout::kFileField.y);

    art.startButton =
        drawButton(skin, rectOf(layout::kStartButton), transportLabel("REC", Transport::Record));
    art.stopButton = drawButton(skin, rectOf(layout::kStopButton), transportLabel("STOP", Transport::Stop));
    art.browseButton = drawButton(skin, rectOf(layout::kBrowseButton), label("BROWSE..."));
    for (const auto& [frames, box] : {std::pair{&art.startButton, layout::kStartButton},
                                      {&art.stopButton, layout::kStopButton},
                                      {&art.browseButton, layout::kBrowseButton}})
        skin.copyFrom(*frames, {0, 0, box.width, box.height}, box.x, box.y);

    art.skin = std::move(skin);
    art.mask = drawMask(width, height, layout::kCornerRadius);
    return art;
}

// ---- the volume control icon ----------------------------------------------------------------

// A mixer's three faders on a graphite tile.
Surface drawVolumeIcon()
{
    Surface image = drawIconTile();
    const double caps[] = {19.0, 11.0, 15.0};
    for (int fader = 0; fader < 3; ++fader) {
        const double x = 10.0 + fader * 6.0;
        strokeLine(image, x, 7.0, x, 25.0, 1.6, rgb(0x0B, 0x0C, 0x0E));
        fillRoundRect(image,
                      {static_cast<int>(x) - 3, static_cast<int>(caps[fader]) - 2, static_cast<int>(x) + 4,
                       static_cast<int>(caps[fader]) + 2},
                      1.0, fader == 1 ? kEffectAccent : rgb(0xE2, 0xE5, 0xE9));
    }
    return image;
}

// ---- preview ------------------------------------------------------------------------

// The window while it records: stop pressed in, the lamp lit, a trace.
bool writePreview(const WindowArt& art, const std::string& folder)
{
    Surface window = art.skin.clone();
    auto frame = [&window](const Surface& frames, const tindle::Box& box, int index) {
        window.copyFrom(frames, frameOf(index, box.width, box.height), box.x, box.y);
    };
    frame(art.startButton, layout::kStartButton, 1);
    frame(art.browseButton, layout::kBrowseButton, 1);
    window.copyFrom(art.lampLit, art.lampLit.bounds(), layout::kIndicator.x, layout::kIndicator.y);
    const Rect scope = rectOf(layout::kScope);
    for (int x = 1; x < scope.width(); ++x) {
        const auto y = [&](int at) { return scope.top + 40 - static_cast<int>(30 * std::sin(at * 0.31)); };
        strokeLine(window, scope.left + x - 1, y(x - 1), scope.left + x, y(x), 1.0, kTrace);
    }
    Painter p(window);
    const TextStyle ink{font("DejaVu Sans Condensed", -9, kWeightBold), kFieldInk, 0, 0};
    const Rect text = rectOf(layout::kFileText).offsetBy(layout::kFileField.x, layout::kFileField.y);
    drawText(p, ink, text, "Qom21977.wav", Align::Left);
    return save(presented(window, art.mask), folder + "/preview-recorder.png");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/tindle/res";
    const WindowArt art = drawWindow();
    const Surface volume = drawVolumeIcon();

    bool ok = writeResources(
        folder, "recorder.list",
        "The pre-recorder's pictures, drawn by tools/draw-tindle-recorder-artwork.cpp.",
        {
            {"bitmap", layout::kSkinBitmap, "recorder-skin.png", &art.skin},
            {"bitmap", layout::kMaskBitmap, "recorder-mask.png", &art.mask},
            {"bitmap", layout::kScopeBitmap, "recorder-scope.png", &art.scope},
            {"bitmap", layout::kStartButtonBitmap, "recorder-start-button.png", &art.startButton},
            {"bitmap", layout::kStopButtonBitmap, "recorder-stop-button.png", &art.stopButton},
            {"bitmap", layout::kBrowseButtonBitmap, "recorder-browse-button.png", &art.browseButton},
            {"bitmap", layout::kLampLitBitmap, "recorder-lamp-lit.png", &art.lampLit},
            {"bitmap", layout::kLampDarkBitmap, "recorder-lamp-dark.png", &art.lampDark},
            {"bitmap", layout::kFileFieldBitmap, "recorder-file-field.png", &art.fileField},
            {"icon", layout::kVolumeIcon, "recorder-volume.png", &volume},
        });
    if (argc > 2)
        ok &= writePreview(art, argv[2]);
    return ok ? 0 : 1;
}
