// The output window as the engine runs it: the real engine core loads
// Brolet.vwo, whose window lives on the kit's window thread; the test clicks
// as a user, answers the boxes, menus and dialogs from inside their loops and
// looks at the pictures and the settings file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "brolet/BroletTestKit.h"
#include "platform/core/FileSystems.h"
#include "platform/core/Notice.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/brolet/BroadcastDialog.h"
#include "plugins/brolet/BroletWindow.h"
#include "plugins/brolet/FileOutputDialog.h"
#include "plugins/brolet/Layout.h"
#include "support/EngineTestSeam.h"
#include "support/WindowPictures.h"
#include "zkr/BitmapButton.h"
#include "zkr/NameField.h"
#include "zkr/Product.h"
#include "zkr/SkinImages.h"
#include "zkr/WaveDevicePropertiesDialog.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using brolet::Box;
using Window = brolet::BroletWindow;

constexpr int kTextId = 0xFFFF; // a message box's text
constexpr int kIconId = 20;     // and its icon

class BroletWindowTest : public BroletTest {
protected:
    void open(const std::string& settings = "")
    {
        start(settings);
        for (const WindowListEntry& entry : topLevelWindows())
            if (entry.title == Window::kTitle)
                brolet = entry.window;
        ASSERT_NE(brolet, nullptr);
    }
    // A user's click on a control; the mouse then rests on the display, where no control is.
    void click(const Box& box) const
    {
        headless::mouseMove(brolet, box.x + box.width / 2, box.y + box.height / 2);
        headless::click(brolet, box.x + box.width / 2, box.y + box.height / 2);
        headless::mouseMove(brolet, brolet::kDisplay.x + 10, brolet::kDisplay.y + 10);
    }
    // A click that opens something modal, and the step that answers it; returns once answered.
    void clickAnswering(const Box& box, ModalScript::Step step)
    {
        auto answered = std::make_shared<std::atomic<bool>>(false);
        modal.then([step, answered](WindowHandle shown, int depth) {
            step(shown, depth);
            *answered = true;
        });
        click(box);
        ASSERT_TRUE(eventually([&] { return answered->load(); }));
    }
    // Clicks a switch and answers the message box it shows with button; its text and whether
    // its icon is that of style.
    std::string boxAnswered(const Box& box, int button, uint32_t iconStyle)
    {
        std::string text;
        const Surface* icon = nullptr;
        clickAnswering(box, [&](WindowHandle shown, int) {
            text = dlgItemText(shown, kTextId);
            EXPECT_EQ(windowTitle(shown), Window::kTitle);
            icon = reinterpret_cast<const Surface*>(
                sendDlgItemMessage(shown, kIconId, kMsgStaticGetImage, 0, 0));
            EXPECT_TRUE(pressDialogButton(shown, button));
        });
        EXPECT_EQ(icon, iconOf(iconStyle));
        return text;
    }
    // The icon the platform gives a message box of that style (one picture per style).
    const Surface* iconOf(uint32_t style)
    {
        const Surface* icon = nullptr;
        modal.then([&](WindowHandle shown, int) {
            icon = reinterpret_cast<const Surface*>(
                sendDlgItemMessage(shown, kIconId, kMsgStaticGetImage, 0, 0));
            EXPECT_TRUE(pressDialogButton(shown, kIdOk));
        });
        (void)messageBox(nullptr, "", "", style);
        return icon;
    }

    // Frame `frame` of one of the plug-in's stacked bitmaps, shown where its control sits.
    bool showsFrame(const Box& box, unsigned bitmap, int frame) const
    {
        zkr::BitmapObject image;
        EXPECT_TRUE(image.load(zkr::ownModule(), bitmap));
        const Rect picture{0, frame * box.height, box.width, (frame + 1) * box.height};
        return showsPicture(brolet, box.x, box.y, image.bitmap().view(picture).clone());
    }
    // The switches' frames: off or on, enabled or locked.
    bool showsSwitches(bool sound, bool file, bool locked = false) const
    {
        const int disabled = locked ? zkr::BitmapButton::kFrameDisabled : 0;
        return showsFrame(brolet::kSoundSwitch, brolet::kSoundSwitchBitmap, (sound ? 4 : 0) + disabled) &&
               showsFrame(brolet::kFileSwitch, brolet::kFileSwitchBitmap, (file ? 4 : 0) + disabled);
    }
    // The name field shows text as the window draws it.
    bool showsText(const Box& field, const Box& textArea, unsigned picture, const std::string& text) const
    {
        zkr::BitmapObject background;
        EXPECT_TRUE(background.load(zkr::ownModule(), picture));
        zkr::NameField display;
        display.place(plat::ui::Rect::fromSize(0, 0, field.width, field.height), textArea.rect(),
                      &background);
        display.setText(text.c_str());
        Surface expected(field.width, field.height);
        Painter painter(expected);
        display.paint(&painter);
        return showsPicture(brolet, field.x, field.y, expected);
    }
    bool showsMode(const std::string& label) const
    {
        return showsText(brolet::kModeLabel, brolet::kModeText, brolet::kModeFieldBitmap, label);
    }
    // The status text over the skin where the window shows the underruns.
    bool showsUnderruns(const std::string& text) const
    {
        const Box& box = brolet::kUnderrunsText;
        zkr::BitmapObject skin;
        EXPECT_TRUE(skin.load(zkr::ownModule(), brolet::kSkinBitmap));
        Surface expected = skin.bitmap().view(box.rect()).clone();
        Painter painter(expected);
        brolet::StatusLabel label;
        label.place(0, 0, box.width, box.height);
        label.setText(text.c_str());
        label.paint(&painter);
        return showsPicture(brolet, box.x, box.y, expected);
    }

