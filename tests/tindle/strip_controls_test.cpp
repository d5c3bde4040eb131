#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "plugins/tindle/StripControls.h"

namespace {

// The streaming thread wakes the window for the cursor only once the count
// of blocks the display gives has come: that count must be exactly the
// blocks after which the cursor leaves its column, through the file and
// across its end, for short and long files and any block time.
TEST(WaveformDisplayTest, CountsTheBlocksThatLeaveTheCursorInItsColumn)
{
    tindle::WaveformDisplay display;
    display.place(tindle::kDisplay);
    EXPECT_EQ(display.blocksToNextColumn(), 1u) << "no advance known yet";

    for (const auto& [totalMs, advanceMs] :
         {std::pair<uint32_t, uint32_t>{30000, 46}, {600000, 92}, {1000, 46}, {315, 1}, {5000, 371}}) {
        display.totalMs = totalMs;
        display.advanceMs = advanceMs;
        display.rewind();
        int wraps = 0;
        while (wraps < 2) {
            const uint32_t predicted = display.blocksToNextColumn();
            const int32_t column = display.cursorX;
            uint32_t blocks = 0;
            do {
                display.advance(false, 1);
                ++blocks;
            } while (display.cursorX == column && blocks <= predicted);
            ASSERT_EQ(blocks, predicted) << totalMs << " ms by " << advanceMs << " ms from column " << column;
            wraps += display.positionMs == 0 ? 1 : 0;
        }
    }
}

} // namespace
