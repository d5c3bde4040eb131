// The pop-up menus through which the user interface chooses the plug-ins of
// the engine's slots and the effects of each channel, driven through the
// internal requests on the headless backend.

#include <functional>
#include <string>
#include <vector>

#include "engine/PluginFolderKit.h"
#include "api/Protocol.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Menu.h"
#include "platform/ui/headless/Headless.h"
#include "support/EngineTestSeam.h"

namespace {

using namespace velmora::test;
using namespace plat::ui;
using engine::EngineRequest;

// The items of a menu as "id:text", "---" for a separator, " (grey)" for a
// disabled item.
std::vector<std::string> describe(MenuHandle menu)
{
    std::vector<std::string> items;
    for (int i = 0; i < menuItemCount(menu); ++i) {
        const uint32_t state = menuState(menu, static_cast<uint32_t>(i), kMenuByPosition);
        if ((state & kMenuSeparator) != 0) {
            items.push_back("---");
            continue;
        }
        std::string item = std::to_string(menuItemId(menu, i)) + ":" +
                           menuString(menu, static_cast<uint32_t>(i), kMenuByPosition);
        if ((state & kMenuGrayed) != 0)
            item += " (grey)";
        items.push_back(item);
    }
    return items;
}

constexpr int kDismiss = -1;

class PluginMenus : public PluginFolderTest {
protected:
    void SetUp() override
    {
        addPlugin("good_ui.vui", "ui.vui");
        addPlugin("pattern_input.vin", "a_pattern.vin");
        addPlugin("good_input.vin", "b_good.vin");
        addPlugin("good_output.vwo", "out.vwo");
        addPlugin("good_effect.vfx", "fx_good.vfx");
        addPlugin("offset_effect.vfx", "fx_offset.vfx");
        ASSERT_EQ(core.slots().discoverPlugins(), 0);
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), 0);
        owner = makeTopLevel(behaviour, "console");
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override { (void)destroyWindow(owner); }

    // Sends a menu request; when the menu shows, its items go to shown, the
    // menu's owner to shownOwner, and the item at position is clicked (or
    // the menu dismissed).
    int32_t request(int32_t code, intptr_t slot, intptr_t subSlot, int position)
    {
        shown.clear();
        shownOwner = nullptr;
        sent = EngineRequest{};
        sent.owner = reinterpret_cast<intptr_t>(owner);
        sent.x = 150;
        sent.y = 120;
        sent.slot = slot;
        sent.subSlot = subSlot;
        sent.data = kUntouched;
        ModalScript script;
        script.then([&](WindowHandle menuWindow, int) {
            shown = describe(menuOfWindow(menuWindow));
            shownOwner = ownerWindow(menuWindow);
            if (whileOpen)
                whileOpen();
            if (position == kDismiss)
                (void)endMenu();
            else
                EXPECT_TRUE(clickMenuItem(menuWindow, position));
        });
        return core.handleRequest(&sent, code);
    }
    std::string returnedText() const
    {
        if (sent.data == kUntouched)
            return "(untouched)";
        return sent.data != 0 ? reinterpret_cast<const char*>(sent.data) : "(null)";
    }

    static constexpr intptr_t kUntouched = 0x5A5A;
    MessageLog log;
    TestWindowBehaviour behaviour{&log, {}};
    WindowHandle owner = nullptr;
    EngineRequest sent{};
    std::vector<std::string> shown;
    WindowHandle shownOwner = nullptr;
    // Runs while the menu shows, before the choice.
    std::function<void()> whileOpen;
};

using Items = std::vector<std::string>;

// ---------------------------------------------------------------------------
// Input, output and effect menus

TEST_F(PluginMenus, AnEmptySlotListsEveryPlugInOfItsKindAndLoadsTheChosenOne)
{
    EXPECT_EQ(request(toWire(engine::Request::InputMenu), 0, 0, 1), 1);
    EXPECT_EQ(shown, (Items{"1:Pattern - test patterns", "2:GoodIn - nothing at all"}));
    EXPECT_EQ(shownOwner, owner);
    ASSERT_NE(EngineSeam::inputs(core)[0], nullptr);
    EXPECT_EQ(EngineSeam::inputs(core)[0]->listIndex, 1);
    EXPECT_EQ(returnedText(), "GoodIn|Velmora Binding Test GoodIn");
}