    ModalScript modal;
    WindowHandle brolet = nullptr;
};

TEST_F(BroletWindowTest, StoredSettingsComeBackAndClosingForGoodWritesThemAll)
{
    // A stored external visual is not loaded again; no output at all means sound.
    // A folder longer than a settings field is kept whole.
    const std::string folder = "/rec/" + std::string(300, 'f');
    open("WindowPos=30,40\nVizMode=5\nbSoundOutput=0\nbFileOutput=0\nOutPath=" + folder +
         "\nOutFilename=Take\n");
    Rect place;
    EXPECT_TRUE(windowRect(brolet, place));
    EXPECT_EQ(place, Rect::fromSize(30, 40, brolet::kWindowWidth, brolet::kWindowHeight));
    EXPECT_TRUE(showsSwitches(true, false));
    EXPECT_TRUE(showsMode("no visual"));
    finish();
    EXPECT_FALSE(isWindow(brolet));
    const std::string text = settingsText();
    for (const std::string& line :
         std::vector<std::string>{"WindowPos=30,40\n", "VizMode=0\n", "bSoundOutput=1\n", "bFileOutput=0\n",
                                  "OutPath=" + folder + "\n", "OutFilename=Take\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
}

TEST_F(BroletWindowTest, TheSwitchesNeverLeaveNoOutput)
{
    using brolet::kFileSwitch;
    using brolet::kSoundSwitch;
    open("VizMode=3\nbSoundOutput=0\nbFileOutput=1\n");
    EXPECT_TRUE(showsSwitches(false, true));
    EXPECT_TRUE(showsMode("Built-In Spectrum1 v0.1"));
    const std::string noOutput =
        "Sorry, this would mean no output!\nYou have to set SOUND, FILE or ON AIR, or any of them together.";
    const std::string soundOff = "You want to have wavefile writting without sound playback!?";
    const uint32_t warning = plat::kNoticeIconExclamation;
    const uint32_t question = plat::kNoticeIconQuestion;

    EXPECT_EQ(boxAnswered(kFileSwitch, kIdOk, warning), noOutput);
    EXPECT_TRUE(showsSwitches(false, true));
    click(kSoundSwitch);
    EXPECT_TRUE(showsSwitches(true, true));
    // No is the question's default.
    clickAnswering(kSoundSwitch, [](WindowHandle shown, int) { headless::pressKey(shown, kVkReturn); });
    EXPECT_TRUE(showsSwitches(true, true));
    EXPECT_EQ(boxAnswered(kSoundSwitch, kIdYes, question), soundOff);
    EXPECT_TRUE(showsSwitches(false, true));
    click(kSoundSwitch);
    click(kFileSwitch);
    EXPECT_TRUE(showsSwitches(true, false));
    EXPECT_EQ(boxAnswered(kSoundSwitch, kIdOk, warning), noOutput);
    EXPECT_TRUE(showsSwitches(true, false));
    // The file switch asks for the recording's folder first, and is on whatever the answer.
    clickAnswering(kFileSwitch, [](WindowHandle shown, int) {
        EXPECT_EQ(windowTitle(shown), "Configure Wavefile Writing");
        EXPECT_TRUE(pressDialogButton(shown, kIdCancel));
    });
    EXPECT_TRUE(showsSwitches(true, true));
    // On air is a third output: it asks for its server first and is on only after OK (the
    // password typed stays masked); with it on, sound and file may both go off, never all three.
    click(kFileSwitch);
    clickAnswering(brolet::kBroadcastSwitch, [](WindowHandle shown, int) {
        EXPECT_EQ(windowTitle(shown), "Configure Broadcast");
        EXPECT_TRUE(setDlgItemText(shown, brolet::BroadcastDialog::kIdPassword, "s3cret"));
        EXPECT_TRUE(pressDialogButton(shown, kIdOk));
    });
    EXPECT_TRUE(showsFrame(brolet::kBroadcastSwitch, brolet::kBroadcastSwitchBitmap, 4));
    EXPECT_EQ(boxAnswered(kSoundSwitch, kIdYes, question), "You want to broadcast without sound playback!?");
    EXPECT_EQ(boxAnswered(brolet::kBroadcastSwitch, kIdOk, warning), noOutput);
    EXPECT_TRUE(showsSwitches(false, false));
    finish();
    const std::string text = settingsText();
    for (const char* line : {"VizMode=3\n", "bSoundOutput=0\n", "bFileOutput=0\n", "bBroadcastOutput=1\n",
                             "OutFilename=My Session\n", "BroadcastPassword=s3cret\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    // A stored password leaves the settings file to its owner alone.
    struct stat info {};
    ASSERT_EQ(::stat(rig.config.file(zkr::kSettingsFile).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(BroletWindowTest, TheFileDialogListsTheDrivesAndKeepsFolderAndTemplateOnOk)
{
    open();
    const std::vector<plat::MountedFileSystem> drives = plat::writableFileSystems();
    ASSERT_FALSE(drives.empty());
    const int marked = brolet::mostFreeSpace(drives);
    const std::size_t chosen = drives.size() - 1;
    clickAnswering(brolet::kFolderButton, [&](WindowHandle dialog, int) {
        const int count = static_cast<int>(sendDlgItemMessage(dialog, 1010, kMsgComboGetCount, 0, 0));
        ASSERT_EQ(count, static_cast<int>(drives.size()));
        for (int line = 0; line < count; ++line) {
            char text[512] = {};
            sendDlgItemMessage(dialog, 1010, kMsgComboGetLbText, static_cast<uintptr_t>(line),
                               reinterpret_cast<intptr_t>(text));
            // Up to the recording time, which moves while other programs write.
            const std::string expected =
                brolet::driveLine(drives[static_cast<std::size_t>(line)], line == marked);
            const std::size_t timeStart = expected.find("] ") + 2;
            EXPECT_EQ(std::string(text).substr(0, timeStart), expected.substr(0, timeStart));
        }
        EXPECT_EQ(sendDlgItemMessage(dialog, 1010, kMsgComboGetCurSel, 0, 0), marked);
        EXPECT_EQ(dlgItemText(dialog, 1012), plat::programFolder() + "/Userfiles");
        EXPECT_EQ(dlgItemText(dialog, 1013), "My Session");
        // The folder browser opens at the folder shown (or the root when it is not there yet); its answer is
        // taken.
        std::string browsed;
        modal.then([&](WindowHandle browser, int) {
            browsed = dlgItemText(browser, 1091);
            EXPECT_TRUE(pressDialogButton(browser, kIdOk));
        });
        EXPECT_TRUE(pressDialogButton(dialog, 1011));
        EXPECT_TRUE(browsed == plat::programFolder() + "/Userfiles" || browsed == "/") << browsed;
        EXPECT_EQ(dlgItemText(dialog, 1012), browsed);
        // The user picks a drive: its mount point becomes the folder.
        sendDlgItemMessage(dialog, 1010, kMsgComboSetCurSel, chosen, 0);
        sendMessage(dialog, kMsgCommand, makeWParam(1010, kComboSelChange),
                    reinterpret_cast<intptr_t>(dialogItem(dialog, 1010)));
        EXPECT_EQ(dlgItemText(dialog, 1012), drives[chosen].folder);
        EXPECT_TRUE(setDlgItemText(dialog, 1013, "Night Take"));
        EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
    });
    finish();
    const std::string text = settingsText();
    for (const std::string& line :
         {"OutPath=" + drives[chosen].folder + "\n", std::string("OutFilename=Night Take\n")})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
}

TEST_F(BroletWindowTest, TheSoundCardMenuChoosesTheDeviceAndItsPropertiesShowIt)
{
    using brolet::kDeviceField;
    open();
    // Device 0 is chosen when the window is made.
    EXPECT_TRUE(
        showsText(kDeviceField, brolet::kDeviceText, brolet::kDeviceFieldBitmap, "Velmora Null Output"));
    std::vector<std::string> items;
    clickAnswering(kDeviceField, [&](WindowHandle menuWindow, int) {
        const MenuHandle menu = menuOfWindow(menuWindow);
        for (int position = 0; position < menuItemCount(menu); ++position)
            items.push_back(menuString(menu, static_cast<uint32_t>(position), kMenuByPosition));
        EXPECT_TRUE(clickMenuItem(menuWindow, 1));
    });
    EXPECT_EQ(items, (std::vector<std::string>{"Velmora Null Output", "Velmora File Output"}));
    EXPECT_TRUE(
        showsText(kDeviceField, brolet::kDeviceText, brolet::kDeviceFieldBitmap, "Velmora File Output"));
    clickAnswering(brolet::kAboutButton, [](WindowHandle dialog, int) {
        EXPECT_EQ(dlgItemText(dialog, zkr::WaveDevicePropertiesDialog::kIdName), "Velmora File Output");
        EXPECT_TRUE(pressDialogButton(dialog, kIdOk));
    });
}

TEST_F(BroletWindowTest, TheUsersCloseAsksTheEngineToUnloadThePluginAndKeepsTheWindow)
{
    open();
    core.clearRecords();
    click(brolet::kCloseButton);
    ASSERT_TRUE(eventually([&] { return !core.postedEvents().empty(); }));
    // The engine found the plug-in by the handle the request carried.
    EXPECT_EQ(core.postedEvents(), std::vector<int>{toWire(engine::Event::UnloadPlugin)});
    EXPECT_TRUE(isWindow(brolet));
    EXPECT_TRUE(isWindowVisible(brolet));
}

TEST_F(BroletWindowTest, TheSwitchesAreLockedWhileStreaming)
{
    open();
    script(0, {-1, 0, 0, -1});
    script(1, {-1, 0, 0, -1});
    ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 2), 1);
    ASSERT_EQ(core.startStreaming(), 1);
    EXPECT_TRUE(showsSwitches(true, false, true));
    // A locked switch takes no click: no box comes up, nothing changes.
    click(brolet::kSoundSwitch);
    click(brolet::kFileSwitch);
    EXPECT_TRUE(showsSwitches(true, false, true));
    core.audio().stopStreaming();
    EXPECT_TRUE(showsSwitches(true, false));
    EXPECT_TRUE(modal.finished());
}

// An input that stalls longer than the ring lasts runs the paced sound card
// dry: the late block is counted, told at the stop and shown by the window.
TEST_F(BroletWindowTest, ALateBlockOfTheSoundCardIsCountedToldAtStopAndShown)
{
    open();
    EXPECT_TRUE(showsUnderruns(""));
    engine::AudioSystemSetup setup = core.audio().setup();
    setup.musicBufSize = 2048; // three blocks of 11.6 ms: a stall of 200 ms leaves a gap
    setup.numOutBufs = 3;
    ASSERT_EQ(core.applyAudioSetup(setup), 0);
    script(0, {40, 0, 0, 20});
    script(1, {40, 0, 0, -1});
    ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 2), 1);
    testing::internal::CaptureStderr();
    ASSERT_EQ(core.startStreaming(), 1);
    ASSERT_EQ(inputLibrary.function<coretest::InputWaitStalledFn>(coretest::kInputWaitStalled)(5000), 1);
    std::this_thread::sleep_for(200ms);
    inputLibrary.function<coretest::InputReleaseFn>(coretest::kInputRelease)();
    ASSERT_TRUE(core.waitForEvent(toWire(engine::Event::StopStreaming)));
    core.audio().stopStreaming();
    const std::string log = testing::internal::GetCapturedStderr();
    const std::string line = "Playback underruns this run: ";
    const size_t at = log.find(line);
    ASSERT_NE(at, std::string::npos) << log;
    const uint64_t underruns = std::stoull(log.substr(at + line.size()));
    EXPECT_GE(underruns, 1u);
    EXPECT_TRUE(showsUnderruns("Underruns: " + std::to_string(underruns)));
}

TEST(DriveList, EachLineShowsTheMountPointTheKindAndTheRecordingTimeOfTheFreeSpace)
{
    EXPECT_EQ(brolet::recordingTimeText(1073741824), "01h 41min 26s");
    EXPECT_EQ(brolet::recordingTimeText(0), "00h 00min 00s");
    EXPECT_EQ(brolet::recordingTimeText(176400ull * (100 * 3600 + 10 * 60 + 9) + 176399), "100h 10min 09s");
    const std::vector<plat::MountedFileSystem> drives{
        {"/", "ext4", 5000, plat::StorageMedium::Fixed},
        {"/media/stick", "vfat", 1073741824, plat::StorageMedium::Removable},
        {"/net", "nfs4", 1073741824, plat::StorageMedium::Network},
    };
    EXPECT_EQ(brolet::mostFreeSpace(drives), 1);
    EXPECT_EQ(brolet::mostFreeSpace({}), -1);
    EXPECT_EQ(brolet::driveLine(drives[1], true), "* /media/stick [vfat, removable] 01h 41min 26s");
    EXPECT_EQ(brolet::driveLine(drives[2], false), "/net [nfs4, network drive] 01h 41min 26s");
}

} // namespace
} // namespace velmora::test
