// The player's main window as the engine runs it: the real engine loads
// Tindle.vin, whose window lives on the kit's window thread; the test opens,
// drops, plays and closes files as a user, answers the dialogs from inside
// their loops and looks at the strips' pictures and the settings file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/tindle/Layout.h"
#include "plugins/tindle/PropertiesDialog.h"
#include "plugins/tindle/StripControls.h"
#include "plugins/tindle/TindleWindow.h"
#include "support/EngineTestSeam.h"
#include "support/WindowPictures.h"
#include "tindle/TindleTestKit.h"
#include "zkr/BitmapObject.h"
#include "zkr/NameField.h"
#include "zkr/SkinImages.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using tindle::Box;
using tindle::inStrip;
using Window = tindle::TindleWindow;

// The platform's file dialog: folder entries, file types, name field.
constexpr int kEntryList = 1120;
constexpr int kTypeList = 1136;
constexpr int kNameField = 1152;

class TindleWindowTest : public TindleTest {
protected:
    void open(const std::string& settings = "")
    {
        start(settings);
        loadLibrary();
        ASSERT_EQ(engine.applyAudioSetup(engine.audio().setup()), 0);
        player = findWindow(Window::kClassName, Window::kTitle);
        ASSERT_NE(player, nullptr);
    }
    // A user's click; the mouse then rests on the title strip, where no control is.
    void click(const Box& box) const
    {
        headless::mouseMove(player, box.x + box.width / 2, box.y + box.height / 2);
        headless::click(player, box.x + box.width / 2, box.y + box.height / 2);
        headless::mouseMove(player, 300, 4);
    }
    // A click that opens something modal, and the steps that answer it; returns once answered.
    void clickAnswering(const Box& box, std::vector<ModalScript::Step> steps)
    {
        auto answered = std::make_shared<std::atomic<bool>>(false);
        for (std::size_t i = 0; i < steps.size(); ++i)
            modal.then(
                [step = steps[i], last = i + 1 == steps.size(), answered](WindowHandle shown, int depth) {
                    step(shown, depth);
                    *answered = last;
                });
        click(box);
        ASSERT_TRUE(eventually([&] { return answered->load(); }));
    }

    static Surface picture(unsigned bitmap, const Box& box, int frame)
    {
        zkr::BitmapObject image;
        EXPECT_TRUE(image.load(zkr::ownModule(), bitmap));
        return image.bitmap().view({0, frame * box.height, box.width, (frame + 1) * box.height}).clone();
    }
    // Frame `frame` of a strip control's stacked bitmap where it sits, or the skin (hidden).
    bool shows(int strip, const Box& box, unsigned bitmap, int frame) const
    {
        const Box at = inStrip(box, strip);
        if (frame < 0) {
            zkr::BitmapObject skin;
            EXPECT_TRUE(skin.load(zkr::ownModule(), tindle::kSkinBitmap));
            return showsPicture(player, at.x, at.y,
                                skin.bitmap().view({at.x, at.y, at.x + at.width, at.y + at.height}).clone());
        }
        return showsPicture(player, at.x, at.y, picture(bitmap, box, frame));
    }
    // Open, close, play, pause frames (-1: hidden) and the title.
    void expectStrip(int strip, std::vector<int> frames, const std::string& title) const
    {
        const Box boxes[] = {tindle::kOpenButton, tindle::kCloseFileButton, tindle::kPlayButton,
                             tindle::kPauseButton};
        const unsigned bitmaps[] = {tindle::kOpenButtonBitmap, tindle::kCloseFileButtonBitmap,
                                    tindle::kPlayButtonBitmap, tindle::kPauseButtonBitmap};
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_TRUE(shows(strip, boxes[i], bitmaps[i], frames[i]))
                << "strip " << strip << " control " << i;
        zkr::BitmapObject field;
        EXPECT_TRUE(field.load(zkr::ownModule(), tindle::kTitleFieldBitmap));
        zkr::NameField expected;
        expected.twoLines = true;
        expected.place(plat::ui::Rect::fromSize(0, 0, tindle::kTitleField.width, tindle::kTitleField.height),
                       tindle::kTitleText.rect(), &field);
        expected.setText(title.c_str());
        Surface text(tindle::kTitleField.width, tindle::kTitleField.height);
        Painter painter(text);
        expected.paint(&painter);
        const Box at = inStrip(tindle::kTitleField, strip);
        EXPECT_TRUE(showsPicture(player, at.x, at.y, text)) << "strip " << strip << " title " << title;
    }
    // The column of the display (right of the properties button) that shows the whole cursor, or -1.
    int cursorColumn(int strip) const
    {
        const Box at = inStrip(tindle::kDisplay, strip);
        const Surface image = settledPicture(player);
        for (int x = tindle::kPropertiesButton.width; x < at.width; ++x) {
            int rows = 0;
            while (rows < at.height &&
                   (image.pixel(at.x + x, at.y + rows) & 0xFFFFFF) == (tindle::kCursorColour & 0xFFFFFF))
                ++rows;
            if (rows == at.height)
                return x;
        }
        return -1;
    }
    // Whether the display shows (right of the properties button) the empty colour, once it does or does not.
    bool emptyDisplay(int strip, bool empty = true) const
    {
        const Box at = inStrip(tindle::kDisplay, strip);
        return eventually([&] {
            const Surface image = settledPicture(player);
            bool allEmpty = true;
            for (int y = 0; y < at.height; ++y)
                for (int x = tindle::kPropertiesButton.width; x < at.width; ++x)
                    allEmpty &= (image.pixel(at.x + x, at.y + y) & 0xFFFFFF) ==
                                (tindle::kEmptyDisplayColour & 0xFFFFFF);
            return allEmpty == empty;
        });
    }

