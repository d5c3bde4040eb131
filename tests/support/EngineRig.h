#pragma once

// A plug-in as the real engine runs it, for the plug-in suites and the
// benches alike (no test framework here: what fails comes back as false).
// A program folder of the rig's own holds the libraries the engine loads
// (Plugins/), a config folder of its own the settings file. The engine's main
// loop may run on a thread of the rig; plug-in windows live on the rig's
// window thread (headless), as on the user interface's. The recording
// output's blocks are the probe: every stereo block the mixer made, in order.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "api/PluginApi.h"
#include "engine/EngineCore.h"
#include "engine/InputPlugin.h"
#include "platform/core/DynamicLibrary.h"
#include "plugins/CoreTestPlugins.h"
#include "support/CarryingEngine.h"
#include "support/EngineTestSeam.h"
#include "support/FileText.h"
#include "support/PluginFiles.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/WindowThread.h"

namespace velmora::test {

inline const bool kEngineRigEnvironment = [] {
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    return true;
}();

// One mono channel block of the engine's default set-up.
inline constexpr int kBlockBytes = 4096;
inline constexpr int kBlockSamples = kBlockBytes / 2;
inline constexpr char kSettingsFile[] = "velmoraaudioengine.ini";

// The test controls of a loaded recording output: a second reference to the
// library the engine loaded.
class OutputProbe {
public:
    struct Block {
        std::vector<int16_t> samples; // interleaved left, right
        bool empty = false;           // the mixer had no sound for it
    };

    bool load(const std::string& path) { return library_.load(path); }
    void reset() { library_.function<coretest::OutputResetFn>(coretest::kOutputReset)(); }
    int blockCount()
    {
        return library_.function<coretest::OutputBlockCountFn>(coretest::kOutputBlockCount)();
    }
    void script(const coretest::OutputScript& script)
    {
        library_.function<coretest::OutputScriptFn>(coretest::kOutputScript)(&script);
    }

