// Draws the media player's pictures into plugins/plevnt/res/ and writes their
// resources.list: the window's skin and mask at its three sizes (players;
// with playlists; with information views), the title field, the menu, close,
// transport, open and loop buttons, the icon and the cursor. Every position
// and size comes from plugins/plevnt/Layout.h. Controls are blitted without
// blending, so each control picture is cut from the skin behind it. Run it
// from the source folder:
//   build/tools/draw-plevnt-artwork [res folder, plugins/plevnt/res by default]
//                                   [preview folder: the large window assembled, at twice the size]
#include <string>
#include <string_view>

#include "plugins/plevnt/Layout.h"
#include "tools/SkinKit.h"

using namespace artwork;
namespace layout = plevnt;

namespace {

const Argb kLcdTop = rgb(0x08, 0x14, 0x0C);
const Argb kLcdBottom = rgb(0x03, 0x08, 0x05);

Rect playerRect(const layout::Box& box, int player)
{
    return rectOf(layout::ofPlayer(box, player));
}

// ---- faces of the buttons ----------------------------------------------------------

FaceContent playSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + face.width() / 2.0 + 1.0;
        const double cy = face.top + face.height() / 2.0;
        coverSampled(
            image, face.left, face.top, face.right - 1, face.bottom - 1,
            [&](double x, double y) { return x >= cx - 4.0 && std::abs(y - cy) <= (cx + 4.0 - x) * 0.62; },
            [ink](int, int) { return ink; });
    };
}

FaceContent pauseSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const int cx = face.left + face.width() / 2;
        const int cy = face.top + face.height() / 2;
        fillRoundRect(image, {cx - 5, cy - 5, cx - 1, cy + 5}, 0.8, ink);
        fillRoundRect(image, {cx + 1, cy - 5, cx + 5, cy + 5}, 0.8, ink);
    };
}

FaceContent stopSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const int cx = face.left + face.width() / 2;
        const int cy = face.top + face.height() / 2;
        fillRoundRect(image, {cx - 4, cy - 4, cx + 5, cy + 5}, 0.8, ink);
    };
}

// Two triangles and a bar: towards the previous entry (pointing left) or the next.
FaceContent skipSymbol(bool forward)
{
    return [forward](Surface& image, const Rect& face, Argb ink) {
        const double cx = face.left + face.width() / 2.0;
        const double cy = face.top + face.height() / 2.0;
        const double direction = forward ? 1.0 : -1.0;
        for (double tip : {cx, cx + 4.5 * direction}) {
            coverSampled(
                image, face.left, face.top, face.right - 1, face.bottom - 1,
                [&](double x, double y) {
                    const double along = (tip - x) * direction; // 0 at the tip, growing backwards
                    return along >= 0.0 && along <= 4.5 && std::abs(y - cy) <= along * 0.95;
                },
                [ink](int, int) { return ink; });
        }
        const double bar = cx + 5.0 * direction;
        fillRoundRect(image,
                      {static_cast<int>(bar) - (forward ? 0 : 1), static_cast<int>(cy) - 4,
                       static_cast<int>(bar) + (forward ? 2 : 1), static_cast<int>(cy) + 5},
                      0.4, ink);
    };
}

// An opening folder.
FaceContent openSymbol()
{
    return [](Surface& image, const Rect& face, Argb ink) {
        const int cx = face.left + face.width() / 2;
        const int cy = face.top + face.height() / 2;
        fillRoundRect(image, {cx - 6, cy - 4, cx - 1, cy - 2}, 0.6, ink);
        fillRoundRect(image, {cx - 6, cy - 3, cx + 6, cy + 5}, 0.8, ink);
        fillRoundRect(image, {cx - 5, cy - 1, cx + 5, cy + 4}, 0.6, mix(ink, kBlack, 0.55));
    };
}

// Eight frames of a toggle button at place: off and on, with one face.
Surface drawToggle(const Surface& skin, const Rect& place, const FaceContent& face, Argb lit)
{
    Surface image(place.width(), place.height() * kToggleFrames);
    for (int index = 0; index < kToggleFrames; ++index) {
        const bool isOn = index >= kPushFrames;
        Surface frame = crop(skin, place);
        drawButtonFrame(frame, kButtonStates[static_cast<std::size_t>(index % kPushFrames)], face,
                        isOn ? lit : 0);
        image.copyFrom(frame, frame.bounds(), 0, index * place.height());
    }
    return image;
}

