#include "plugins/velmoraui/Plugin.h"

#include <memory>

#include "plugins/velmoraui/UiApplication.h"
#include "zkr/Text.h"

namespace velmoraui {

namespace {

// Made and dropped on the thread that loads and unloads the library, before
// and after every other call.
std::unique_ptr<UiApplication>& theUiApplication()
{
    static std::unique_ptr<UiApplication> made;
    return made;
}

} // namespace

void startApplication()
{
    if (theUiApplication())
        return;
    theUiApplication() = std::make_unique<UiApplication>();
    theUiApplication()->startUp();
}

void stopApplication()
{
    if (!theUiApplication())
        return;
    theUiApplication()->shutDown();
    theUiApplication().reset();
}

UiApplication* application()
{
    return theUiApplication().get();
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
