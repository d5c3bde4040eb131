// The tray icon's requests: the tray menu and what its items do, the About
// box with its freeware notice, and the homepage with its failure messages,
// driven on the headless backend.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/AboutBox.h"
#include "engine/DialogTestKit.h"
#include "engine/Engine.h"
#include "engine/EngineResources.h"
#include "platform/core/Notice.h"
#include "platform/core/Shell.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"
#include "support/EngineTestSeam.h"
#include "support/Watchdog.h"

using velmora::test::EngineSeam;

namespace {

using namespace plat::ui;
using velmora::test::ModalScript;
using velmora::test::pumpPending;
using velmora::test::TestWindowBehaviour;
using velmora::test::Watchdog;
using namespace std::chrono_literals;

using ShellCalls = velmora::test::ShellAndNotices;

std::vector<velmora::test::RecordedNotice>& notices()
{
    return ShellCalls::notices();
}

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.shell().loadTrayMenu();
        window = velmora::test::makeTopLevel(behaviour, "Velmora Audio Engine", {100, 100, 300, 250}, false);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        (void)destroyWindow(window);
        pumpPending();
    }
    int32_t tray(intptr_t mouseMessage)
    {
        engine::EngineRequest request{};
        request.owner = reinterpret_cast<intptr_t>(window);
        request.data = mouseMessage;
        return engine.handleRequest(&request, toWire(engine::Request::TrayNotification));
    }

    Watchdog watchdog{20s, "tray test"};
    ShellCalls shellAndNotices;
    engine::Engine engine;
    TestWindowBehaviour behaviour{nullptr, {}};
    WindowHandle window = nullptr;
};

// ---------------------------------------------------------------------------
// The menu

TEST_F(TrayTest, TheMenuOffersExactlyItsEightEntriesInOrder)
{
    ASSERT_NE(EngineSeam::trayMenu(engine), nullptr);
    EXPECT_EQ(menuString(EngineSeam::trayMenuBar(engine), 0, kMenuByPosition), "TrayMenu");
    struct Entry {
        int id;
        const char* text;
    };
    const Entry expected[] = {
        {engine::kTrayAbout, "&About..."},
        {engine::kTrayHelpIndex, "&HTMLHelp Index"},
        {0, nullptr},
        {engine::kTrayUpdate, "&Update Velmora"},
        {engine::kTrayHomepage, "&Velmora Homepage"},
        {0, nullptr},
        {engine::kTrayAudioSetup, "&Audio System Setup..."},
        {engine::kTrayPluginManager, "&Plugin Manager..."},
    };
    ASSERT_EQ(menuItemCount(EngineSeam::trayMenu(engine)), 8);
    for (int i = 0; i < 8; ++i) {
        const auto position = static_cast<uint32_t>(i);
        if (expected[i].text == nullptr) {
            EXPECT_NE(menuState(EngineSeam::trayMenu(engine), position, kMenuByPosition) & kMenuSeparator, 0u)
                << i;
            continue;
        }
        EXPECT_EQ(menuItemId(EngineSeam::trayMenu(engine), i), expected[i].id) << i;
        EXPECT_EQ(menuString(EngineSeam::trayMenu(engine), position, kMenuByPosition), expected[i].text) << i;
        EXPECT_EQ(menuState(EngineSeam::trayMenu(engine), position, kMenuByPosition) &
                      (kMenuGrayed | kMenuSeparator),
                  0u)
            << i;
    }
    EXPECT_EQ(EngineSeam::trayMenu(engine), subMenu(EngineSeam::trayMenuBar(engine), 0));
}

TEST_F(TrayTest, ARightReleaseTracksTheMenuAtTheCursorAndCarriesOutTheChoice)
{
    headless::setCursorPosition({240, 180});
    Rect menuPlace{};
    ModalScript script;
    script.then([&](WindowHandle, int) {
        for (const WindowListEntry& entry : topLevelWindows()) {
            if (windowClassName(entry.window) == "#32768") {
                EXPECT_TRUE(windowRect(entry.window, menuPlace));
            }
        }
        headless::typeText(window, "v"); // "&Velmora Homepage"
    });
    EXPECT_EQ(tray(0x205), 1);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(menuPlace.left, 240);
    EXPECT_EQ(menuPlace.top, 180);
    ASSERT_EQ(ShellCalls::targets().size(), 1u);
    EXPECT_EQ(ShellCalls::targets()[0], engine::kMakerWebAddress);
}

TEST_F(TrayTest, ADismissedMenuDoesNothing)
{
    ModalScript script;
    script.then([&](WindowHandle, int) { headless::pressKey(window, kVkEscape); });
    EXPECT_EQ(tray(0x205), 1);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(ShellCalls::targets().empty());
    EXPECT_TRUE(notices().empty());
}

