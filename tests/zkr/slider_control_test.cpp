#include <cstdio>

#include <gtest/gtest.h>

#include "zkr/BitmapObject.h"
#include "zkr/ControlTestWindow.h"
#include "zkr/SliderControl.h"

namespace {

using namespace plat::ui;
using zkr::BitmapObject;
using zkr::ShortSliderDescriptor;
using zkr::SliderControl;

constexpr Argb kBackground = rgb(40, 40, 40);
constexpr Argb kThumb = rgb(200, 0, 0);
constexpr Argb kLit = rgb(0, 0, 255);
constexpr Argb kUnlit = rgb(0, 0, 60);

void percent(int32_t value, char* text, std::size_t size)
{
    std::snprintf(text, size, "%i %%", value);
}

class SliderTest : public velmora::test::ControlWindowTest {
protected:
    // A fader at 10, 20 with a 100-pixel track, a ten-segment meter of 100
    // pixels along it and a value text box; vertical, or the same turned.
    SliderControl* fader(bool vertical = true)
    {
        zkr::SliderDescriptor d;
        d.orientation = vertical ? SliderControl::kVertical : SliderControl::kHorizontal;
        d.track = vertical ? Rect{0, 10, 20, 110} : Rect{10, 0, 110, 20};
        d.meter = vertical ? Rect{0, 10, 6, 110} : Rect{10, 0, 110, 6};
        d.text = Rect{0, 0, 20, 10};
        d.background = vertical ? &background : &backgroundAcross;
        d.thumb = vertical ? &thumb : &thumbAcross;
        d.meterLit = vertical ? &lit : &litAcross;
        d.meterUnlit = vertical ? &unlit : &unlitAcross;
        d.segmentCount = 10;
        auto* slider = new SliderControl();
        slider->place(10, 20, d);
        return add(slider);
    }

