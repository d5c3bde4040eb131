#include "plugins/quillan/QuillanApplication.h"

#include "plugins/quillan/RecorderWindow.h"
#include "zkr/LibraryApplication.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace quillan {

QuillanApplication::QuillanApplication()
{
    helpPage = kHelpPage;
}

QuillanApplication::~QuillanApplication()
{
    shutDown();
}

void QuillanApplication::startUp()
{
    if (window)
        return;
    // Without the shared services the input still records: no help, plain error boxes.
    (void)zkr::bindSharedServices();
    window = std::make_unique<RecorderWindow>();
    settings.setFileName(zkr::kSettingsFile);
}

void QuillanApplication::shutDown()
{
    if (!window)
        return;
    window->closeByHost();
    window.reset();
    zkr::releaseSharedServices();
}

void QuillanApplication::setEventCallback(engine::EventCallback callback)
{
    eventCallback = callback;
    if (window)
        window->eventCallback = callback;
}

void QuillanApplication::setInternalCallback(engine::InternalCallback callback)
{
    internalCallback = callback;
    if (window)
        window->internalCallback = callback;
}

void QuillanApplication::setPluginHandle(engine::PluginHandle handle)
{
    if (window)
        window->pluginHandle = handle;
}

bool QuillanApplication::createUserInterface(int32_t showCommand)
{
    return window && window->open(showCommand);
}

void QuillanApplication::destroyUserInterface()
{
    if (window)
        window->closeByHost();
}

void QuillanApplication::onPluginSwitch(bool show)
{
    if (window)
        window->showByEngine(show);
}

bool QuillanApplication::setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    if (!window || setup == nullptr)
        return false;
    window->setupAudioSystem(*setup);
    return true;
}

bool QuillanApplication::readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    return window && block != nullptr && bytes != nullptr && window->readStreamChannel(stream, block, bytes);
}

void QuillanApplication::onStreamingError(int32_t first, int32_t)
{
    if (window)
        window->streamingError(first);
}

void QuillanApplication::fillPluginInfo(engine::PluginInfo* info)
{
    quillan::fillPluginInfo(info);
}

void startPlugin()
{
    zkr::LibraryApplication<QuillanApplication>::start();
}

void stopPlugin()
{
    zkr::LibraryApplication<QuillanApplication>::stop();
}

QuillanApplication* plugin()
{
    return zkr::LibraryApplication<QuillanApplication>::get();
}

void fillPluginInfo(engine::PluginInfo* info)
{
    if (info == nullptr)
        return;
    *info = engine::PluginInfo{};
    zkr::copyText(info->title, kPluginTitle);
    zkr::copyText(info->shortName, "dor-vik");
    zkr::copyText(info->media, "live input");
    zkr::copyText(info->copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info->version, "v0.1b 08/2000");
    zkr::copyText(info->webAddress, "http://www.velmora.org/");
    info->flags = 0;
}

} // namespace quillan