// ---- the displays --------------------------------------------------------------------

// A small green screen sunk into the skin.
void drawScreen(Surface& skin, const Rect& area)
{
    drawPlate(skin, area.inflatedBy(2, 2), 3.0, kLampHousing);
    frameSunken(skin, area);
    Painter p(skin);
    fillGradient(p, area, kLcdTop, kLcdBottom);
}

Surface drawTitleField()
{
    const layout::Box& box = layout::kTitleField;
    Surface image(box.width, box.height, rgb(0x02, 0x03, 0x04));
    Painter p(image);
    p.frameRect(image.bounds(), rgb(0x12, 0x15, 0x19));
    return image;
}

// ---- the window -------------------------------------------------------------------

struct WindowArt {
    Surface skins[3];
    Surface masks[3];
    Surface titleField;
    Surface menuButton;
    Surface closeButton;
    Surface previousButton;
    Surface playButton;
    Surface pauseButton;
    Surface stopButton;
    Surface nextButton;
    Surface openButton;
    Surface loopButton;
};

// The casing of one size, with the wells that size shows.
Surface drawCasing(int size)
{
    const int width = layout::kWindowWidth;
    const int height = layout::heightOfSize(size);
    Surface skin(width, height, kOutline);
    drawPlate(skin, skin.bounds(), layout::kCornerRadius, kCasing);
    for (const auto& [x, y] :
         {std::pair{9.5, 9.5}, {width - 9.5, 9.5}, {9.5, height - 9.5}, {width - 9.5, height - 9.5}})
        drawScrew(skin, x, y);
    drawTitleStrip(skin, rectOf(layout::kTitle), "PLEVNT MEDIA PLAYER", kInputAccent, layout::kMenuButton.x - 8);
    for (int player = 0; player < layout::kPanelCount; ++player) {
        drawPlate(skin, playerRect(layout::kPlayerWell, player), 4.0, kWell);
        drawGroupCaption(skin, playerRect(layout::kPlayerCaption, player), player == 0 ? "PLAYER 1" : "PLAYER 2",
                         kInputAccent);
        frameSunken(skin, playerRect(layout::kTitleField, player));
        drawScreen(skin, playerRect(layout::kTimeDisplay, player));
        drawScreen(skin, playerRect(layout::kProgressBar, player));
        if (size >= layout::kSizeMedium) {
            drawPlate(skin, playerRect(layout::kPlaylistWell, player), 4.0, kWell);
            drawScreen(skin, playerRect(layout::kPlaylistView, player));
        }
        if (size >= layout::kSizeLarge) {
            drawPlate(skin, playerRect(layout::kInfoWell, player), 4.0, kWell);
            drawScreen(skin, playerRect(layout::kInfoView, player));
        }
    }
    return skin;
}

WindowArt drawWindow()
{
    WindowArt art;
    Surface large = drawCasing(layout::kSizeLarge);
    // Buttons are cut from the finished panel (every size shows them on the same casing), then shown on it.
    art.titleField = drawTitleField();
    art.menuButton = drawButton(large, rectOf(layout::kMenuButton), label("MENU", 7));
    art.closeButton = drawButton(large, rectOf(layout::kCloseButton), closeSymbol());
    const Argb lit = mix(kInputAccent, kBlack, 0.25);
    art.previousButton = drawButton(large, rectOf(layout::kPreviousButton), skipSymbol(false));
    art.playButton = drawToggle(large, rectOf(layout::kPlayButton), playSymbol(), lit);
    art.pauseButton = drawToggle(large, rectOf(layout::kPauseButton), pauseSymbol(), lit);
    art.stopButton = drawButton(large, rectOf(layout::kStopButton), stopSymbol());
    art.nextButton = drawButton(large, rectOf(layout::kNextButton), skipSymbol(true));
    art.openButton = drawButton(large, rectOf(layout::kOpenButton), openSymbol());
    art.loopButton = drawSwitch(large, rectOf(layout::kLoopButton), "LOOP", kInputAccent);

    for (int size = layout::kSizeSmall; size <= layout::kSizeLarge; ++size) {
        Surface skin = size == layout::kSizeLarge ? std::move(large) : drawCasing(size);
        showFirstFrame(skin, art.menuButton, rectOf(layout::kMenuButton));
        showFirstFrame(skin, art.closeButton, rectOf(layout::kCloseButton));
        for (int player = 0; player < layout::kPanelCount; ++player) {
            auto show = [&](const Surface& frames, const layout::Box& box) {
                showFirstFrame(skin, frames, playerRect(box, player));
            };
            show(art.titleField, layout::kTitleField);
            show(art.previousButton, layout::kPreviousButton);
            show(art.playButton, layout::kPlayButton);
            show(art.pauseButton, layout::kPauseButton);
            show(art.stopButton, layout::kStopButton);
            show(art.nextButton, layout::kNextButton);
            show(art.openButton, layout::kOpenButton);
            show(art.loopButton, layout::kLoopButton);
        }
        art.masks[size] = drawMask(layout::kWindowWidth, layout::heightOfSize(size), layout::kCornerRadius);
        art.skins[size] = std::move(skin);
    }
    return art;
}

