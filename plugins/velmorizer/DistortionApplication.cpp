#include "plugins/velmorizer/DistortionApplication.h"

#include <new>

#include "plugins/velmorizer/DistortionWindow.h"
#include "zkr/Text.h"

namespace velmorizer {

DistortionApplication::DistortionApplication()
{
    helpPage = "velmorizer.html";
}

DistortionApplication::~DistortionApplication()
{
    // At the engine's exit the library may go without onCleanupFX.
    onCleanupFX();
}

void DistortionApplication::fillPluginInfo(engine::PluginInfo& info) const
{
    zkr::copyText(info.title, "Velmorizer Distortion");
    zkr::copyText(info.shortName, "Velmorizer");
    zkr::copyText(info.media, "distortion");
    zkr::copyText(info.copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info.version, "v0.1b 08/2000");
    zkr::copyText(info.webAddress, "http://www.velmora.org/");
    info.flags = engine::kFlagNoChannelParameter;
}

DistortionWindow* DistortionApplication::distortionWindow() const
{
    return static_cast<DistortionWindow*>(window.get());
}

std::unique_ptr<fxframe::EffectWindow> DistortionApplication::makeWindow()
{
    return std::make_unique<DistortionWindow>();
}

void DistortionApplication::onSetupFX()
{
    // A second set-up starts again from the construction settings.
    onCleanupFX();
    ownedUnit_.reset(new (std::nothrow) DistortionUnit);
    if (!ownedUnit_)
        return;
    if (DistortionWindow* parameters = distortionWindow())
        parameters->unit = ownedUnit_.get();
    unit_.store(ownedUnit_.get(), std::memory_order_release);
}

void DistortionApplication::onCleanupFX()
{
    if (DistortionWindow* parameters = distortionWindow())
        parameters->unit = nullptr;
    unit_.store(nullptr, std::memory_order_release);
    ownedUnit_.reset();
}

void DistortionApplication::processBlock(int32_t, int16_t* samples, int32_t bytes)
{
    const DistortionWindow* parameters = distortionWindow();
    if (parameters == nullptr || !parameters->on.load(std::memory_order_relaxed))
        return;
    if (DistortionUnit* distortion = unit())
        distortion->process(samples, bytes);
}

void DistortionApplication::resetChannel(int32_t) {}

void DistortionApplication::changeParameter(int32_t, int32_t value)
{
    if (DistortionUnit* distortion = unit())
        distortion->parameter.store(value, std::memory_order_relaxed);
}

} // namespace velmorizer