TEST_F(PluginMenus, AFilledSlotOffersNoneAndGreysEntriesInUse)
{
    ASSERT_EQ(request(toWire(engine::Request::InputMenu), 0, 0, 1), 1);

    EXPECT_EQ(request(toWire(engine::Request::InputMenu), 1, 0, 0), 1);
    EXPECT_EQ(shown, (Items{"1:Pattern - test patterns", "2:GoodIn - nothing at all (grey)"}));
    EXPECT_EQ(returnedText(), "Pattern|Velmora core test plug-in");

    // Both taken now.
    EXPECT_EQ(request(toWire(engine::Request::InputMenu), 0, 0, kDismiss), 0);
    EXPECT_EQ(shown, (Items{"1:none", "---", "2:Pattern - test patterns (grey)",
                            "3:GoodIn - nothing at all (grey)"}));
    EXPECT_EQ(returnedText(), "(untouched)");
}

TEST_F(PluginMenus, NoneUnloadsTheSlotWithItsWindowAndReturnsNull)
{
    CopyProbe& good = probe("b_good.vin");
    ASSERT_EQ(request(toWire(engine::Request::InputMenu), 1, 0, 1), 1);
    good.clear();

    EXPECT_EQ(request(toWire(engine::Request::InputMenu), 1, 0, 0), 1);
    EXPECT_EQ(returnedText(), "(null)");
    EXPECT_EQ(EngineSeam::inputs(core)[1], nullptr);
    EXPECT_EQ(good.journal(), "destroyUserInterface;");
    EXPECT_EQ(static_cast<engine::PluginEntry*>(EngineSeam::audioInputs(core).itemAt(1))->instance, nullptr);
}

TEST_F(PluginMenus, AFailedLoadAnswers0AndLeavesTheSlotEmpty)
{
    probe("b_good.vin").setAnswer(0); // its window cannot be made
    EXPECT_EQ(request(toWire(engine::Request::InputMenu), 0, 0, 1), 0);
    EXPECT_EQ(EngineSeam::inputs(core)[0], nullptr);
    EXPECT_EQ(returnedText(), "(untouched)");
    EXPECT_TRUE(core.shownErrors().empty());
}

TEST_F(PluginMenus, AnEffectSlotMenuLoadsTheEffect)
{
    EXPECT_EQ(request(toWire(engine::Request::EffectMenu), 3, 0, 1), 1);
    EXPECT_EQ(shown, (Items{"1:GoodFX - nothing at all", "2:Offset - test patterns"}));
    ASSERT_NE(EngineSeam::effects(core)[3], nullptr);
    EXPECT_EQ(returnedText(), "Offset|Velmora core test plug-in");
}

TEST_F(PluginMenus, WhileStreamingFeedingInputsAndTheOutputAreNotOffered)
{
    ASSERT_EQ(request(toWire(engine::Request::InputMenu), 0, 0, 0), 1);
    ASSERT_EQ(request(toWire(engine::Request::OutputMenu), 0, 0, 0), 1);
    ASSERT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 0), 1);
    EngineSeam::streaming(core).store(true);

    EXPECT_EQ(request(toWire(engine::Request::InputMenu), 0, 0, kDismiss), 0);
    EXPECT_EQ(shown, (Items{"1:sorry, you can't do this now (grey)"}));
    EXPECT_NE(EngineSeam::inputs(core)[0], nullptr);
    EXPECT_EQ(request(toWire(engine::Request::OutputMenu), 0, 0, kDismiss), 0);
    EXPECT_EQ(shown, (Items{"1:sorry, you can't do this now (grey)"}));

    // The other input slot feeds nothing and may change.
    EXPECT_EQ(request(toWire(engine::Request::InputMenu), 1, 0, 1), 1);
    EXPECT_NE(EngineSeam::inputs(core)[1], nullptr);
    EngineSeam::streaming(core).store(false);
}

