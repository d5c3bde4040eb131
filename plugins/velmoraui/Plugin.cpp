#include "plugins/velmoraui/Plugin.h"

#include <memory>

#include "plugins/velmoraui/UiApplication.h"
#include "zkr/LibraryApplication.h"
#include "zkr/Text.h"

namespace velmoraui {

void startApplication()
{
    zkr::LibraryApplication<UiApplication>::start();
}

void stopApplication()
{
    zkr::LibraryApplication<UiApplication>::stop();
}

UiApplication* application()
{
    return zkr::LibraryApplication<UiApplication>::get();
}

void UiApplication::fillPluginInfo(engine::PluginInfo* info)
{
    velmoraui::fillPluginInfo(info);
}

void fillPluginInfo(engine::PluginInfo* info)
{
    if (info == nullptr)
        return;
    *info = engine::PluginInfo{};
    zkr::copyText(info->title, "Velmora User Interface");
    zkr::copyText(info->shortName, "VelmoraUI");
    zkr::copyText(info->media, "user interface");
    zkr::copyText(info->copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info->version, "v0.1b 08/2000");
    zkr::copyText(info->webAddress, "http://www.velmora.org/");
    info->flags = 0;
}

} // namespace velmoraui
