// The texts the console's faders and pans and the main window's clock show.

#include <gtest/gtest.h>

#include <utility>

#include "plugins/velmoraui/Texts.h"

namespace {

using Case = std::pair<int64_t, const char*>;

TEST(ValueTexts, FadersPansClocksAndPlugInNamesReadAsShown)
{
    char text[32];
    // Unity at 100; decimals only between -10 and +10 dB.
    for (const Case& c : {Case{0, "-inf"}, Case{1, "-40"}, Case{10, "-20"}, Case{31, "-10"}, Case{32, "-9.9"},
                          Case{50, "-6.0"}, Case{100, "0.0"}, Case{141, "+3.0"}, Case{200, "+6.0"}}) {
        velmoraui::volumeText(static_cast<int32_t>(c.first), text, sizeof text);
        EXPECT_STREQ(text, c.second) << c.first;
    }
    for (const Case& c : {Case{0, "L"}, Case{50, "M"}, Case{100, "R"}, Case{25, "25/75"}, Case{99, "99/1"}}) {
        velmoraui::panText(static_cast<int32_t>(c.first), text, sizeof text);
        EXPECT_STREQ(text, c.second) << c.first;
    }
    for (const Case& c : {Case{0, "00:00:00"}, Case{61999, "00:01:01"}, Case{3599999, "00:59:59"},
                          Case{360000000, "100:00:00"}, Case{-5, "00:00:00"}})
        EXPECT_EQ(velmoraui::elapsedText(c.first), c.second) << c.first;

    EXPECT_EQ(velmoraui::shortNameOf("Offset|Velmora core test plug-in"), "Offset");
    EXPECT_EQ(velmoraui::titleOf("Offset|Velmora core test plug-in"), "Velmora core test plug-in");
    EXPECT_EQ(velmoraui::shortNameOf("NoBar"), "NoBar");
    EXPECT_EQ(velmoraui::titleOf("NoBar"), "");
}

} // namespace
