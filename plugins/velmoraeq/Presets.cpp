#include "plugins/velmoraeq/Presets.h"

#include "platform/ui/Resources.h"
#include "plugins/velmoraeq/Layout.h"

namespace velmoraeq {

namespace {

using plat::ui::MenuItemTemplate;

// The preset menu: a bar whose first pop-up holds the presets in order.
constexpr MenuItemTemplate presetItem(std::size_t index)
{
    return {kPresets[index].command, kPresets[index].text, 0, {}};
}
const MenuItemTemplate kPresetItems[] = {presetItem(0), presetItem(1), presetItem(2), presetItem(3),
                                         presetItem(4)};
static_assert(std::size(kPresetItems) == kPresets.size());
const MenuItemTemplate kPresetBar[] = {{0, "PresetPopup", plat::ui::kMenuPopup, kPresetItems}};
const plat::ui::MenuTemplate kMenus[] = {{kPresetMenu, kPresetBar}};
const plat::ui::ResourceTable kResources{{}, {}, {}, kMenus};
const plat::ui::ResourceRegistrar registrar(kResources);

} // namespace

bool applyPreset(EqChannel& channel, unsigned command)
{
    for (const Preset& preset : kPresets) {
        if (preset.command != command)
            continue;
        for (int band = 0; band < kStandardBandCount; ++band)
            channel.setBandGain(band, preset.gains[static_cast<std::size_t>(band)]);
        channel.dryMix.store(preset.dryMix, std::memory_order_relaxed);
        return true;
    }
    return false;
}

} // namespace velmoraeq