    ModalScript modal;
    WindowHandle player = nullptr;
};

constexpr int kNormal = 0, kDisabled = 1, kOn = 4, kHidden = -1;

TEST_F(TindleWindowTest, StripsFollowTheChannelsThroughOpenDropPlayPauseStopAndClose)
{
    const std::string mono = soxWaveFile(files.file("Mono Take.wav"), "-r 44100 -c 1 -b 16", "30 sine 300");
    const std::string stereo =
        soxWaveFile(files.file("stereo.wav"), "-r 44100 -c 2 -b 16", "3 sine 300 sine 500");
    writeText(files.file("notes.txt"), "not a wave");
    open();
    for (int strip = 0; strip < 4; ++strip) {
        expectStrip(strip, {kNormal, kDisabled, kDisabled, kDisabled},
                    "audio track " + std::to_string(strip + 1));
        EXPECT_TRUE(emptyDisplay(strip));
    }

    // The open dialog of channel 1 lists only wave files; the one chosen opens there.
    std::string title;
    std::string type;
    std::vector<std::string> entries;
    clickAnswering(tindle::kOpenButton,
                   {[&](WindowHandle dialog, int) {
                        title = windowTitle(dialog);
                        char text[64] = {};
                        sendDlgItemMessage(dialog, kTypeList, kMsgComboGetLbText, 0,
                                           reinterpret_cast<intptr_t>(text));
                        type = text;
                        EXPECT_TRUE(setDlgItemText(dialog, kNameField, files.path().c_str()));
                        EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
                    },
                    [&](WindowHandle dialog, int) {
                        const auto count = sendDlgItemMessage(dialog, kEntryList, kMsgListGetCount, 0, 0);
                        for (intptr_t i = 0; i < count; ++i) {
                            char text[256] = {};
                            sendDlgItemMessage(dialog, kEntryList, kMsgListGetText, uintptr_t(i),
                                               reinterpret_cast<intptr_t>(text));
                            entries.push_back(text);
                        }
                        EXPECT_TRUE(setDlgItemText(dialog, kNameField, "Mono Take.wav"));
                        EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
                    }});
    EXPECT_EQ(title, "Open Wave Ch1...");
    EXPECT_EQ(type, "PCM Wave Audio");
    EXPECT_EQ(entries, (std::vector<std::string>{"Mono Take.wav", "stereo.wav"}));
    expectStrip(0, {kNormal, kNormal, kNormal, kDisabled}, "Mono Take.wav");
    // The stereo file dropped on strip 3's title fills channels 3 and 4; the right one shows no buttons.
    const Box onTitle = inStrip(tindle::kTitleField, 2);
    headless::dropFiles(player, onTitle.x + 5, onTitle.y + 5, {stereo});
    expectStrip(2, {kNormal, kNormal, kNormal, kDisabled}, "stereo.wav");
    expectStrip(3, {kHidden, kHidden, kHidden, kHidden}, "stereo.wav [right]");
    EXPECT_TRUE(shows(3, tindle::kSyncButton, 0, kHidden) && shows(3, tindle::kLoopButton, 0, kHidden));
    expectStrip(1, {kNormal, kDisabled, kDisabled, kDisabled}, "audio track 2");
    EXPECT_TRUE(emptyDisplay(2, false) && emptyDisplay(3, false));
    EXPECT_EQ(cursorColumn(0), -1);

    // Playing into an output that holds its 40th block: the cursor stops a little way in.
    const coretest::OutputScript holding{1, 1, -1, 40, 1};
    rig.output.script(holding);
    click(tindle::kPlayButton);
    expectStrip(0, {kNormal, kNormal, kOn, kNormal}, "Mono Take.wav");
    int cursor = -1;
    EXPECT_TRUE(eventually([&] { return (cursor = cursorColumn(0)) > 0; }));
    EXPECT_LT(cursor, tindle::kDisplay.width / 2);
    click(tindle::kPauseButton);
    expectStrip(0, {kNormal, kNormal, kOn, kOn}, "Mono Take.wav");
    EXPECT_EQ(cursorColumn(0), cursor);
    // Stopped: the cursor goes back to the start, under the properties button.
    click(tindle::kPlayButton);
    expectStrip(0, {kNormal, kNormal, kNormal, kDisabled}, "Mono Take.wav");
    EXPECT_EQ(cursorColumn(0), -1);

    // Closing the stereo file empties both of its strips.
    click(inStrip(tindle::kCloseFileButton, 2));
    for (int strip : {2, 3}) {
        expectStrip(strip, {kNormal, kDisabled, kDisabled, kDisabled},
                    "audio track " + std::to_string(strip + 1));
        EXPECT_TRUE(emptyDisplay(strip));
    }
    EXPECT_TRUE(modal.finished());
}

