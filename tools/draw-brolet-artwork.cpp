// Draws the output plug-in's pictures into plugins/brolet/res/ and writes
// their resources.list: the window's skin and mask, the visual's display
// background, the two name fields, the buttons and the three switches, the icon and
// the cursor. Every position and size comes from plugins/brolet/Layout.h.
// Controls are blitted without blending, so each control picture is cut from
// the skin behind it before the control is drawn on it. Run it from the
// source folder:
//   build/tools/draw-brolet-artwork [res folder, plugins/brolet/res by default]
//                                   [preview folder: the window assembled, at twice the size]
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "plugins/brolet/Layout.h"
#include "tools/SkinKit.h"

using namespace artwork;
namespace layout = brolet;

namespace {

// ---- colours of this plug-in's own ----------------------------------------------

const Argb kSoundColour = rgb(0x3C, 0xCC, 0x5C);
const Argb kFileColour = rgb(0xE8, 0x44, 0x38);
const Argb kBroadcastColour = rgb(0xF2, 0xA9, 0x2E);
const Argb kScreenTop = rgb(0x0B, 0x12, 0x1C);
const Argb kScreenBottom = rgb(0x04, 0x07, 0x0C);
const Argb kScreenGrid = rgb(0x13, 0x1F, 0x2D);
const Argb kScreenAxis = rgb(0x1E, 0x31, 0x46);
const Argb kFieldInk = rgb(0xFF, 0xB8, 0x45); // as the text displays draw their names

// ---- the visual's display ---------------------------------------------------------

// A dark blue screen with a faint grid and a brighter centre line, darker
// towards its edges.
Surface drawDisplay()
{
    const Rect area = rectOf(layout::kDisplay);
    Surface image(area.width(), area.height());
    Painter p(image);
    fillGradient(p, image.bounds(), kScreenTop, kScreenBottom);
    const int columns = 8;
    const int rows = 4;
    for (int column = 1; column < columns; ++column) {
        const int x = image.width() * column / columns;
        for (int y = 1; y < image.height(); y += 2)
            image.setPixel(x, y, kScreenGrid);
    }
    for (int row = 1; row < rows; ++row) {
        const int y = image.height() * row / rows;
        const Argb colour = row * 2 == rows ? kScreenAxis : kScreenGrid;
        for (int x = row * 2 == rows ? 0 : 1; x < image.width(); x += row * 2 == rows ? 1 : 2)
            image.setPixel(x, y, colour);
    }
    // The glass's shade: the edges a little darker than the middle.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double dx = (x + 0.5) / image.width() * 2.0 - 1.0;
            const double dy = (y + 0.5) / image.height() * 2.0 - 1.0;
            const double edge = std::clamp((dx * dx * dx * dx + dy * dy * dy * dy) * 0.45, 0.0, 0.45);
            image.setPixel(x, y, mix(image.pixel(x, y), kBlack, edge));
        }
    return image;
}

// ---- the name fields ----------------------------------------------------------------

// A black field with a hairline inner rim; withArrow adds the device menu's
// arrow at its right end, past a thin divider.
Surface drawField(const layout::Box& box, bool withArrow)
{
    Surface image(box.width, box.height, rgb(0x02, 0x03, 0x04));
    Painter p(image);
    p.frameRect(image.bounds(), rgb(0x12, 0x15, 0x19));
    if (withArrow) {
        const int divider = box.width - 14;
        p.fillRect({divider, 3, divider + 1, box.height - 3}, rgb(0x24, 0x28, 0x2E));
        const double cx = divider + 7.5;
        const double cy = box.height / 2.0 + 0.5;
        coverSampled(
            image, divider + 1, 0, box.width - 1, box.height - 1,
            [&](double x, double y) {
                return y >= cy - 2.0 && y <= cy + 2.0 && std::abs(x - cx) <= (cy + 2.0 - y) * 1.1;
            },
            [](int, int) { return kFieldInk; });
    }
    return image;
}

// ---- symbols on the buttons --------------------------------------------------------

FaceContent helpSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        Painter p(image);
        const TextStyle style{font("DejaVu Sans", -10, kWeightBold), ink, 0, 0};
        drawText(p, style, face.offsetBy(0, 0), "?");
    };
}

// ---- the window -------------------------------------------------------------------