    BitmapObject background{20, 120, kBackground}, backgroundAcross{120, 20, kBackground};
    BitmapObject thumb{20, 10, kThumb}, thumbAcross{10, 20, kThumb}, narrowThumb{8, 20, kThumb};
    BitmapObject lit{6, 100, kLit}, unlit{6, 100, kUnlit};
    BitmapObject litAcross{100, 6, kLit}, unlitAcross{100, 6, kUnlit};
};

// ---- placement and thumb positions ----------------------------------------------------------

TEST_F(SliderTest, ThumbCentreTravelsTheTrackWithTheValue)
{
    SliderControl* up = fader();
    EXPECT_EQ(up->rect, (Rect{10, 20, 30, 140}));
    EXPECT_EQ(up->trackRect, (Rect{10, 30, 30, 130}));
    EXPECT_EQ(up->segmentSize, 10);
    EXPECT_EQ(up->thumbRect, (Rect{10, 125, 30, 135}));
    up->setValue(100);
    EXPECT_EQ(up->thumbRect, (Rect{10, 25, 30, 35}));
    up->setRange(200, nullptr); // a = 100 * 33 / 200 = 16
    up->setValue(33);
    EXPECT_EQ(up->thumbRect, (Rect{10, 109, 30, 119}));

    SliderControl* across = fader(false);
    across->setValue(30);
    EXPECT_EQ(across->thumbRect, (Rect{45, 20, 55, 40}));
}

TEST_F(SliderTest, ShortFormShrinksTheTrackByAWholeThumbAtEachEnd)
{
    auto* up = new SliderControl();
    up->place(10, 10, ShortSliderDescriptor{SliderControl::kVertical, Rect{0, 0, 20, 200}, &thumb});
    EXPECT_EQ(up->rect, (Rect{10, 10, 30, 210}));
    EXPECT_EQ(up->trackRect, (Rect{10, 20, 30, 200}));
    EXPECT_EQ(up->trackLength, 180);
    EXPECT_EQ(up->thumbHalf, 5);
    EXPECT_FALSE(up->hasMeter);
    delete up;

    SliderControl across;
    across.place(5, 250,
                 ShortSliderDescriptor{SliderControl::kHorizontal, Rect{0, 0, 200, 20}, &narrowThumb});
    EXPECT_EQ(across.trackRect, (Rect{13, 250, 197, 270}));
    EXPECT_EQ(across.thumbHalf, 4);
}

// ---- dragging -------------------------------------------------------------------------------------

TEST_F(SliderTest, PressOutsideTheThumbDoesNothing)
{
    SliderControl* slider = fader();
    slider->setValue(50); // thumb 75..85
    press(20, 100);
    dragTo(20, 40);
    release(20, 40);
    EXPECT_EQ(slider->value, 50);
    EXPECT_EQ(notificationsFrom(slider), 0u);
}

TEST_F(SliderTest, DragTruncatesTowardZeroStopsAtTheEndsAndNotifies)
{
    SliderControl* slider = fader();
    slider->setRange(30, nullptr);
    slider->setValue(15); // thumb 75..85
    press(20, 80);
    dragTo(20, 85); // 30 * -5 / 100 = -1.5 -> -1
    EXPECT_EQ(slider->value, 14);
    dragTo(20, 75);
    EXPECT_EQ(slider->value, 16);
    dragTo(20, 21);
    EXPECT_EQ(slider->value, 30);
    EXPECT_EQ(slider->thumbRect, (Rect{10, 25, 30, 35}));
    dragTo(20, 139);
    EXPECT_EQ(slider->value, 0);
    release(20, 139);
    EXPECT_EQ(notificationsFrom(slider), 4u);

    SliderControl* across = fader(false);
    across->setValue(50); // thumb 65..75
    press(70, 30);
    dragTo(95, 30);
    EXPECT_EQ(across->value, 75);
}

TEST_F(SliderTest, ReleaseUnseenEndsTheDragAtTheNextMove)
{
    SliderControl* slider = fader();
    slider->setValue(50);
    press(20, 80);
    dragTo(20, 70);
    release(200, 200); // over the skin: the slider does not see it
    hover(20, 60);
    dragTo(20, 30);
    EXPECT_FALSE(slider->dragging);
    EXPECT_EQ(slider->value, 60);
}

// ---- wheel and programmatic changes ---------------------------------------------------------

TEST_F(SliderTest, WheelOfRange200MovesTwentyPerNotch)
{
    SliderControl* slider = fader();
    slider->setRange(200, nullptr);
    slider->setValue(100);
    wheel(20, 80, kWheelDelta);
    EXPECT_EQ(slider->value, 120);
    wheel(20, 80, -2 * kWheelDelta);
    EXPECT_EQ(slider->value, 80);
    for (int i = 0; i < 7; ++i)
        wheel(20, 80, kWheelDelta);
    EXPECT_EQ(slider->value, 200);
    EXPECT_EQ(notificationsFrom(slider), 9u);
}

TEST_F(SliderTest, SetValueSendsNothingAndStaysInRangeEvenAnEmptyOne)
{
    SliderControl* slider = fader();
    slider->setValue(150);
    EXPECT_EQ(slider->value, 100);
    slider->setRange(40, nullptr);
    EXPECT_EQ(slider->value, 40);
    slider->setRange(0, nullptr);
    slider->setValue(10);
    EXPECT_EQ(slider->thumbRect, (Rect{10, 125, 30, 135}));
    EXPECT_EQ(notificationsFrom(slider), 0u);
}

TEST_F(SliderTest, TooltipShowsTheValueTextAndTheDragForm)
{
    SliderControl* slider = fader();
    slider->setRange(100, percent);
    slider->setValue(50);
    slider->onTooltip();
    EXPECT_STREQ(slider->tooltip, "[50 %]");
    slider->setTooltipBase("Volume");
    EXPECT_STREQ(slider->tooltip, "Volume - [50 %]");
    press(20, 80);
    dragTo(20, 70);
    release(20, 70);
    EXPECT_STREQ(slider->tooltip, "Volume [60 %]");
}

// ---- meter and painting -----------------------------------------------------------------------

TEST_F(SliderTest, MeterLightsWholeSegmentsUpToItsCount)
{
    SliderControl* slider = fader();
    const int levels[] = {100, 9, 55, 250, -20};
    const int segments[] = {10, 0, 5, 10, 0};
    for (int i = 0; i < 5; ++i) {
        slider->setMeter(levels[i]);
        EXPECT_EQ(slider->litSegments(), segments[i]) << "level " << levels[i];
    }
}

TEST_F(SliderTest, PaintsTheMeterFromTheBottomOrLeftThenTextThenThumb)
{
    SliderControl* slider = fader();
    slider->setValue(100); // thumb 25..35, over the meter's top
    slider->setMeter(30);  // rows 100..129
    SliderControl* across = fader(false);
    across->place(100, 200,
                  zkr::SliderDescriptor{across->orientation, Rect{10, 0, 110, 20}, Rect{10, 0, 110, 6},
                                        Rect{}, &backgroundAcross, &thumbAcross, &litAcross, &unlitAcross,
                                        10});
    across->setMeter(20); // columns 110..129
    Surface image = picture();
    EXPECT_TRUE(sameColour(image.pixel(12, 129), kLit));
    EXPECT_TRUE(sameColour(image.pixel(12, 100), kLit));
    EXPECT_TRUE(sameColour(image.pixel(12, 99), kUnlit));
    EXPECT_TRUE(sameColour(image.pixel(20, 60), kBackground));
    EXPECT_TRUE(sameColour(image.pixel(12, 30), kThumb));
    EXPECT_TRUE(sameColour(image.pixel(129, 202), kLit));
    EXPECT_TRUE(sameColour(image.pixel(130, 202), kUnlit));
    bool greenText = false;
    for (int y = 20; y < 30; ++y)
        for (int x = 10; x < 30; ++x)
            greenText = greenText || (greenOf(image.pixel(x, y)) > 128 && redOf(image.pixel(x, y)) == 0);
    EXPECT_TRUE(greenText);
}

} // namespace