TEST_F(PluginMenus, NoneIsNoChangeWhenStreamingStartedWhileTheMenuWasOpen)
{
    ASSERT_EQ(request(toWire(engine::Request::OutputMenu), 0, 0, 0), 1);
    whileOpen = [&] { EngineSeam::streaming(core).store(true); };
    EXPECT_EQ(request(toWire(engine::Request::OutputMenu), 0, 0, 0), 0);
    EXPECT_EQ(returnedText(), "(untouched)");
    EXPECT_NE(EngineSeam::output(core), nullptr);
    whileOpen = nullptr;
    EngineSeam::streaming(core).store(false);
}

// ---------------------------------------------------------------------------
// Channel effect slot menu

TEST_F(PluginMenus, ChannelSlotsChooseAmongTheLoadedEffects)
{
    ASSERT_EQ(core.slots().loadEffect(0, pluginPath("fx_good.vfx").c_str(), 0), 0);
    ASSERT_EQ(core.slots().loadEffect(1, pluginPath("fx_offset.vfx").c_str(), 1), 0);

    EXPECT_EQ(request(toWire(engine::Request::ChannelEffectMenu), 2, 1, 1), 1);
    EXPECT_EQ(shown, (Items{"1:1: GoodFX", "2:2: Offset", "3:3: no effect (grey)", "4:4: no effect (grey)"}));
    EXPECT_EQ(EngineSeam::channels(core)[2].fx[1].load(), EngineSeam::effects(core)[1].get());
    EXPECT_EQ(returnedText(), "Offset|Velmora core test plug-in");

    // An effect already in the channel is starred and grey, in either slot.
    EXPECT_EQ(request(toWire(engine::Request::ChannelEffectMenu), 2, 0, 0), 1);
    EXPECT_EQ(shown, (Items{"1:1: GoodFX", "2:2: Offset* (grey)", "3:3: no effect (grey)",
                            "4:4: no effect (grey)"}));
    EXPECT_EQ(EngineSeam::channels(core)[2].fx[0].load(), EngineSeam::effects(core)[0].get());
    EXPECT_EQ(returnedText(), "GoodFX|Velmora Binding Test GoodFX");
}

TEST_F(PluginMenus, NoneTakesTheEffectOutOfTheChannelSlot)
{
    ASSERT_EQ(core.slots().loadEffect(2, pluginPath("fx_good.vfx").c_str(), 0), 0);
    ASSERT_EQ(core.audio().setChannelEffect(1, 0, EngineSeam::effects(core)[2].get()), 0);
    core.clearRecords();

    EXPECT_EQ(request(toWire(engine::Request::ChannelEffectMenu), 1, 0, 0), 1);
    EXPECT_EQ(shown, (Items{"1:none", "---", "2:1: no effect (grey)", "3:2: no effect (grey)",
                            "4:3: GoodFX* (grey)", "5:4: no effect (grey)"}));
    EXPECT_EQ(returnedText(), "(null)");
    EXPECT_EQ(EngineSeam::channels(core)[1].fx[0].load(), nullptr);
    EXPECT_EQ(core.uiCalls(false, toWire(engine::Value::EffectName)),
              (std::vector<UiCall>{channelCall(1, toWire(engine::Value::EffectName), 0, "(null)")}));
    // The effect itself stays loaded.
    EXPECT_NE(EngineSeam::effects(core)[2], nullptr);
}

TEST_F(PluginMenus, SlotsAndChannelsOutsideTheirRangeGetNoMenu)
{
    EXPECT_EQ(request(toWire(engine::Request::InputMenu), 2, 0, 0), 0);
    EXPECT_EQ(request(toWire(engine::Request::InputMenu), -1, 0, 0), 0);
    EXPECT_EQ(request(toWire(engine::Request::EffectMenu), 4, 0, 0), 0);
    EXPECT_EQ(request(toWire(engine::Request::ChannelEffectMenu), 4, 0, 0), 0);
    EXPECT_EQ(request(toWire(engine::Request::ChannelEffectMenu), 0, 2, 0), 0);
    EXPECT_EQ(request(toWire(engine::Request::ChannelEffectMenu), -1, 0, 0), 0);
    EXPECT_TRUE(shown.empty());
}

} // namespace
