// The distortion's window driven as a user: its knobs and switch, what they
// do to the sound, and what it keeps when it is made again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/velmorizer/DistortionApplication.h"
#include "plugins/velmorizer/DistortionWindow.h"
#include "plugins/velmorizer/Layout.h"
#include "support/EffectWindowKit.h"
#include "support/WindowPictures.h"
#include "zkr/KnobControl.h"
#include "zkr/LabelControl.h"
#include "zkr/SkinImages.h"

namespace velmora::test {
namespace {

using namespace plat::ui;
using namespace velmorizer;

class DistortionWindowTest : public EffectWindowTest<DistortionApplication> {
protected:
    const zkr::KnobControl& knob(int id) { return control<zkr::KnobControl>(id); }
    // Whether lamp and switch show on's pictures; with the mouse on the title, nothing shows hot.
    bool showsOn(bool on)
    {
        headless::mouseMove(window, kTitle.x + 4, kTitle.y + 4);
        pumpPending();
        const auto shows = [this](unsigned bitmap, const Box& box) {
            zkr::BitmapObject image;
            return image.load(zkr::ownModule(), bitmap) &&
                   showsPicture(window, box.x, box.y,
                                image.bitmap().view(box.rect().offsetBy(-box.x, -box.y)).clone());
        };
        return shows(on ? kLampLitBitmap : kLampDarkBitmap, kLamp) &&
               shows(on ? kSwitchOnBitmap : kSwitchOffBitmap, kSwitch);
    }
    // A block of a channel as the engine hands it over.
    std::vector<int16_t> processed(std::vector<int16_t> block, int channel = 1)
    {
        application.processChannelBuffer(channel, block.data(), static_cast<int32_t>(block.size() * 2));
        return block;
    }

    const std::vector<int16_t> block{-30000, -12000, -50, 0, 777, 9999, 10001, 25000, 31};
};

TEST_F(DistortionWindowTest, KnobsOpenOnTheUnitAndSetItAsTheyTurn)
{
    open();
    const auto texts = [this] {
        return std::vector<std::string>{knob(1).linkedDisplay->name, knob(2).linkedDisplay->name,
                                        knob(3).linkedDisplay->name};
    };
    EXPECT_EQ(std::vector({knob(1).rect, knob(2).rect, knob(3).rect, knob(2).linkedDisplay->rect}),
              std::vector({Rect::fromSize(24, 14, 45, 45), Rect::fromSize(91, 14, 45, 45),
                           Rect::fromSize(156, 14, 45, 45), Rect::fromSize(91, 60, 45, 10)}));
    EXPECT_EQ(std::vector(
                  {knob(1).range, knob(2).range, knob(3).range, knob(1).value, knob(2).value, knob(3).value}),
              std::vector({200, 100, 500, 0, 70, 0}));
    EXPECT_EQ(texts(), std::vector<std::string>({"no amp", "70%", "no amp"}));

    DistortionUnit& unit = *application.unit();
    const auto settings = [&unit] {
        return std::vector({unit.inputGain.load(), unit.threshold.load(), unit.outputGain.load()});
    };
    wheel(kGainKnob, 1);
    wheel(kCutoffKnob, -1);
    wheel(kDriveKnob, 10);
    EXPECT_EQ(texts(), std::vector<std::string>({"+1.73dB", "59%", "+15.56dB"}));
    EXPECT_EQ(settings(), std::vector({122, 13434, 600}));
    reopen(); // the knobs where they were left
    EXPECT_EQ(std::vector({knob(1).value, knob(2).value, knob(3).value}), std::vector({22, 59, 500}));
    wheel(kGainKnob, -1);
    wheel(kCutoffKnob, 5);
    EXPECT_EQ(texts(), std::vector<std::string>({"no amp", "100%", "+15.56dB"}));
    EXPECT_EQ(settings(), std::vector({100, 0, 600}));
}

TEST_F(DistortionWindowTest, TheSwitchTurnsTheEffectOnAndOffAndTheUsersCloseLeavesItOpen)
{
    open();
    EXPECT_EQ(processed(block), block);
    EXPECT_TRUE(showsOn(false));
    click(kSwitch);
    EXPECT_TRUE(showsOn(true));
    // The same on every channel; a channel's reset and parameter change nothing.
    application.resetFXChannel(1);
    application.onFXParamChange(1, 99);
    for (const int channel : {1, 3})
        EXPECT_EQ(processed(block, channel),
                  std::vector<int16_t>({-10000, -10000, -50, 0, 777, 9999, 10000, 10000, 31}));
    closeAsUser();
    click(kSwitch);
    EXPECT_TRUE(showsOn(false));
    EXPECT_TRUE(isWindow(window));
    EXPECT_EQ(processed(block), block);
}

TEST_F(DistortionWindowTest, WithoutAUnitTheKnobsStayPutAndTheSoundPasses)
{
    open(false);
    wheel(kGainKnob, 3);
    click(kSwitch);
    EXPECT_EQ(std::vector({knob(1).value, knob(2).value}), std::vector({0, 70}));
    EXPECT_EQ(processed(block), block);
}

} // namespace
} // namespace velmora::test