// ---------------------------------------------------------------------------
// Left release and other messages

TEST_F(TrayTest, ALeftReleaseShowsTheWindowNormallyAndBringsItForwardOthersDoNothing)
{
    showWindow(window, kShowMinimized);
    ASSERT_TRUE(isIconic(window));
    TestWindowBehaviour otherBehaviour{nullptr, {}};
    WindowHandle other = velmora::test::makeTopLevel(otherBehaviour, "other");
    (void)setForegroundWindow(other);

    EXPECT_EQ(tray(0x202), 1);
    EXPECT_TRUE(isWindowVisible(window));
    EXPECT_FALSE(isIconic(window));
    EXPECT_EQ(foregroundWindow(), window);
    (void)destroyWindow(other);

    // Other mouse messages do nothing.
    showWindow(window, kShowHide);
    for (intptr_t message : {0x200, 0x201, 0x203, 0x204, 0x206}) {
        EXPECT_EQ(tray(message), 1);
        EXPECT_FALSE(isWindowVisible(window)) << message;
    }
}

// ---------------------------------------------------------------------------
// The About box

// Closes the About box the given way and counts the freeware notices shown.
struct AboutDriver {
    enum class Close { Ok, Escape, CloseBox, WebThenOk };

    explicit AboutDriver(Close how) : how(how) { setModalHook(&AboutDriver::hook, this); }
    ~AboutDriver() { setModalHook(nullptr, nullptr); }

    static void hook(WindowHandle modal, int depth, void* context)
    {
        auto* self = static_cast<AboutDriver*>(context);
        const std::string caption = windowText(modal);
        if (caption == "About" && modal != self->about) {
            self->about = modal;
            self->aboutDepth = depth;
            self->webText = dlgItemText(modal, engine::kAboutWebButtonId);
            self->titleText = dlgItemText(modal, engine::AboutBox::kIdTitle);
            for (WindowHandle child : childWindows(modal))
                if (sendMessage(child, kMsgStaticGetImage, kImageBitmap, 0) != 0)
                    self->hasPicture = true;
            switch (self->how) {
            case Close::Ok:
                EXPECT_TRUE(pressDialogButton(modal, kIdOk));
                break;
            case Close::Escape:
                headless::pressKey(modal, kVkEscape);
                break;
            case Close::CloseBox:
                headless::closeRequest(modal);
                break;
            case Close::WebThenOk:
                EXPECT_TRUE(pressDialogButton(modal, engine::kAboutWebButtonId));
                self->shellCallsAfterWeb = ShellCalls::targets().size();
                EXPECT_TRUE(pressDialogButton(modal, kIdOk));
                break;
            }
        } else if (caption == "Velmora Audio Engine is Freeware" && modal != self->notice) {
            self->notice = modal;
            ++self->notices;
            self->noticeDepth = depth;
            self->noticeOwner = ownerWindow(modal);
            self->noticeText = dlgItemText(modal, engine::FreewareNotice::kIdText);
            self->noticeButton = dlgItemText(modal, kIdOk);
            self->aboutVisibleUnderNotice = isWindowVisible(self->about);
            EXPECT_TRUE(pressDialogButton(modal, kIdOk));
        }
        (void)postThreadMessage(plat::currentThreadId(), kMsgNull, 0, 0);
    }

    Close how;
    WindowHandle about = nullptr;
    WindowHandle notice = nullptr;
    WindowHandle noticeOwner = nullptr;
    int aboutDepth = 0;
    int noticeDepth = 0;
    int notices = 0;
    bool hasPicture = false;
    bool aboutVisibleUnderNotice = false;
    size_t shellCallsAfterWeb = 0;
    std::string webText, titleText, noticeText, noticeButton;
};

TEST_F(TrayTest, TheAboutBoxShowsItsPictureAndClosingItWithOkShowsTheNoticeOnce)
{
    AboutDriver driver(AboutDriver::Close::Ok);
    engine::EngineRequest request{};
    request.owner = reinterpret_cast<intptr_t>(window);
    EXPECT_EQ(engine.handleRequest(&request, toWire(engine::Request::About)), 1);
    EXPECT_EQ(driver.webText, engine::kMakerWebAddress);
    EXPECT_EQ(driver.titleText, "Velmora Audio Engine v0.1b");
    EXPECT_TRUE(driver.hasPicture);
    EXPECT_EQ(driver.notices, 1);
    EXPECT_EQ(driver.noticeOwner, driver.about);
    EXPECT_EQ(driver.noticeDepth, driver.aboutDepth + 1);
    EXPECT_TRUE(driver.aboutVisibleUnderNotice) << "the notice comes before the box closes";
    EXPECT_NE(driver.noticeText.find("free for non-commercial use"), std::string::npos);
    EXPECT_NE(driver.noticeText.find("donation"), std::string::npos);
    EXPECT_NE(driver.noticeText.find(engine::kMakerMail), std::string::npos);
    EXPECT_EQ(driver.noticeButton, "&OK");
    EXPECT_FALSE(isWindow(driver.about));
}

