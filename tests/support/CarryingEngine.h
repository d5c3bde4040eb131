#pragma once

// The engine program with what its main thread carried out (each event with
// the engine's answer; for a crossfade the block the engine accepted, as the
// poster's own block is gone by then) and the errors shown through it. While streamOnStart
// is false, the start streaming event is answered with startAnswer and nothing streams: the
// test then reads the channels itself.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "support/EngineTestSeam.h"

namespace velmora::test {

struct CarriedEvent {
    intptr_t code, value, target, partner, index;
    int32_t answer;
    engine::CrossfadeBlock block;
};

class CarryingEngine : public engine::Engine {
public:
    ~CarryingEngine() override { endStreamingThread(); }

    std::vector<CarriedEvent> carried(intptr_t code)
    {
        std::lock_guard lock(mutex_);
        std::vector<CarriedEvent> chosen;
        for (const CarriedEvent& event : carried_)
            if (event.code == code)
                chosen.push_back(event);
        return chosen;
    }
    std::vector<int> errors()
    {
        std::lock_guard lock(mutex_);
        return errors_;
    }
    // The texts of the errors shown, in the same order.
    std::vector<std::string> errorTexts()
    {
        std::lock_guard lock(mutex_);
        return errorTexts_;
    }
    void showError(int code, const char* text) override
    {
        std::lock_guard lock(mutex_);
        errors_.push_back(code);
        errorTexts_.emplace_back(text != nullptr ? text : "");
    }

    std::atomic<bool> streamOnStart{true};
    std::atomic<int32_t> startAnswer{1};

protected:
    int32_t carryOut(const engine::EngineEvent& event, bool& quit) override
    {
        // Read before it is carried out, which may change it.
        const engine::CrossfadeBlock block =
            event.code == toWire(engine::Event::Crossfade) ? EngineSeam::crossfade(*this) : engine::CrossfadeBlock{};
        const bool pretend = event.code == toWire(engine::Event::StartStreaming) && !streamOnStart;
        const int32_t answer = pretend ? startAnswer.load() : Engine::carryOut(event, quit);
        std::lock_guard lock(mutex_);
        carried_.push_back(
            {event.code, event.value, event.target, event.partner, event.index, answer, block});
        return answer;
    }

private:
    std::mutex mutex_;
    std::vector<CarriedEvent> carried_;
    std::vector<int> errors_;
    std::vector<std::string> errorTexts_;
};

} // namespace velmora::test
