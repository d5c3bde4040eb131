#pragma once

#include <cstdint>
#include <memory>

#include "plugins/fxframe/EffectApplication.h"
#include "plugins/velmoraeq/EqChannel.h"

namespace velmoraeq {

inline constexpr char kHelpPage[] = "velmoraeq.html";

// The equaliser plug-in's application: one equaliser per engine channel and
// the window that edits them.
//
// Threads (see the frame): the channels are built and freed on the thread
// that loads and unloads the plug-in; the engine calls onCleanupFX only once
// its streaming thread has left the effect and the window is closed. Each
// channel guards its own settings (EqChannel).
class EqApplication : public fxframe::EffectApplication {
public:
    EqApplication();
    // The channels go with the application, also when the engine never cleaned them up.
    ~EqApplication() override;

    void fillPluginInfo(engine::PluginInfo& info) const override;
    // Builds every missing channel whole with the nine bands; stops at the
    // first that cannot be had (it and the rest stay missing).
    void onSetupFX() override;
    void onCleanupFX() override;
    void processBlock(int32_t channel, int16_t* samples, int32_t bytes) override;
    void resetChannel(int32_t channel) override;
    // The equaliser has no use for the engine's per-channel parameter.
    void changeParameter(int32_t channel, int32_t value) override;

    // The equaliser of engine channel index, or null.
    EqChannel* channel(int32_t index) const;

protected:
    std::unique_ptr<fxframe::EffectWindow> makeWindow() override;

private:
    EqChannels channels_;
};

} // namespace velmoraeq