TEST_F(TrayTest, ClosingTheAboutBoxWithCancelOrTheCloseBoxShowsTheNoticeOnce)
{
    {
        AboutDriver driver(AboutDriver::Close::Escape);
        EXPECT_EQ(engine.shell().openAbout(window), 1);
        EXPECT_EQ(driver.notices, 1);
    }
    {
        AboutDriver driver(AboutDriver::Close::CloseBox);
        EXPECT_EQ(engine.shell().openAbout(window), 1);
        EXPECT_EQ(driver.notices, 1);
    }
}

TEST_F(TrayTest, TheAboutBoxButtonOpensTheMakersPage)
{
    AboutDriver driver(AboutDriver::Close::WebThenOk);
    EXPECT_EQ(engine.shell().openAbout(window), 1);
    EXPECT_EQ(driver.shellCallsAfterWeb, 1u);
    ASSERT_EQ(ShellCalls::targets().size(), 1u);
    EXPECT_EQ(ShellCalls::targets()[0], engine::kMakerWebAddress);
    EXPECT_EQ(driver.notices, 1);
}

// ---------------------------------------------------------------------------
// The homepage

TEST_F(TrayTest, TheHomepageRequestOpensTheAddressAndSaysNothingOnSuccess)
{
    engine::EngineRequest request{};
    EXPECT_EQ(engine.handleRequest(&request, toWire(engine::Request::Homepage)), 1);
    ASSERT_EQ(ShellCalls::targets().size(), 1u);
    EXPECT_EQ(ShellCalls::targets()[0], engine::kMakerWebAddress);
    EXPECT_TRUE(notices().empty());
}

TEST_F(TrayTest, AFailedHomepageSaysWhyInAStopMessage)
{
    const std::string head = std::string("Failed to open ") + engine::kMakerWebAddress + "!";
    struct Case {
        int result;
        std::string text;
    };
    const Case cases[] = {
        {2, head + "\nThe specified file was not found."},
        {3, head + "\nThe specified file was not found."},
        {5, head + "Sharing violation or access denied."},
        {26, head + "Sharing violation or access denied."},
        {27, head + "\nNo application associated with this extension."},
        {31, head + "\nNo application associated with this extension."},
        {0, head},
        {8, head},
        {32, head},
    };
    for (const Case& c : cases) {
        notices().clear();
        ShellCalls::answer() = c.result;
        EXPECT_EQ(engine.shell().openHomepage(), 1);
        ASSERT_EQ(notices().size(), 1u) << c.result;
        EXPECT_EQ(notices()[0].text, c.text) << c.result;
        EXPECT_EQ(notices()[0].caption, "Velmora Audio Engine v0.1b");
        const uint32_t style = notices()[0].style;
        EXPECT_EQ(style & 0xF0, plat::kNoticeIconStop) << c.result;
        EXPECT_NE(style & plat::kNoticeTopmost, 0u);
        EXPECT_NE(style & plat::kNoticeForeground, 0u);
    }
    notices().clear();
    ShellCalls::answer() = 33;
    engine.shell().openHomepage();
    EXPECT_TRUE(notices().empty()) << "33 is success";
}

TEST_F(TrayTest, WithoutAnOpenerOnThePathTheRealShellFailureIsReported)
{
    engine::setShellOpener(nullptr);
    const char* path = std::getenv("PATH");
    const std::string saved = path != nullptr ? path : "";
    setenv("PATH", "/nonexistent-velmora-path", 1);
    engine.shell().openHomepage();
    setenv("PATH", saved.c_str(), 1);
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_EQ(notices()[0].text.rfind(std::string("Failed to open ") + engine::kMakerWebAddress + "!", 0),
              0u);
    // No opener and no browser: what was looked for, and the address to take elsewhere.
    EXPECT_NE(notices()[0].text.find("(looked for xdg-open, sensible-browser"), std::string::npos)
        << notices()[0].text;
    EXPECT_NE(notices()[0].text.find(std::string("Open this address in a web browser:\n") +
                                     engine::kMakerWebAddress),
              std::string::npos)
        << notices()[0].text;
}

} // namespace
