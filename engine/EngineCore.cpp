#include "engine/EngineCore.h"

#include <atomic>

#include "api/Protocol.h"

namespace engine {

namespace {

// The engine the plug-ins' callbacks reach; see EngineCore::current.
std::atomic<EngineCore*> currentEngine{nullptr};

} // namespace

EngineCore::EngineCore()
{
    EngineCore* none = nullptr;
    currentEngine.compare_exchange_strong(none, this);
}

EngineCore::~EngineCore()
{
    endStreamingThread();
    EngineCore* self = this;
    currentEngine.compare_exchange_strong(self, nullptr);
}

EngineCore* EngineCore::current()
{
    return currentEngine.load(std::memory_order_acquire);
}

void EngineCore::updateChannelValue(int32_t channel, int32_t code, intptr_t value)
{
    if (UserInterfacePlugin* userInterface = slots_.userInterface())
        userInterface->updateChannelValue(channel, code, value);
}

void EngineCore::updateGeneralValue(int32_t index, int32_t code, intptr_t value)
{
    if (UserInterfacePlugin* userInterface = slots_.userInterface())
        userInterface->updateGeneralValue(index, code, value);
}

void EngineCore::showError(int code, const char* text)
{
    zkr::Application::showError(code, text);
}

int EngineCore::applyAudioSetup(const AudioSystemSetup& setup)
{
    const int error = audio_.applySetup(setup);
    if (error != toWire(Error::Ok))
        return error;
    // The plug-ins are called without holding the main thread: they may post
    // events, which it must be free to take.
    return slots_.setupAudioSystem(setup);
}

int EngineCore::attachStreams(PluginHandle plugin, int first, int second)
{
    // Only a loaded input may feed a channel.
    InputPlugin* input = slots_.inputByHandle(plugin);
    return input != nullptr ? audio_.attachStreams(input, first, second) : 0;
}

int EngineCore::startStreaming()
{
    return audio_.startStreaming(slots_.output());
}

} // namespace engine
