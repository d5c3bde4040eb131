#pragma once

// A decoder module of the program folder loaded and driven through its
// exports in the order the media player drives them, recording every block
// and event it hands back.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "api/DecoderModuleApi.h"
#include "platform/core/DynamicLibrary.h"

namespace velmora::test {

inline std::string decoderModulePath(const std::string& file)
{
    return std::string(VELMORA_OUT_DIR) + "/Plugins/Decoders/" + file;
}

struct DecoderModule {
    explicit DecoderModule(const std::string& path)
    {
        if (!library.load(path))
            return;
        for (const char* name : decoder::kModuleFunctionNames)
            bound += library.symbol(name) != nullptr ? 1 : 0;
    }
    template <typename Function> Function get(const char* name) const
    {
        return library.function<Function>(name);
    }

    plat::DynamicLibrary library;
    int bound = 0; // of the 42 functions
};

// One stream handle of a module, its callbacks recording into this object.
class ModuleStream {
public:
    struct Event {
        bool started;
        size_t blocksBefore;
    };

    template <typename Function, typename... Args>
    std::invoke_result_t<Function, Args...> call(const char* name, Args... args) const
    {
        return module_.get<Function>(name)(args...);
    }

    ModuleStream(const DecoderModule& module, int32_t blockBytes,
                 std::chrono::microseconds pacePerBlock = std::chrono::microseconds(0))
        : module_(module), blockBytes_(blockBytes), pace_(pacePerBlock)
    {
        handle = call<decoder::ESInitModuleFn>("ESInitModule");
    }
    ModuleStream(const ModuleStream&) = delete;
    ModuleStream& operator=(const ModuleStream&) = delete;
    ~ModuleStream()
    {
        call<decoder::ESCloseFn>("ESClose", handle);
        call<decoder::ESDeInitModuleFn>("ESDeInitModule", handle);
    }

    // The player's open sequence: false at the first refusal.
    bool open(const std::string& path)
    {
        if (!call<decoder::ESSetInputModeFn>("ESSetInputMode", handle, decoder::kInputModeFile) ||
            !call<decoder::ESSetOutputModeFn>("ESSetOutputMode", handle, decoder::kOutputModeCallback) ||
            !call<decoder::ESSetOutCBFn>("ESSetOutCB", handle, &ModuleStream::onOutput,
                                         &ModuleStream::onEvent, static_cast<void*>(this)) ||
            !call<decoder::ESSetInputNameFn>("ESSetInputName", handle, path.c_str()) ||
            !call<decoder::ESOpenFn>("ESOpen", handle) ||
            !call<decoder::ESInitStreamFn>("ESInitStream", handle))
            return false;
        int32_t size = 0;
        if (!call<decoder::ESGetInfo1Fn>("ESGetInfo1", handle, nullptr, &size) || size <= 0)
            return false;
        information.resize(size_t(size));
        if (!call<decoder::ESGetInfo1Fn>("ESGetInfo1", handle, information.data(), &size) ||
            !call<decoder::ESGetInfo2Fn>("ESGetInfo2", handle, &informationValue))
            return false;
        sizeMs = call<decoder::ESGetSizeFn>("ESGetSize", handle);
        return call<decoder::ESCloseFn>("ESClose", handle) &&
               call<decoder::ESSetBuffersFn>("ESSetBuffers", handle, 10, blockBytes_) &&
               call<decoder::ESOpenFn>("ESOpen", handle);
    }
    template <typename Info> Info info() const
    {
        Info value{};
        std::memcpy(&value, information.data(), std::min(sizeof value, information.size()));
        return value;
    }

    bool play()
    {
        return call<decoder::ESInitStreamFn>("ESInitStream", handle) &&
               call<decoder::ESUseOutCBFn>("ESUseOutCB", handle, decoder::Bool(1)) &&
               call<decoder::ESPlayFn>("ESPlay", handle);
    }
    // Until `count` end events have come.
    bool waitForEnds(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return ends_ >= count; });
    }
    bool waitForBlocks(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        return blockCame_.wait_for(lock, limit, [&] { return blockBytes.size() >= count; });
    }
    template <typename Read> auto recorded(Read read)
    {
        std::lock_guard lock(mutex_);
        return read();
    }
    void forget()
    {
        std::lock_guard lock(mutex_);
        samples.clear();
        blockBytes.clear();
        events.clear();
    }

    decoder::StreamHandle handle = 0;
    std::vector<std::byte> information;
    int32_t informationValue = 0;
    uint32_t sizeMs = 0;
    // Guarded by mutex_ (written on the module's thread): see recorded().
    std::vector<int16_t> samples;
    std::vector<int32_t> blockBytes;
    std::vector<Event> events;
    bool outsideModuleThread = false; // a callback came from the test's thread
    bool keepSamples = true;          // false: the blocks are taken and dropped, as fast as can be

private:
    static decoder::Bool onOutput(const void* data, int32_t, int32_t, int32_t, int32_t bytes, void* context)
    {
        auto* self = static_cast<ModuleStream*>(context);
        {
            std::lock_guard lock(self->mutex_);
            const auto* first = static_cast<const int16_t*>(data);
            if (self->keepSamples)
                self->samples.insert(self->samples.end(), first, first + bytes / 2);
            self->blockBytes.push_back(bytes);
            self->outsideModuleThread |= std::this_thread::get_id() == self->testThread_;
        }
        self->blockCame_.notify_all();
        if (self->pace_.count() > 0)
            std::this_thread::sleep_for(self->pace_);
        return 1;
    }
    static decoder::Bool onEvent(decoder::Bool started, void* context)
    {
        auto* self = static_cast<ModuleStream*>(context);
        {
            std::lock_guard lock(self->mutex_);
            self->events.push_back({started != 0, self->blockBytes.size()});
            self->ends_ += started != 0 ? 0 : 1;
            self->outsideModuleThread |= std::this_thread::get_id() == self->testThread_;
        }
        self->changed_.notify_all();
        return 1;
    }

    const DecoderModule& module_;
    int32_t blockBytes_;
    std::chrono::microseconds pace_;
    std::thread::id testThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable changed_; // an event came
    // A block came: a wait of its own, so that a run waiting only for its end
    // is not woken for every block (the host's cost, not the module's).
    std::condition_variable blockCame_;
    size_t ends_ = 0; // guarded by mutex_
};

} // namespace velmora::test