struct WindowArt {
    Surface skin;
    Surface mask;
    Surface display;
    Surface deviceField;
    Surface modeField;
    Surface aboutButton;
    Surface modeButton;
    Surface soundSwitch;
    Surface fileSwitch;
    Surface broadcastSwitch;
    Surface serverButton;
    Surface folderButton;
    Surface helpButton;
    Surface closeButton;
};

// A well with a caption over its controls.
void drawGroup(Surface& skin, const layout::Box& well, std::string_view caption, Argb accent)
{
    const Rect area = rectOf(well);
    drawPlate(skin, area, 4.0, kWell);
    drawGroupCaption(skin, {area.left + 8, area.top + 4, area.right - 8, area.top + 16}, caption, accent);
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
    drawTitleStrip(skin, rectOf(layout::kTitle), "BROLET BLASTER", kOutputAccent, layout::kHelpButton.x - 8);

    // The visual: the screen in its bezel, its name field and mode button below.
    drawPlate(skin, rectOf(layout::kDisplayWell), 4.0, kWell);
    const Rect display = rectOf(layout::kDisplay);
    drawPlate(skin, display.inflatedBy(3, 3), 3.0, kLampHousing);
    frameSunken(skin, display);
    art.display = drawDisplay();
    skin.copyFrom(art.display, art.display.bounds(), display.left, display.top);

    drawGroup(skin, layout::kSoundCardWell, "SOUND CARD", kOutputAccent);
    drawGroup(skin, layout::kOutputWell, "OUTPUT", kInputAccent);

    art.deviceField = drawField(layout::kDeviceField, true);
    art.modeField = drawField(layout::kModeLabel, false);
    for (const layout::Box& field : {layout::kDeviceField, layout::kModeLabel})
        frameSunken(skin, rectOf(field));

    // Buttons are cut from the finished panel, then shown on it.
    art.aboutButton = drawButton(skin, rectOf(layout::kAboutButton), label("PROPERTIES"));
    art.modeButton = drawButton(skin, rectOf(layout::kModeButton), label("MODE"));
    art.folderButton = drawButton(skin, rectOf(layout::kFolderButton), label("REC FOLDER"));
    art.serverButton = drawButton(skin, rectOf(layout::kServerButton), label("SERVER"));
    art.helpButton = drawButton(skin, rectOf(layout::kHelpButton), helpSymbol());
    art.closeButton = drawButton(skin, rectOf(layout::kCloseButton), closeSymbol());
    art.soundSwitch = drawSwitch(skin, rectOf(layout::kSoundSwitch), "SOUND", kSoundColour);
    art.fileSwitch = drawSwitch(skin, rectOf(layout::kFileSwitch), "FILE", kFileColour);
    art.broadcastSwitch = drawSwitch(skin, rectOf(layout::kBroadcastSwitch), "ON AIR", kBroadcastColour);

    showFirstFrame(skin, art.deviceField, rectOf(layout::kDeviceField));
    showFirstFrame(skin, art.modeField, rectOf(layout::kModeLabel));
    showFirstFrame(skin, art.aboutButton, rectOf(layout::kAboutButton));
    showFirstFrame(skin, art.modeButton, rectOf(layout::kModeButton));
    showFirstFrame(skin, art.folderButton, rectOf(layout::kFolderButton));
    showFirstFrame(skin, art.helpButton, rectOf(layout::kHelpButton));
    showFirstFrame(skin, art.closeButton, rectOf(layout::kCloseButton));
    showFirstFrame(skin, art.soundSwitch, rectOf(layout::kSoundSwitch));
    showFirstFrame(skin, art.fileSwitch, rectOf(layout::kFileSwitch));
    showFirstFrame(skin, art.broadcastSwitch, rectOf(layout::kBroadcastSwitch));
    showFirstFrame(skin, art.serverButton, rectOf(layout::kServerButton));

    art.skin = std::move(skin);
    art.mask = drawMask(width, height, layout::kCornerRadius);
    return art;
}

// ---- icon and cursor ----------------------------------------------------------------

