#pragma once

#include "platform/ui/Colour.h"
#include "plugins/velmoraeq/EqChannel.h"
#include "zkr/Control.h"
#include "zkr/OffscreenBitmap.h"

namespace velmoraeq {

// The picture of every channel's band gains: on grey with a white zero line,
// one line per channel in its colour through a point per band, from the left
// edge's middle to the right edge's, channel 0 drawn last (on top). Drawn
// away from the screen when a gain changes and copied on when painted.
class CurveDisplay : public zkr::Control {
public:
    static constexpr int kWidth = 315;
    static constexpr int kHeight = 40;
    static constexpr plat::ui::Argb kBackground = plat::ui::rgb(192, 192, 192);
    static constexpr plat::ui::Argb kZeroLine = plat::ui::rgb(255, 255, 255);
    static constexpr plat::ui::Argb kChannelColours[engine::kChannelCount] = {
        plat::ui::rgb(255, 0, 0), plat::ui::rgb(0, 255, 0), plat::ui::rgb(0, 0, 255),
        plat::ui::rgb(255, 255, 128)};

    explicit CurveDisplay(zkr::UserInterface* owner = nullptr);

    void place(int x, int y);
    // Draws the curves of the channels anew (a missing channel has none) and repaints.
    void redraw(const EqChannels& channels);
    void paint(plat::ui::Painter* dc) override;

    const zkr::BitmapObject& picture() const { return picture_.picture(); }

private:
    zkr::OffscreenBitmap picture_{kWidth, kHeight};
};

} // namespace velmoraeq