TEST_F(TindleWindowTest, PropertiesShowTheHeaderTheExtraChunksAndTheRuntime)
{
    // A sox file given an 18-byte format chunk and two chunks before its data.
    const std::string made = soxWaveFile(files.file("made.wav"), "-r 44100 -c 2 -b 16", "2.5 sine 440");
    std::string bytes = readText(made);
    const std::string data = bytes.substr(36);
    const std::string chunks = std::string("LIST\4\0\0\0INFOfact\4\0\0\0", 20) + std::string(4, '\xA0');
    bytes = bytes.substr(0, 16) + std::string("\22\0\0\0", 4) + bytes.substr(20, 16) + std::string(2, '\0') +
            chunks + data;
    const uint32_t riffSize = uint32_t(bytes.size() - 8);
    bytes.replace(4, 4, reinterpret_cast<const char*>(&riffSize), 4);
    writeText(files.file("props.wav"), bytes);
    open();
    headless::dropFiles(player, 100, tindle::kDisplay.y + 5, {files.file("props.wav")});
    expectStrip(0, {kNormal, kNormal, kNormal, kDisabled}, "props.wav");

    std::vector<std::string> texts;
    clickAnswering(tindle::kPropertiesButton, {[&](WindowHandle dialog, int) {
                       texts.push_back(windowTitle(dialog));
                       for (int id = tindle::PropertiesDialog::kIdFile;
                            id <= tindle::PropertiesDialog::kIdRuntime; ++id)
                           texts.push_back(dlgItemText(dialog, id));
                       EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
                   }});
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Wavefile Properties", files.file("props.wav"), "PCM", "2", "44100",
                                        "176400", "4", "16", "Chunk has 2 Bytes additional data!",
                                        "'LIST';'fact';", "Total runtime is 00:00:02 ..."}));
}

TEST_F(TindleWindowTest, TheUsersCloseAsksForTheUnloadAndThePlaceIsKeptAcrossLoads)
{
    open("MainWndPos=30,40\n");
    Rect place;
    EXPECT_TRUE(windowRect(player, place));
    EXPECT_EQ(place, Rect::fromSize(30, 40, tindle::kWindowWidth, tindle::kWindowHeight));
    // The pre-recorder button shows and hides the pre-recorder.
    click(tindle::kPreRecorderButton);
    const WindowHandle recorder = findWindow(nullptr, "pre-recorder");
    ASSERT_NE(recorder, nullptr);
    EXPECT_TRUE(eventually([&] { return isWindowVisible(recorder); }));
    click(tindle::kPreRecorderButton);
    EXPECT_TRUE(eventually([&] { return !isWindowVisible(recorder); }));

    EXPECT_TRUE(setWindowPos(player, 50, 60, 0, 0, kPosNoSize | kPosNoZOrder));
    click(tindle::kCloseButton);
    // The window stays for the engine, which finds the player by the request's handle and unloads it;
    // closing for good keeps the place.
    ASSERT_TRUE(eventually([&] { return !engine.carried(toWire(engine::Event::UnloadPlugin)).empty(); }));
    const CarriedEvent unload = engine.carried(toWire(engine::Event::UnloadPlugin))[0];
    EXPECT_EQ(unload.target, toWire(engine::EventKind::Input));
    EXPECT_EQ(unload.index, 0);
    EXPECT_TRUE(eventually([&] { return EngineSeam::inputs(engine)[0] == nullptr && !isWindow(player); }));
    EXPECT_NE(settingsText().find("MainWndPos=50,60\n"), std::string::npos) << settingsText();
}

} // namespace
} // namespace velmora::test
