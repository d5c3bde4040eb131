#include <cstdio>

#include <gtest/gtest.h>

#include "zkr/BitmapObject.h"
#include "zkr/ControlTestWindow.h"
#include "zkr/KnobControl.h"
#include "zkr/LabelControl.h"
#include "zkr/LampControl.h"

namespace {

using namespace plat::ui;
using velmora::test::ControlWindowTest;
using zkr::BitmapObject;
using zkr::KnobControl;

constexpr int kFrames = 11;
constexpr int kFrameSize = 40;

Argb frameColour(int frame)
{
    return rgb(uint8_t(frame * 20), 100, 0);
}

void decibels(int32_t value, char* text, std::size_t size)
{
    std::snprintf(text, size, "%i dB|gain", value / 10);
}

// A knob of eleven 40 x 40 frames at 100, 100, range 1000: its centre is 120, 120.
class KnobTest : public ControlWindowTest {
protected:
    void SetUp() override
    {
        ControlWindowTest::SetUp();
        for (int frame = 0; frame < kFrames; ++frame)
            strip.bitmap().fill(Rect::fromSize(frame * kFrameSize, 0, kFrameSize, kFrameSize),
                                frameColour(frame));
        knob = new KnobControl();
        knob->place(100, 100, zkr::KnobStripDescriptor{&strip, kFrames});
        knob->setRange(1000, nullptr);
        add(knob);
    }

    // The point dx to the right of and dy above the centre.
    void dragAround(int dx, int dy) { dragTo(120 + dx, 120 - dy); }

    BitmapObject strip{kFrames * kFrameSize, kFrameSize};
    KnobControl* knob = nullptr;
};

TEST_F(KnobTest, ShowsTheFrameOfTheValueWithoutNotifying)
{
    const int values[] = {100, 50, 999, 1000, 5000};
    const int frames[] = {1, 0, 9, 10, 10};
    for (int i = 0; i < 5; ++i) {
        knob->setValue(values[i]);
        EXPECT_EQ(knob->currentFrame, frames[i]) << "value " << values[i];
    }
    EXPECT_EQ(knob->value, 1000);
    EXPECT_TRUE(sameColour(picture().pixel(139, 139), frameColour(10)));
    knob->setValue(300);
    EXPECT_TRUE(sameColour(picture().pixel(100, 100), frameColour(3)));
    EXPECT_EQ(ui.fired.size(), 0u);
}

TEST_F(KnobTest, AngleRunsClockwiseOver270DegreesWithADeadZoneAtTheBottom)
{
    EXPECT_EQ(KnobControl::knobAngle(-10, -10), 0);  // lower left: the start
    EXPECT_EQ(KnobControl::knobAngle(-10, 0), 45);   // left
    EXPECT_EQ(KnobControl::knobAngle(0, 10), 135);   // top
    EXPECT_EQ(KnobControl::knobAngle(3, 4), 172);    // asin(0.8) = 53.13 -> 53
    EXPECT_EQ(KnobControl::knobAngle(10, 0), 225);   // right
    EXPECT_EQ(KnobControl::knobAngle(10, -9), 266);  // -41.98 -> -41
    EXPECT_EQ(KnobControl::knobAngle(10, -10), 270); // lower right: the end
    EXPECT_EQ(KnobControl::knobAngle(0, -10), 0);    // straight down
    EXPECT_EQ(KnobControl::knobAngle(7, -10), 0);    // just before the end
}

TEST_F(KnobTest, DraggingAroundTheCentreSetsFrameAndValueAndNotifies)
{
    press(110, 110);
    dragAround(0, 15);
    EXPECT_EQ(knob->currentFrame, 5);
    EXPECT_EQ(knob->value, 500);
    dragAround(15, 0);
    EXPECT_EQ(knob->currentFrame, 8);
    EXPECT_EQ(knob->value, 833);
    dragAround(0, 0); // the centre has no direction
    release(120, 120);
    dragAround(-15, 15); // no press
    EXPECT_EQ(knob->value, 833);
    EXPECT_EQ(notificationsFrom(knob), 2u);
}

TEST_F(KnobTest, PassingTheBottomBetweenTheEndsDoesNotJumpAcrossTheScale)
{
    knob->setValue(1000);
    press(130, 130);
    dragAround(0, -15);   // dead zone
    dragAround(-15, -15); // the start
    EXPECT_EQ(knob->value, 1000);
    release(105, 135);

    knob->setValue(0);
    press(105, 135);
    dragAround(15, -15); // the end
    EXPECT_EQ(knob->value, 0);
    dragAround(-15, 0);
    EXPECT_EQ(knob->value, 166);
    EXPECT_EQ(notificationsFrom(knob), 1u);
}

TEST_F(KnobTest, WheelStepIsRangeTimesFramesOverHundred)
{
    const int ranges[] = {1000, 500, 200, 100};
    const int steps[] = {110, 55, 22, 11};
    for (int i = 0; i < 4; ++i) {
        knob->setRange(ranges[i], nullptr);
        knob->setValue(0);
        wheel(120, 120, kWheelDelta);
        EXPECT_EQ(knob->value, steps[i]) << "range " << ranges[i];
        wheel(120, 120, -2 * kWheelDelta);
        EXPECT_EQ(knob->value, 0);
        knob->setValue(ranges[i] - 1);
        wheel(120, 120, kWheelDelta);
        EXPECT_EQ(knob->currentFrame, 10);
    }
    EXPECT_EQ(notificationsFrom(knob), 12u);
}

TEST_F(KnobTest, LinkedDisplayShowsTheValueTextBeforeTheBar)
{
    auto* label = new zkr::LabelControl();
    label->place(100, 150, 60, 12);
    add(label);
    knob->setLinkedDisplay(label);
    EXPECT_STREQ(label->name, "0");
    knob->setRange(1000, decibels);
    knob->setValue(120);
    EXPECT_STREQ(label->name, "12 dB");
    press(110, 110);
    dragAround(0, 15);
    EXPECT_STREQ(label->name, "50 dB");
    knob->setTooltipBase("Gain");
    EXPECT_STREQ(knob->tooltip, "Gain - [50 dB|gain]");
}

using LampTest = ControlWindowTest;

TEST_F(LampTest, ShowsTheLitImageWhileLitElseTheDarkOne)
{
    BitmapObject lit{12, 8, rgb(255, 220, 0)};
    BitmapObject dark{12, 8, rgb(60, 50, 0)};
    auto* lamp = new zkr::LampControl();
    lamp->place(30, 40, &lit, &dark);
    add(lamp);
    EXPECT_EQ(lamp->rect, (Rect{30, 40, 42, 48}));
    EXPECT_TRUE(sameColour(picture().pixel(41, 47), rgb(60, 50, 0)));
    lamp->setLit(true);
    EXPECT_TRUE(sameColour(picture().pixel(30, 40), rgb(255, 220, 0)));
    lamp->setLit(false);
    EXPECT_TRUE(sameColour(picture().pixel(35, 44), rgb(60, 50, 0)));
}

} // namespace
