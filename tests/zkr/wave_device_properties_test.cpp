#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "support/Watchdog.h"
#include "zkr/WaveDevicePropertiesDialog.h"

namespace {

using namespace std::chrono_literals;
using Dialog = zkr::WaveDevicePropertiesDialog;
using plat::ui::dlgItemText;
using plat::ui::WindowHandle;

zkr::DeviceCapabilities soundCard()
{
    zkr::DeviceCapabilities caps;
    caps.manufacturerId = 1;
    caps.productId = 100;
    caps.driverVersion = 0x050A; // 5.10
    std::strcpy(caps.name, "HDA Intel PCH: ALC892 Analog");
    caps.formats = 0x001 | 0x008 | 0x400 | 0x800 | 0x1000; // 0x1000 lies beyond the standard formats
    caps.channels = 2;
    caps.support = 0x4 | 0x20;
    return caps;
}

std::string formatNameOf(uint32_t flag)
{
    char text[64];
    zkr::formatName(flag, text, sizeof text);
    return text;
}

bool checked(WindowHandle dialog, int id)
{
    return plat::ui::isDlgButtonChecked(dialog, id) == plat::ui::kButtonChecked;
}

// The dialog made modeless, so that its filled controls can be read.
class WaveDevicePropertiesTest : public testing::Test {
protected:
    WindowHandle show(const zkr::DeviceCapabilities& caps)
    {
        if (dialog != nullptr && dialog->window != nullptr)
            (void)plat::ui::destroyWindow(dialog->window);
        dialog = std::make_unique<Dialog>(caps);
        EXPECT_TRUE(dialog->createModeless());
        return dialog->window;
    }
    void TearDown() override
    {
        if (dialog != nullptr && dialog->window != nullptr)
            (void)plat::ui::destroyWindow(dialog->window);
    }

    std::vector<std::string> formatLines()
    {
        std::vector<std::string> lines;
        const auto count = plat::ui::sendDlgItemMessage(dialog->window, Dialog::kIdFormats,
                                                        plat::ui::kMsgListGetCount, 0, 0);
        for (intptr_t i = 0; i < count; ++i) {
            char line[256] = {};
            plat::ui::sendDlgItemMessage(dialog->window, Dialog::kIdFormats, plat::ui::kMsgListGetText,
                                         static_cast<uintptr_t>(i), reinterpret_cast<intptr_t>(line));
            lines.emplace_back(line);
        }
        return lines;
    }

    velmora::test::Watchdog watchdog{10s};
    std::unique_ptr<Dialog> dialog;
};

} // namespace

TEST_F(WaveDevicePropertiesTest, TextsOfTheRecord)
{
    WindowHandle window = show(soundCard());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(plat::ui::windowText(window), "Wave Device Properties");
    EXPECT_EQ(dlgItemText(window, Dialog::kIdName), "HDA Intel PCH: ALC892 Analog");
    EXPECT_EQ(dlgItemText(window, Dialog::kIdManufacturer), "Microsoft Corporation");
    EXPECT_EQ(dlgItemText(window, Dialog::kIdProduct), "(ID 100)");
    EXPECT_EQ(dlgItemText(window, Dialog::kIdDriverVersion), "v5.10");
    EXPECT_EQ(dlgItemText(window, Dialog::kIdChannels), "2");

    zkr::DeviceCapabilities caps = soundCard();
    caps.manufacturerId = 2;
    EXPECT_EQ(dlgItemText(show(caps), Dialog::kIdManufacturer), "Creative Labs, Inc");
    caps.manufacturerId = 65535;
    caps.productId = 0;
    caps.driverVersion = 0xFF00;
    std::memset(caps.name, 'x', sizeof caps.name); // not terminated
    window = show(caps);
    EXPECT_EQ(dlgItemText(window, Dialog::kIdManufacturer), "(ID 65535)");
    EXPECT_EQ(dlgItemText(window, Dialog::kIdProduct), "(ID 0)");
    EXPECT_EQ(dlgItemText(window, Dialog::kIdDriverVersion), "v255.0");
    EXPECT_EQ(dlgItemText(window, Dialog::kIdName), std::string(sizeof caps.name, 'x'));
}

TEST_F(WaveDevicePropertiesTest, OneFormatLinePerSetFlagInRisingOrder)
{
    show(soundCard());
    EXPECT_EQ(formatLines(), (std::vector<std::string>{formatNameOf(0x001), formatNameOf(0x008),
                                                       formatNameOf(0x400), formatNameOf(0x800)}));
    zkr::DeviceCapabilities caps = soundCard();
    caps.formats = 0xFFFFFFFF;
    show(caps);
    const std::vector<std::string> lines = formatLines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines.front(), formatNameOf(1));
    EXPECT_EQ(lines.back(), formatNameOf(2048));
    caps.formats = 0;
    show(caps);
    EXPECT_TRUE(formatLines().empty());
}

TEST_F(WaveDevicePropertiesTest, EachSupportFlagChecksItsOwnBoxOnly)
{
    const std::vector<std::pair<int, uint32_t>> boxes = {
        {Dialog::kIdVolumeControl, 0x4}, {Dialog::kIdLeftRightVolume, 0x8}, {Dialog::kIdChangePitch, 0x1},
        {Dialog::kIdChangeRate, 0x2},    {Dialog::kIdSampleAccurate, 0x20}, {Dialog::kIdSynchronous, 0x10},
        {Dialog::kIdDirectSound, 0x40}};
    const std::vector<std::string> labels = {"volume control", "left/right vol. control", "change pitch",
                                             "change rate",    "sample accurate",         "synchronous",
                                             "DirectSound"};
    for (const auto& [id, flag] : boxes) {
        zkr::DeviceCapabilities caps = soundCard();
        caps.support = flag;
        WindowHandle window = show(caps);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(checked(window, boxes[i].first), boxes[i].first == id) << "flag " << flag;
            EXPECT_EQ(dlgItemText(window, boxes[i].first), labels[i]);
        }
    }
}

TEST_F(WaveDevicePropertiesTest, RunsModallyUntilOkAndTheBoxesCannotBeToggled)
{
    bool volumeStillChecked = false;
    bool directSoundStillClear = false;
    velmora::test::ModalScript script;
    script.then([&](WindowHandle window, int) {
        velmora::test::clickOn(plat::ui::dialogItem(window, Dialog::kIdVolumeControl));
        velmora::test::clickOn(plat::ui::dialogItem(window, Dialog::kIdDirectSound));
        volumeStillChecked = checked(window, Dialog::kIdVolumeControl);
        directSoundStillClear = !checked(window, Dialog::kIdDirectSound);
        EXPECT_TRUE(plat::ui::pressDialogButton(window, plat::ui::kIdOk));
    });
    Dialog modal(soundCard());
    EXPECT_EQ(modal.runModal(), plat::ui::kIdOk);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(volumeStillChecked);
    EXPECT_TRUE(directSoundStillClear);
}