// ---- the icon -----------------------------------------------------------------------

// A play triangle over two stacked playlist lines, in the input's green.
Surface drawIcon()
{
    Surface image = drawIconTile();
    coverSampled(
        image, 6, 5, 26, 20, [](double x, double y) { return x >= 10.0 && std::abs(y - 12.5) <= (22.0 - x) * 0.6; },
        [](int, int) { return mix(kInputAccent, kWhite, 0.15); });
    fillRoundRect(image, {8, 21, 25, 23}, 0.8, rgb(0xE2, 0xE5, 0xE9));
    fillRoundRect(image, {8, 25, 20, 27}, 0.8, rgb(0xA4, 0xA9, 0xB0));
    return image;
}

// ---- preview ------------------------------------------------------------------------

bool writePreview(const WindowArt& art, const std::string& folder)
{
    Surface window = art.skins[layout::kSizeLarge].clone();
    window.copyFrom(art.playButton, frameOf(5, layout::kPlayButton.width, layout::kPlayButton.height),
                    layout::kPlayButton.x, layout::kPlayButton.y);
    window.copyFrom(art.loopButton, frameOf(4, layout::kLoopButton.width, layout::kLoopButton.height),
                    layout::kLoopButton.x + layout::kPlayerPitch, layout::kLoopButton.y);
    return save(presented(window, art.masks[layout::kSizeLarge]), folder + "/preview-window.png");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "plugins/plevnt/res";
    const WindowArt art = drawWindow();
    const Surface icon = drawIcon();
    const Surface cursor = drawArrowCursor();

    bool ok = writeResources(
        folder, "resources.list", "The media player's pictures, drawn by tools/draw-plevnt-artwork.cpp.",
        {
            {"bitmap", layout::kSmallSkinBitmap, "skin-small.png", &art.skins[layout::kSizeSmall]},
            {"bitmap", layout::kMediumSkinBitmap, "skin-medium.png", &art.skins[layout::kSizeMedium]},
            {"bitmap", layout::kLargeSkinBitmap, "skin-large.png", &art.skins[layout::kSizeLarge]},
            {"bitmap", layout::kSmallMaskBitmap, "mask-small.png", &art.masks[layout::kSizeSmall]},
            {"bitmap", layout::kMediumMaskBitmap, "mask-medium.png", &art.masks[layout::kSizeMedium]},
            {"bitmap", layout::kLargeMaskBitmap, "mask-large.png", &art.masks[layout::kSizeLarge]},
            {"bitmap", layout::kTitleFieldBitmap, "title-field.png", &art.titleField},
            {"bitmap", layout::kMenuButtonBitmap, "menu-button.png", &art.menuButton},
            {"bitmap", layout::kCloseButtonBitmap, "close-button.png", &art.closeButton},
            {"bitmap", layout::kPreviousButtonBitmap, "previous-button.png", &art.previousButton},
            {"bitmap", layout::kPlayButtonBitmap, "play-button.png", &art.playButton},
            {"bitmap", layout::kPauseButtonBitmap, "pause-button.png", &art.pauseButton},
            {"bitmap", layout::kStopButtonBitmap, "stop-button.png", &art.stopButton},
            {"bitmap", layout::kNextButtonBitmap, "next-button.png", &art.nextButton},
            {"bitmap", layout::kOpenButtonBitmap, "open-button.png", &art.openButton},
            {"bitmap", layout::kLoopButtonBitmap, "loop-button.png", &art.loopButton},
            {"icon", layout::kIcon, "icon.png", &icon},
            {"cursor", layout::kCursor, "cursor.png", &cursor, " 1 1"},
        });
    if (argc > 2)
        ok &= writePreview(art, argv[2]);
    return ok ? 0 : 1;
}