    // Blocks first to first + count - 1 (count < 0: to the last), each whole.
    std::vector<Block> blocks(int first = 0, int count = -1)
    {
        const auto blockAt = library_.function<coretest::OutputBlockFn>(coretest::kOutputBlock);
        const int end = count < 0 ? blockCount() : first + count;
        std::vector<Block> chosen;
        for (int k = first; k < end; ++k) {
            int32_t empty = 0;
            Block block;
            // A first call with no room answers the block's size.
            int16_t noRoom = 0;
            block.samples.resize(static_cast<size_t>(std::max(blockAt(k, &noRoom, 0, &empty), 0)) / 2);
            blockAt(k, block.samples.data(), static_cast<int32_t>(block.samples.size() * 2), &empty);
            block.empty = empty != 0;
            chosen.push_back(std::move(block));
        }
        return chosen;
    }
    // Every block's samples, one block after the other.
    std::vector<int16_t> samples()
    {
        std::vector<int16_t> all;
        for (const Block& block : blocks())
            all.insert(all.end(), block.samples.begin(), block.samples.end());
        return all;
    }

private:
    plat::DynamicLibrary library_;
};

// This process's own input plug-in object in an engine slot: the engine calls
// it as it calls the library's exports. Module names the plug-in's object
// (plugin, start, stop, fillInfo, kChannels); the object lives as long as
// the slot holds it. The plug-ins' C exports are the same calls.
template <typename Module> class InProcessInput : public engine::InputPlugin {
public:
    InProcessInput()
    {
        Module::start();
        exports.setPluginHandle = [](engine::PluginHandle handle) {
            Module::plugin()->pluginHandle = handle;
        };
        exports.setEventCallback = [](engine::EventCallback callback) {
            Module::plugin()->eventCallback = callback;
        };
        exports.setInternalCallback = [](engine::InternalCallback callback) {
            Module::plugin()->internalCallback = callback;
        };
        exports.createUserInterface = [](engine::InstanceHandle instance, int32_t show) -> int32_t {
            return Module::plugin()->createUserInterface(instance, show);
        };
        exports.destroyUserInterface = [] { Module::plugin()->destroyUserInterface(); };
        exports.onPluginSwitch = [](int32_t show) { Module::plugin()->onPluginSwitch(show != 0); };
        if constexpr (requires { Module::plugin()->execCommandString(0, ""); }) {
            exports.execCommandString = [](int32_t flags, const char* text) {
                return Module::plugin()->execCommandString(flags, text);
            };
        }
        exports.setupAudioSystem = [](const engine::AudioSystemSetup* setup) -> int32_t {
            return Module::plugin()->setupAudioSystem(setup);
        };
        exports.readStreamChannel = [](int32_t channel, const int16_t** block, int32_t* bytes) -> int32_t {
            return Module::plugin()->readStreamChannel(channel, block, bytes);
        };
        exports.onStreamingError = [](int32_t code, int32_t value) {
            if constexpr (requires { Module::plugin()->onStreamingError(code, value); })
                Module::plugin()->onStreamingError(code, value);
            else
                Module::plugin()->onStreamingError();
        };
        Module::fillInfo(&info);
        interfaceVersion = engine::kInterfaceVersion;
        pluginKind = toWire(engine::PluginKind::Input);
        channelCount = Module::kChannels;
        initialised = true;
        exports.setPluginHandle(handle());
        exports.setEventCallback(&engine::EngineCore::eventCallback);
        exports.setInternalCallback(&engine::EngineCore::internalCallback);
    }
    ~InProcessInput() override { Module::stop(); }
    InProcessInput(const InProcessInput&) = delete;
    InProcessInput& operator=(const InProcessInput&) = delete;
};

// Engine: a program's engine (CarryingEngine, engine::Engine) whose main loop
// runs on the rig's thread, or an engine core whose main thread is the test's.
template <typename Engine = CarryingEngine> class EngineRig {
public:
    EngineRig()
    {
        std::filesystem::create_directory(program.file("Plugins"));
        engine.setFolder(program.path());
    }
    ~EngineRig() { finish(); }
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    std::string plugin(const std::string& file) const { return program.file("Plugins/" + file); }
    // A copy of a library in Plugins/, where the engine finds it.
    bool place(const std::string& source)
    {
        std::error_code error;
        return std::filesystem::copy_file(source, plugin(std::filesystem::path(source).filename().string()),
                                          error);
    }
    void writeSettings(const std::string& text) { writeText(config.file(kSettingsFile), text); }
    std::string settingsText() const { return readText(config.file(kSettingsFile)); }

    // The recording output (placed beforehand) into the output slot, its
    // probe loaded and cleared.
    bool loadRecordingOutput()
    {
        const std::string path = plugin(coretest::kRecordingOutputFile);
        if (engine.slots().loadOutput(path.c_str(), -1) != 0)
            return false;
        outputLoaded_ = true;
        if (!output.load(path))
            return false;
        output.reset();
        return true;
    }

    void startMainLoop()
    {
        running_ = true;
        mainLoop = std::thread([this] { engine.runLoop(); });
    }
    // Started in the process that uses it: a forked child has no thread of its parent's.
    bool startWindowThread()
    {
        running_ = true;
        return windowThread.start();
    }
    // Runs body on the window thread (outside any modal loop there) and
    // answers its result; nothing when the thread does not answer.
    std::optional<int> onWindowThread(const std::function<int()>& body) { return windowThread.run(body); }

    // The library at path into an input slot (or the output slot), loaded on
    // the window thread as the user interface loads it: its windows live
    // there. The engine's answer; nothing when the thread does not answer.
    std::optional<int> loadInput(int slot, const std::string& path)
    {
        inputsLoaded_[slot] = true;
        return onWindowThread([&] { return engine.slots().loadInput(slot, path.c_str(), -1); });
    }
    std::optional<int> loadOutput(const std::string& path)
    {
        outputLoaded_ = true;
        return onWindowThread([&] { return engine.slots().loadOutput(path.c_str(), -1); });
    }
    std::optional<int> loadEffect(int slot, const std::string& path)
    {
        effectsLoaded_[slot] = true;
        return onWindowThread([&] { return engine.slots().loadEffect(slot, path.c_str(), -1); });
    }
    // This process's own input object into input slot 0, with its window
    // made on the window thread or without; then the audio set-up.
    template <typename Module> bool loadInProcess(bool withWindow)
    {
        EngineSeam::inputs(engine)[0] = std::make_unique<InProcessInput<Module>>();
        inputsLoaded_[0] = true;
        if (withWindow && onWindowThread([&] {
                              return EngineSeam::inputs(engine)[0]->createUserInterface(
                                  engine.program().instance, engine::kShowCommandShow);
                          }) != 0)
            return false;
        return engine.applyAudioSetup(engine.audio().setup()) == 0;
    }

    // Stops streaming, unloads what the rig loaded (windows save and close),
    // ends the main loop and the window thread. Plug-ins a test put into
    // slots itself go with the engine.
    void finish()
    {
        if (!std::exchange(running_, false))
            return;
        if (mainLoop.joinable()) {
            engine::EngineEvent stop{toWire(engine::Event::StopStreaming), 1, 0, 0, 0, 0, 0};
            engine.postEvent(&stop);
        } else {
            engine.audio().stopStreaming();
        }
        for (int slot = 0; slot < engine::kInputSlots; ++slot)
            if (std::exchange(inputsLoaded_[slot], false))
                engine.slots().unloadInput(slot, true);
        for (int slot = 0; slot < engine::kEffectSlots; ++slot)
            if (std::exchange(effectsLoaded_[slot], false))
                engine.slots().unloadEffect(slot, true);
        if (std::exchange(outputLoaded_, false))
            engine.slots().unloadOutput(true);
        if (mainLoop.joinable()) {
            engine::EngineEvent quit{toWire(engine::Event::Quit), 1, 0, 0, 0, 0, 0};
            engine.postEvent(&quit);
            mainLoop.join();
        }
        windowThread.stop();
    }

    TempFolder program;
    TempFolder config;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
    Engine engine;
    OutputProbe output;
    WindowThread windowThread;
    std::thread mainLoop;

private:
    bool running_ = false;
    std::array<bool, engine::kInputSlots> inputsLoaded_{};
    std::array<bool, engine::kEffectSlots> effectsLoaded_{};
    bool outputLoaded_ = false;
};

} // namespace velmora::test
