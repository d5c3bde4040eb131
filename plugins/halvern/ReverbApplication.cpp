#include "plugins/halvern/ReverbApplication.h"

#include "plugins/halvern/ReverbWindow.h"
#include "zkr/Text.h"

namespace halvern {

ReverbApplication::ReverbApplication()
{
    helpPage = kHelpPage;
    keepsEngineLinks = false;
}

ReverbApplication::~ReverbApplication()
{
    // The window uses the channels until it is gone.
    window.reset();
    channels.clear();
}

void ReverbApplication::fillPluginInfo(engine::PluginInfo& info) const
{
    zkr::copyText(info.title, ReverbWindow::kTitle);
    zkr::copyText(info.shortName, "Reverb");
    zkr::copyText(info.media, "a simple reverb");
    zkr::copyText(info.copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info.version, "v0.1b 08/2000");
    zkr::copyText(info.webAddress, "http://www.velmora.org/");
    // The feedback is the engine's per-channel parameter.
    info.flags = 0;
}

void ReverbApplication::onSetupFX()
{
    channels.build([] { return std::make_unique<ReverbChannel>(); });
}

void ReverbApplication::onCleanupFX()
{
    channels.clear();
}

bool ReverbApplication::bypassed() const
{
    const auto* reverbWindow = static_cast<const ReverbWindow*>(window.get());
    return reverbWindow != nullptr && reverbWindow->bypassed();
}

void ReverbApplication::processBlock(int32_t channel, int16_t* samples, int32_t bytes)
{
    ReverbChannel* reverb = channels.at(channel);
    if (reverb == nullptr || bypassed())
        return;
    reverb->process(samples, bytes);
    // A bypass pressed while the block ran may have cleared the line before
    // the block wrote its echo into it; that echo must not come back either.
    if (bypassed())
        reverb->reset();
}

void ReverbApplication::resetChannel(int32_t channel)
{
    if (ReverbChannel* reverb = channels.at(channel))
        reverb->reset();
}

void ReverbApplication::changeParameter(int32_t channel, int32_t value)
{
    if (ReverbChannel* reverb = channels.at(channel))
        reverb->parameter.store(value, std::memory_order_relaxed);
}

std::unique_ptr<fxframe::EffectWindow> ReverbApplication::makeWindow()
{
    return std::make_unique<ReverbWindow>(channels);
}

} // namespace halvern
