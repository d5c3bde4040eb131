#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "engine/EngineCore.h"
#include "platform/core/DynamicLibrary.h"
#include "plugins/CoreTestPlugins.h"
#include "support/EngineTestSeam.h"
#include "support/PluginFiles.h"
#include "support/Watchdog.h"

namespace velmora::test {

// One call to updateChannelValue or updateGeneralValue, with what a pointer
// value pointed at read at the time of the call.
struct UiCall {
    bool general = false;
    int32_t channel = 0; // or the general index
    int32_t code = 0;
    intptr_t value = 0; // the number; for pointer codes the effect slot or 0
    std::string text;   // channel and effect names: the name, or "(null)"; effect enabled: "0" or "1"

    bool operator==(const UiCall&) const = default;
};

inline UiCall channelCall(int32_t channel, int32_t code, intptr_t value, std::string text = "")
{
    return {false, channel, code, value, std::move(text)};
}

inline UiCall generalCall(int32_t index, int32_t code, intptr_t value)
{
    return {true, index, code, value, ""};
}

inline void PrintTo(const UiCall& call, std::ostream* out)
{
    *out << (call.general ? "general(" : "channel(") << call.channel << ", " << call.code << ", "
         << call.value;
    if (!call.text.empty())
        *out << ", \"" << call.text << '"';
    *out << ')';
}

// The engine core with its seams recorded: user interface updates, posted
// events, shown errors and the crossfade timer.
class RecordingEngine : public engine::EngineCore {
public:
    static constexpr intptr_t kTimerId = 77;

    ~RecordingEngine() override { endStreamingThread(); }

    int32_t postEvent(engine::EngineEvent* event) override
    {
        std::lock_guard lock(mutex);
        events.push_back(static_cast<int>(event->code));
        changed.notify_all();
        return 1;
    }

    void updateChannelValue(int32_t channel, int32_t code, intptr_t value) override
    {
        record(false, channel, code, value);
    }
    void updateGeneralValue(int32_t index, int32_t code, intptr_t value) override
    {
        record(true, index, code, value);
    }
    void showError(int code, const char* text) override
    {
        std::lock_guard lock(mutex);
        errors.emplace_back(code, text != nullptr ? text : "(null)");
    }

    // Waits for the streaming thread's own stop event; false after timeout.
    bool waitForEvent(int code, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] {
            for (int posted : events) {
                if (posted == code)
                    return true;
            }
            return false;
        });
    }

    std::vector<UiCall> uiCalls()
    {
        std::lock_guard lock(mutex);
        return calls;
    }
    std::vector<UiCall> uiCalls(bool general, int32_t code)
    {
        std::vector<UiCall> chosen;
        for (const UiCall& call : uiCalls()) {
            if (call.general == general && call.code == code)
                chosen.push_back(call);
        }
        return chosen;
    }
    void clearRecords()
    {
        std::lock_guard lock(mutex);
        calls.clear();
        events.clear();
        errors.clear();
    }
    std::vector<int> postedEvents()
    {
        std::lock_guard lock(mutex);
        return events;
    }
    std::vector<std::pair<int, std::string>> shownErrors()
    {
        std::lock_guard lock(mutex);
        return errors;
    }

    std::vector<int32_t> timerIntervals;
    std::vector<intptr_t> stoppedTimers;

protected:
    intptr_t startCrossfadeTimer(int32_t intervalMs) override
    {
        timerIntervals.push_back(intervalMs);
        return kTimerId;
    }
    void stopCrossfadeTimer(intptr_t timer) override { stoppedTimers.push_back(timer); }

private:
    void record(bool general, int32_t channel, int32_t code, intptr_t value)
    {
        UiCall call{general, channel, code, value, ""};
        if (!general && code == toWire(engine::Value::ChannelName)) {
            call.value = 0;
            call.text = value != 0 ? reinterpret_cast<const char*>(value) : "(null)";
        } else if (!general && (code == toWire(engine::Value::EffectName) ||
                                code == toWire(engine::Value::EffectEnabled))) {
            const auto* pair = reinterpret_cast<const engine::EffectSlotValue*>(value);
            call.value = pair->slot;
            if (code == toWire(engine::Value::EffectName))
                call.text = pair->value != 0 ? reinterpret_cast<const char*>(pair->value) : "(null)";
            else
                call.text = pair->value != 0 ? "1" : "0";
        }
        std::lock_guard lock(mutex);
        calls.push_back(call);
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<UiCall> calls;
    std::vector<int> events;
    std::vector<std::pair<int, std::string>> errors;
};

// Loads and initialises a test plug-in as the engine's loading code would.
template <typename PluginType> std::unique_ptr<PluginType> loadTestPlugin(const char* file)
{
    auto plugin = std::make_unique<PluginType>();
    EXPECT_EQ(plugin->attach(testPluginPath(file).c_str(), 0), 0) << file;
    EXPECT_EQ(plugin->initialise(nullptr, nullptr), toWire(engine::Error::Ok)) << file;
    return plugin;
}

// A second reference to a test plug-in's library, for its test controls.
class TestControls {
public:
    explicit TestControls(const char* file)
    {
        EXPECT_TRUE(library.load(testPluginPath(file))) << library.errorText();
    }
    template <typename Function> Function get(const char* name)
    {
        auto function = library.function<Function>(name);
        EXPECT_NE(function, nullptr) << name;
        return function;
    }

private:
    plat::DynamicLibrary library;
};

// The engine core with the test plug-ins' controls, under a watchdog that is
// armed before the engine exists and ends after it.
class CoreEngineFixture : public ::testing::Test {
protected:
    explicit CoreEngineFixture(const char* what) : watchdog{std::chrono::seconds(20), what} {}

    // Forgets what every test plug-in recorded or was told in earlier tests.
    void resetTestPlugins()
    {
        inputControls.get<coretest::InputResetFn>(coretest::kInputReset)();
        outputControls.get<coretest::OutputResetFn>(coretest::kOutputReset)();
        effectControls.get<coretest::EffectResetFn>(coretest::kEffectReset)();
    }
    // Puts the pattern input into the engine's first input slot.
    void loadPatternInput()
    {
        EngineSeam::inputs(core)[0] = loadTestPlugin<engine::InputPlugin>(coretest::kPatternInputFile);
        input = EngineSeam::inputs(core)[0].get();
    }
    std::string outputJournal()
    {
        char text[2048];
        outputControls.get<coretest::OutputJournalFn>(coretest::kOutputJournal)(text, sizeof text);
        return text;
    }

    Watchdog watchdog;
    TestControls inputControls{coretest::kPatternInputFile};
    TestControls outputControls{coretest::kRecordingOutputFile};
    TestControls effectControls{coretest::kOffsetEffectFile};
    RecordingEngine core;
    engine::InputPlugin* input = nullptr;
};

} // namespace velmora::test
