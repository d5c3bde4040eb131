#pragma once

#include <cstdint>
#include <memory>

#include "plugins/fxframe/EffectApplication.h"
#include "plugins/halvern/ReverbChannel.h"

namespace halvern {

class ReverbWindow;

inline constexpr char kHelpPage[] = "reverb.html";

// The reverb plug-in's application: four reverb channels and the window with
// the delay knob and the bypass button. It keeps none of the engine's links
// (callbacks, plug-in handle): it never calls the engine.
//
// Threads (see the frame): the channels' own lock guards what process, setDelay
// and reset share; the feedback is the channel's atomic parameter; the bypass
// flag is the window's atomic; the set of channels publishes each channel whole.
class ReverbApplication : public fxframe::EffectApplication {
public:
    ReverbApplication();
    // The channels go with the application, also when the engine never cleaned them up.
    ~ReverbApplication() override;

    void fillPluginInfo(engine::PluginInfo& info) const override;
    void onSetupFX() override;
    void onCleanupFX() override;
    // Runs the channel's reverb on the block unless the bypass is down.
    void processBlock(int32_t channel, int16_t* samples, int32_t bytes) override;
    void resetChannel(int32_t channel) override;
    // The channel's feedback percent, taken as it comes.
    void changeParameter(int32_t channel, int32_t value) override;

    ReverbChannels channels;

protected:
    std::unique_ptr<fxframe::EffectWindow> makeWindow() override;

private:
    bool bypassed() const;
};

} // namespace halvern
