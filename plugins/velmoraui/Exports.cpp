// The exports of VelmoraUI.vui.
#define VELMORA_PLUGIN
#include "api/PluginApi.h"
#include "plugins/velmoraui/MainPanel.h"
#include "plugins/velmoraui/Plugin.h"
#include "plugins/velmoraui/UiApplication.h"
#include "zkr/LibraryApplication.h"

namespace {

// The application lives from the library's load to its unload.
const zkr::LibraryLifetime<velmoraui::UiApplication> lifetime;

velmoraui::MainPanel* mainPanel()
{
    velmoraui::UiApplication* application = velmoraui::application();
    return application != nullptr ? application->mainPanel.get() : nullptr;
}

} // namespace

extern "C" {

int32_t getInterfaceVersion()
{
    return engine::kInterfaceVersion;
}

int32_t getPluginKind()
{
    return toWire(engine::PluginKind::UserInterface);
}

int32_t supportNumChannels()
{
    return engine::kChannelCount;
}

void getPluginInfo(engine::PluginInfo* info)
{
    velmoraui::fillPluginInfo(info);
}

void setPluginHandle(engine::PluginHandle) {}

void onPluginSwitch(int32_t) {}

void destroyUserInterface() {}

int32_t execCommandString(int32_t, const char*)
{
    return 0;
}

void setEventCallback(engine::EventCallback callback)
{
    if (velmoraui::UiApplication* application = velmoraui::application())
        application->setEventCallback(callback);
}

void setInternalCallback(engine::InternalCallback callback)
{
    if (velmoraui::UiApplication* application = velmoraui::application())
        application->setInternalCallback(callback);
}

int32_t createUserInterface(engine::InstanceHandle instance, int32_t showCommand)
{
    velmoraui::UiApplication* application = velmoraui::application();
    return application != nullptr ? application->createInterface(instance, showCommand) : 0;
}

int32_t updateGeneralValue(int32_t index, int32_t code, intptr_t value)
{
    if (velmoraui::MainPanel* panel = mainPanel())
        panel->updateGeneralValue(index, code, value);
    return 1;
}

int32_t updateChannelValue(int32_t channel, int32_t code, intptr_t value)
{
    if (velmoraui::MainPanel* panel = mainPanel())
        panel->updateChannelValue(channel, code, value);
    return 1;
}

} // extern "C"
