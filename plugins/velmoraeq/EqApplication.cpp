#include "plugins/velmoraeq/EqApplication.h"

#include "plugins/velmoraeq/EqWindow.h"
#include "zkr/Text.h"

namespace velmoraeq {

EqApplication::EqApplication()
{
    helpPage = kHelpPage;
}

EqApplication::~EqApplication()
{
    // The window uses the channels until it is gone.
    window.reset();
    onCleanupFX();
}

void EqApplication::fillPluginInfo(engine::PluginInfo& info) const
{
    zkr::copyText(info.title, EqWindow::kTitle);
    zkr::copyText(info.shortName, "9bandEq");
    zkr::copyText(info.media, "equalizer");
    zkr::copyText(info.copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info.version, "v0.1b 08/2000");
    zkr::copyText(info.webAddress, "http://www.velmora.org/");
    info.flags = engine::kFlagNoChannelParameter;
}

void EqApplication::onSetupFX()
{
    channels_.build([] {
        auto made = std::make_unique<EqChannel>();
        return made->addStandardBands() ? std::move(made) : nullptr;
    });
}

void EqApplication::onCleanupFX()
{
    channels_.clear();
}

EqChannel* EqApplication::channel(int32_t index) const
{
    return channels_.at(index);
}

void EqApplication::processBlock(int32_t index, int16_t* samples, int32_t bytes)
{
    if (EqChannel* equaliser = channel(index))
        equaliser->process(samples, bytes);
}

void EqApplication::resetChannel(int32_t index)
{
    if (EqChannel* equaliser = channel(index))
        equaliser->reset();
}

void EqApplication::changeParameter(int32_t, int32_t) {}

std::unique_ptr<fxframe::EffectWindow> EqApplication::makeWindow()
{
    return std::make_unique<EqWindow>(channels_);
}

} // namespace velmoraeq
