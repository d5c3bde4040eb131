#pragma once

// The test seam of the engine: tests put plug-ins into slots directly, look
// at the channel table and the mixer, and fake a running stream through
// here, without a public way in for the program itself.

#include "engine/EngineCore.h"

namespace engine {

// Each takes the engine as it is given: a const engine gives const parts.
struct EngineTestSeam {
    template <typename Core> static auto& inputs(Core& engine) { return engine.slots_.inputs; }
    template <typename Core> static auto& output(Core& engine) { return engine.slots_.output_; }
    template <typename Core> static auto& effects(Core& engine) { return engine.slots_.effects; }
    template <typename Core> static auto& userInterface(Core& engine) { return engine.slots_.userInterface_; }
    template <typename Core> static auto& audioInputs(Core& engine) { return engine.slots_.audioInputs; }
    template <typename Core> static auto& audioOutputs(Core& engine) { return engine.slots_.audioOutputs; }
    template <typename Core> static auto& realtimeEffects(Core& engine) { return engine.slots_.realtimeEffects; }
    template <typename Core> static auto& userInterfaces(Core& engine) { return engine.slots_.userInterfaces; }
    template <typename Core> static auto& slotsLock(Core& engine) { return engine.slots_.slotsLock; }

    template <typename Core> static auto& channels(Core& engine) { return engine.audio_.channels; }
    template <typename Core> static auto& mixer(Core& engine) { return engine.audio_.mixer; }
    template <typename Core> static auto& audioSetup(Core& engine) { return engine.audio_.audioSetup; }
    template <typename Core> static auto& streaming(Core& engine) { return engine.audio_.streaming; }
    template <typename Core> static auto& streamThread(Core& engine) { return engine.audio_.streamThread; }
    template <typename Core> static auto& crossfade(Core& engine) { return engine.audio_.crossfade; }

    template <typename Core> static auto& trayMenu(Core& engine) { return engine.shell_.trayMenu; }
    template <typename Core> static auto& trayMenuBar(Core& engine) { return engine.shell_.trayMenuBar; }
};

} // namespace engine

namespace velmora::test {
using EngineSeam = engine::EngineTestSeam;
} // namespace velmora::test
