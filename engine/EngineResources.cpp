#include "engine/EngineResources.h"

#include <cstdio>

#include "platform/core/Module.h"
#include "platform/ui/Resources.h"
#include "zkr/SharedServices.h"

namespace engine {

namespace {

using plat::ui::StringResource;

const StringResource kEngineStrings[] = {
    {kStringNoEffect, "no effect"},
    {kStringInitializing, "Initializing"},
    {kStringFindingPlugins, "Finding Plug-Ins"},
    {kStringCreatingInterface, "Creating User Interface"},
    {kStringNotNow, "sorry, you can't do this now"},
    {kStringOpenSystem, "Velmora Open System"},
    {kStringInputPlugins, "Audio Input Plugins"},
    {kStringOutputPlugins, "Audio Output Plugins"},
    {kStringRealtimeEffects, "Realtime Effects"},
    {kStringUserInterfaces, "User Interfaces"},
    {kStringRestoring, "Restoring"},
    {kStringNoUpdate, "(no update available!)"},
    {kStringAborting, "Aborting, please wait..."},
};

const plat::ui::ResourceTable kEngineStringTable{kEngineStrings, {}, {}, {}};
plat::ui::ResourceRegistrar engineStringRegistrar(kEngineStringTable);

} // namespace

plat::ModuleHandle engineModule()
{
    return engineStringRegistrar.module();
}

std::string engineString(unsigned id)
{
    std::string text;
    if (!plat::ui::loadString(engineModule(), id, text))
        text.clear();
    return text;
}

void showSplashString(unsigned id)
{
    if (zkr::sharedServices != nullptr)
        zkr::sharedServices->updateSplashText(engineString(id).c_str());
}

void showSplashPair(unsigned id, const char* name)
{
    if (zkr::sharedServices == nullptr)
        return;
    char text[256];
    std::snprintf(text, sizeof text, "%s - %s", engineString(id).c_str(), name);
    zkr::sharedServices->updateSplashText(text);
}

void closeSplash()
{
    if (zkr::sharedServices != nullptr)
        zkr::sharedServices->closeSplashWindow();
}

} // namespace engine
