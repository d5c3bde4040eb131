#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "plugins/fxframe/EffectApplication.h"
#include "plugins/velmorizer/DistortionUnit.h"

namespace velmorizer {

class DistortionWindow;

// The distortion's application object: one DistortionUnit for every channel,
// made by onSetupFX and freed by onCleanupFX (or at the latest with this
// object), and the window that sets it and holds the on flag. Until the user
// switches it on the sound passes unchanged.
class DistortionApplication : public fxframe::EffectApplication {
public:
    DistortionApplication();
    ~DistortionApplication() override;

    void fillPluginInfo(engine::PluginInfo& info) const override;
    // Makes a unit with the construction settings and hands it to the window;
    // without memory for it the effect stays without one (no sound changed,
    // knobs disabled).
    void onSetupFX() override;
    void onCleanupFX() override;
    // Distorts the block in place while the effect is on, whatever the channel.
    void processBlock(int32_t channel, int16_t* samples, int32_t bytes) override;
    // The unit keeps no signal memory.
    void resetChannel(int32_t channel) override;
    // Kept in the unit's parameter; the distortion makes no use of it.
    void changeParameter(int32_t channel, int32_t value) override;

    // The unit while set up, else null.
    DistortionUnit* unit() const { return unit_.load(std::memory_order_acquire); }
    // The window object, from startUp to shutDown.
    DistortionWindow* distortionWindow() const;

protected:
    std::unique_ptr<fxframe::EffectWindow> makeWindow() override;

private:
    // Made and freed on the thread that loads the library, which publishes
    // it through unit_ (release) to the streaming thread and the main thread
    // (acquire). The engine takes the effect off every channel and waits for
    // the streaming thread to leave it before onCleanupFX.
    std::unique_ptr<DistortionUnit> ownedUnit_;
    std::atomic<DistortionUnit*> unit_{nullptr};
};

} // namespace velmorizer
