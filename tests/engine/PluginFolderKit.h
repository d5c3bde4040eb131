#pragma once

// A program folder of the test's own whose Plugins folder holds copies of
// chosen test plug-ins, an engine core pointed at it, and a probe into each
// copy (every copy is a library instance of its own).

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "engine/EngineCore.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/ui/WindowTestKit.h"
#include "support/EngineTestSeam.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "zkr/SharedServices.h"

namespace velmora::test {

// The engine core that also keeps the texts of the name values (general codes
// 12 to 14) and the last posted event whole.
class CatalogEngine : public RecordingEngine {
public:
    ~CatalogEngine() override { endStreamingThread(); }

    void updateGeneralValue(int32_t index, int32_t code, intptr_t value) override
    {
        if (code >= toWire(engine::Value::InputName) && code <= toWire(engine::Value::EffectSlotName))
            nameTexts.push_back(std::to_string(code) + ":" + std::to_string(index) + ":" +
                                (value != 0 ? reinterpret_cast<const char*>(value) : "(null)"));
        RecordingEngine::updateGeneralValue(index, code, value);
    }
    int32_t postEvent(engine::EngineEvent* event) override
    {
        lastEvent = *event;
        return RecordingEngine::postEvent(event);
    }

    std::vector<std::string> nameTexts;
    engine::EngineEvent lastEvent{};
};

// A second reference to a copied binding plug-in: the loader hands out the
// instance the engine loads, so its journal shows the engine's calls.
class CopyProbe {
public:
    explicit CopyProbe(const std::string& path) { EXPECT_TRUE(library.load(path)) << library.errorText(); }
    std::string journal() const { return library.function<const char* (*)()>("testJournal")(); }
    void clear() const { library.function<void (*)()>("testClearJournal")(); }
    void setAnswer(int32_t answer) const { library.function<void (*)(int32_t)>("testSetAnswer")(answer); }
    engine::PluginHandle handle() const
    {
        return library.function<engine::PluginHandle (*)()>("testHandle")();
    }

private:
    plat::DynamicLibrary library;
};

// Stands in for the shared services library while alive, keeping the texts
// shown in the splash window.
class SplashRecorder {
public:
    SplashRecorder()
    {
        services.updateSplashText = &SplashRecorder::record;
        previous = zkr::sharedServices;
        zkr::sharedServices = &services;
        texts().clear();
    }
    ~SplashRecorder() { zkr::sharedServices = previous; }
    SplashRecorder(const SplashRecorder&) = delete;
    SplashRecorder& operator=(const SplashRecorder&) = delete;

    static std::vector<std::string>& texts()
    {
        static std::vector<std::string> shown;
        return shown;
    }

private:
    static int record(const char* text)
    {
        texts().push_back(text);
        return 1;
    }

    zkr::SharedServices services;
    zkr::SharedServices* previous = nullptr;
};

class PluginFolderTest : public ::testing::Test {
protected:
    PluginFolderTest()
    {
        std::filesystem::create_directory(program.file("Plugins"));
        core.setFolder(program.path());
        core.setInstance(4242);
    }
    ~PluginFolderTest() override
    {
        // Plug-ins leave before the probes drop their references.
        EngineSeam::streaming(core).store(false);
        for (int i = 0; i < engine::kEffectSlots; ++i)
            core.slots().unloadEffect(i, false);
        for (int i = 0; i < engine::kInputSlots; ++i)
            core.slots().unloadInput(i, false);
        core.slots().unloadOutput(false);
    }

    // Copies a test plug-in into Plugins under name; its full path.
    std::string addPlugin(const char* source, const std::string& name)
    {
        const std::string target = pluginPath(name);
        std::filesystem::copy_file(testPluginPath(source), target);
        return target;
    }
    std::string pluginPath(const std::string& name) const { return program.file("Plugins/" + name); }
    // A probe into a copy; made before the engine loads it, it sees every call.
    CopyProbe& probe(const std::string& name)
    {
        auto& made = probes[name];
        if (made == nullptr)
            made = std::make_unique<CopyProbe>(pluginPath(name));
        return *made;
    }
    engine::PluginEntry& entry(engine::PluginList& list, int index)
    {
        return *static_cast<engine::PluginEntry*>(list.itemAt(index));
    }
    void writeSettings(const std::string& text)
    {
        FILE* file = std::fopen(config.file("velmoraaudioengine.ini").c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }

    Watchdog watchdog{std::chrono::seconds(20), "plug-in catalog test"};
    TempFolder program;
    TempFolder config;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.path()};
    std::map<std::string, std::unique_ptr<CopyProbe>> probes;
    CatalogEngine core;
};

} // namespace velmora::test
