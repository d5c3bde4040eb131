#include "plugins/brolet/Texts.h"

#include "platform/ui/Resources.h"
#include "zkr/SkinImages.h"

namespace brolet {

namespace {

const plat::ui::StringResource kStrings[] = {
    {kStringBrowseTitle, "Browse output folder..."},
    {kStringNoOutput, "Sorry, this would mean no output!\nYou have to set SOUND, FILE or both."},
    {kStringSoundOff, "You want to have wavefile writting without sound playback!?"},
    {kStringDefaultTemplate, "My Session"},
    {kStringNoOutputAny, "Sorry, this would mean no output!\nYou have to set SOUND, FILE or ON AIR, or any of them together."},
    {kStringSoundOffForBroadcast, "You want to broadcast without sound playback!?"},
    {kStringFirstModeLabel + 0, "no visual"},
    {kStringFirstModeLabel + 1, "Built-In Waveform v0.1"},
    {kStringFirstModeLabel + 2, "Built-In Scope v0.1"},
    {kStringFirstModeLabel + 3, "Built-In Spectrum1 v0.1"},
    {kStringFirstModeLabel + 4, "Built-In Spectrum2 v0.1"},
    {kStringExternalVisual, "External Visual"},
};

const plat::ui::ResourceTable kTexts{kStrings, {}, {}, {}};

} // namespace

std::string stringText(unsigned id)
{
    std::string text;
    if (!plat::ui::loadString(zkr::ownModule(), id, text))
        text.clear();
    return text;
}

void registerTexts()
{
    plat::ui::registerResources(zkr::ownModule(), kTexts);
}

void unregisterTexts()
{
    plat::ui::unregisterResources(zkr::ownModule(), kTexts);
}

} // namespace brolet
