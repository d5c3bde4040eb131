#include "plugins/tindle/TindlePlugin.h"

#include "plugins/tindle/TindleWindow.h"
#include "zkr/LibraryApplication.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace tindle {

TindlePlugin::TindlePlugin()
{
    helpPage = kHelpPage;
}

TindlePlugin::~TindlePlugin()
{
    shutDown();
}

void TindlePlugin::startUp()
{
    if (window)
        return;
    // Without the shared services the channels still play: no help, plain error boxes.
    (void)zkr::bindSharedServices();
    settings.setFileName(zkr::kSettingsFile);
    (void)settings.selectSection(kSettingsSection, true); // reported by the store; the defaults stand
    window = std::make_unique<TindleWindow>(*this);
}

void TindlePlugin::shutDown()
{
    if (!window)
        return;
    channels.view = nullptr;
    window->closeByEngine();
    // The engine let go of the streams before it unloads the plug-in.
    channels.releaseAll();
    window.reset();
    zkr::releaseSharedServices();
}

bool TindlePlugin::setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    if (setup == nullptr)
        return false;
    {
        plat::ScopedLock lock(setupLock);
        audioSetup_ = *setup;
    }
    // Open files were read with the old block and buffer sizes.
    channels.closeAll();
    return true;
}

engine::AudioSystemSetup TindlePlugin::audioRecord() const
{
    plat::ScopedLock lock(setupLock);
    return audioSetup_;
}

int32_t TindlePlugin::cursorAdvanceMs() const
{
    return engine::blockMilliseconds(audioRecord().musicBufSize);
}

bool TindlePlugin::readStreamChannel(int32_t channel, const int16_t** block, int32_t* bytes)
{
    return channels.readBlock(channel, block, bytes);
}

void TindlePlugin::onStreamingError()
{
    channels.streamingError();
}

bool TindlePlugin::createUserInterface(engine::InstanceHandle, int32_t showCommand)
{
    if (!window || !window->open(showCommand))
        return false;
    channels.view = window.get();
    return true;
}

void TindlePlugin::destroyUserInterface()
{
    if (!window)
        return;
    channels.view = nullptr;
    window->closeByEngine();
}

void TindlePlugin::onPluginSwitch(bool show)
{
    if (window)
        window->showByEngine(show);
}

void startPlugin()
{
    zkr::LibraryApplication<TindlePlugin>::start();
}

void stopPlugin()
{
    zkr::LibraryApplication<TindlePlugin>::stop();
}

TindlePlugin* plugin()
{
    return zkr::LibraryApplication<TindlePlugin>::get();
}

void fillPluginInfo(engine::PluginInfo* info)
{
    if (info == nullptr)
        return;
    *info = engine::PluginInfo{};
    zkr::copyText(info->title, kPluginTitle);
    zkr::copyText(info->shortName, "Fennet");
    zkr::copyText(info->media, "wave audio");
    zkr::copyText(info->copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info->version, "v0.2b 08/2000");
    zkr::copyText(info->webAddress, "http://www.velmora.org/");
    info->flags = 0;
}

} // namespace tindle
