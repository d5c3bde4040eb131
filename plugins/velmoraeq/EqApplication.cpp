#include "plugins/velmoraeq/EqApplication.h"

#include <new>

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
    for (std::atomic<EqChannel*>& slot : channels_) {
        if (slot.load(std::memory_order_relaxed) != nullptr)
            continue;
        try {
            auto made = std::make_unique<EqChannel>();
            if (!made->addStandardBands())
                return;
            slot.store(made.release(), std::memory_order_release);
        } catch (const std::bad_alloc&) {
            return;
        }
    }
}

void EqApplication::onCleanupFX()
{
    for (std::atomic<EqChannel*>& slot : channels_)
        delete slot.exchange(nullptr, std::memory_order_acq_rel);
}

EqChannel* EqApplication::channel(int32_t index) const
{
    if (!fxframe::isEffectChannel(index))
        return nullptr;
    return channels_[static_cast<std::size_t>(index)].load(std::memory_order_acquire);
}

void EqApplication::processChannelBuffer(int32_t index, int16_t* samples, int32_t bytes)
{
    if (EqChannel* equaliser = channel(index))
        equaliser->process(samples, bytes);
}

void EqApplication::resetFXChannel(int32_t index)
{
    if (EqChannel* equaliser = channel(index))
        equaliser->reset();
}

void EqApplication::onFXParamChange(int32_t, int32_t) {}

std::unique_ptr<fxframe::EffectWindow> EqApplication::makeWindow()
{
    return std::make_unique<EqWindow>(channels_);
}

} // namespace velmoraeq