// A speaker sending waves out, on a graphite tile.
Surface drawIcon()
{
    Surface image = drawIconTile();
    const Argb body = rgb(0xE2, 0xE5, 0xE9);
    fillRoundRect(image, {6, 12, 11, 20}, 1.0, body);
    coverSampled(
        image, 10, 6, 18, 26,
        [](double x, double y) {
            const double half = 4.0 + (x - 10.0) * 0.75;
            return x >= 10.0 && x <= 17.0 && std::abs(y - 16.0) <= half;
        },
        [=](int, int) { return body; });
    for (const double radius : {4.5, 8.5}) {
        coverSampled(
            image, 17, 4, 30, 28,
            [radius](double x, double y) {
                const double dx = x - 16.0;
                const double dy = y - 16.0;
                const double distance = std::sqrt(dx * dx + dy * dy);
                return dx > 0 && std::abs(dy) < dx * 1.3 && std::abs(distance - radius - 1.5) <= 0.9;
            },
            [](int, int) { return kOutputAccent; });
    }
    return image;
}

// ---- preview ------------------------------------------------------------------------

// The window as the user sees it while sound plays: switches set, names shown.
bool writePreview(const WindowArt& art, const std::string& folder)
{
    Surface window = art.skin.clone();
    auto frame = [&window](const Surface& frames, const layout::Box& box, int index) {
        window.copyFrom(frames, frameOf(index, box.width, box.height), box.x, box.y);
    };
    frame(art.soundSwitch, layout::kSoundSwitch, 4);
    frame(art.fileSwitch, layout::kFileSwitch, 0);
    frame(art.broadcastSwitch, layout::kBroadcastSwitch, 4);
    frame(art.modeButton, layout::kModeButton, 2);
    Painter p(window);
    const TextStyle ink{font("DejaVu Sans Condensed", -9, kWeightBold), kFieldInk, 0, 0};
    const Rect deviceText =
        rectOf(layout::kDeviceText).offsetBy(layout::kDeviceField.x, layout::kDeviceField.y);
    drawText(p, ink, deviceText, "Velmora Null Output", Align::Left);
    const Rect modeText = rectOf(layout::kModeText).offsetBy(layout::kModeLabel.x, layout::kModeLabel.y);
    drawText(p, ink, modeText, "Built-In Spectrum1 v0.1", Align::Left);
    return save(presented(window, art.mask), folder + "/preview-window.png");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/brolet/res";
    const WindowArt art = drawWindow();
    const Surface icon = drawIcon();
    const Surface cursor = drawArrowCursor();

    bool ok = writeResources(
        folder, "resources.list", "The output plug-in's pictures, drawn by tools/draw-brolet-artwork.cpp.",
        {
            {"bitmap", layout::kSkinBitmap, "skin.png", &art.skin, ""},
            {"bitmap", layout::kMaskBitmap, "mask.png", &art.mask, ""},
            {"bitmap", layout::kDisplayBitmap, "display.png", &art.display, ""},
            {"bitmap", layout::kDeviceFieldBitmap, "device-field.png", &art.deviceField, ""},
            {"bitmap", layout::kModeFieldBitmap, "mode-field.png", &art.modeField, ""},
            {"bitmap", layout::kAboutButtonBitmap, "about-button.png", &art.aboutButton, ""},
            {"bitmap", layout::kModeButtonBitmap, "mode-button.png", &art.modeButton, ""},
            {"bitmap", layout::kSoundSwitchBitmap, "sound-switch.png", &art.soundSwitch, ""},
            {"bitmap", layout::kFileSwitchBitmap, "file-switch.png", &art.fileSwitch, ""},
            {"bitmap", layout::kFolderButtonBitmap, "folder-button.png", &art.folderButton, ""},
            {"bitmap", layout::kBroadcastSwitchBitmap, "broadcast-switch.png", &art.broadcastSwitch, ""},
            {"bitmap", layout::kServerButtonBitmap, "server-button.png", &art.serverButton, ""},
            {"bitmap", layout::kHelpButtonBitmap, "help-button.png", &art.helpButton, ""},
            {"bitmap", layout::kCloseButtonBitmap, "close-button.png", &art.closeButton, ""},
            {"icon", layout::kIcon, "icon.png", &icon, ""},
            {"cursor", layout::kCursor, "cursor.png", &cursor, " 1 1"},
        });
    if (argc > 2)
        ok &= writePreview(art, argv[2]);
    return ok ? 0 : 1;
}
