#pragma once

// An effect library as the engine runs it: the real engine core loads it
// into effect slot 0 on a window thread of the kit (the effect's window is
// made there, headless, and served by the thread's message loop), beside the
// pattern input and the recording output; the test's thread is the engine's
// main thread. runThroughChannel plays pattern stream 0 through channel 0,
// panned hard left at full volume, so the left samples the output receives
// are exactly what the effect made of the pattern.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/CoreTestEngine.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/Thread.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "support/EngineTestSeam.h"
#include "support/Eventually.h"
#include "support/Watchdog.h"

namespace velmora::test {

inline const bool kEffectTestEnvironment = [] {
    setenv("VELMORA_UI", "headless", 1);
    setenv("VELMORA_AUDIO", "virtual", 1);
    return true;
}();

// Samples of one mono block of the engine's default set-up.
inline constexpr int kEffectBlockSamples = 2048;

// Blocks 0 to count - 1 of pattern stream 0, as the input delivers them.
inline std::vector<int16_t> patternBlocks(int count)
{
    std::vector<int16_t> samples;
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < kEffectBlockSamples; ++i)
            samples.push_back(coretest::patternSample(0, k, i));
    return samples;
}

class EffectEngineTest : public ::testing::Test {
protected:
    // file: the effect library's name in the program folder's Plugins.
    explicit EffectEngineTest(std::string file) : file_(std::move(file)) {}
    ~EffectEngineTest() override { finish(); }

    std::string effectPath() const { return std::string(VELMORA_OUT_DIR) + "/Plugins/" + file_; }

    // Loads the pattern input, the recording output and the effect (slot 0,
    // its window made on the kit's window thread), and sets the audio system up.
    void start()
    {
        inputControls.get<coretest::InputResetFn>(coretest::kInputReset)();
        outputControls.get<coretest::OutputResetFn>(coretest::kOutputReset)();
        EngineSeam::inputs(core)[0] = loadTestPlugin<engine::InputPlugin>(coretest::kPatternInputFile);
        EngineSeam::output(core) = loadTestPlugin<engine::OutputPlugin>(coretest::kRecordingOutputFile);
        windowThread_ = std::thread([this] {
            windowThreadId_ = plat::currentThreadId();
            loadResult_ = core.slots().loadEffect(0, effectPath().c_str(), -1);
            plat::ui::Message message;
            while (plat::ui::getMessage(message)) {
                if (message.window == nullptr && message.message == kRunMessage)
                    (*reinterpret_cast<std::function<void()>*>(message.lparam))();
                else
                    plat::ui::dispatchMessage(message);
            }
        });
        ASSERT_TRUE(eventually([&] { return loadResult_.load() != kNotLoaded; }));
        ASSERT_EQ(loadResult_.load(), 0);
        ASSERT_NE(effect(), nullptr);
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), toWire(engine::Error::Ok));
    }

    engine::EffectPlugin* effect() { return EngineSeam::effects(core)[0].get(); }

    // What every effect tells the engine: the interface version, the effect kind, four
    // channels, no commands; texts "title|short name|media|version", flags.
    void expectDescribedAs(const std::string& texts, uint32_t flags)
    {
        const engine::EffectPlugin& plugin = *effect();
        const engine::PluginInfo& info = plugin.info;
        EXPECT_EQ(std::vector<int>({plugin.interfaceVersion, plugin.pluginKind, plugin.channelCount}),
                  std::vector<int>({257, 2, 4}));
        EXPECT_EQ(info.flags, flags);
        EXPECT_EQ(std::string(info.title) + "|" + info.shortName + "|" + info.media + "|" + info.version,
                  texts);
        EXPECT_STREQ(info.copyright, "(c) 2000 the Velmora developers");
        EXPECT_STREQ(info.webAddress, "http://www.velmora.org/");
        EXPECT_EQ(effect()->execCommandString(false, "any command"), 0);
    }

    // Loads the library, sets it up and unloads it without ever opening its
    // window, twice: once cleaned up, once leaving that to the unload, as
    // the engine's exit does (the sanitizer build shows anything left).
    // Channels outside 0 to 3 are ignored in between.
    void loadAndUnloadWithoutWindow() const
    {
        for (const bool cleanedUp : {true, false}) {
            plat::DynamicLibrary library;
            ASSERT_TRUE(library.load(effectPath())) << library.errorText();
            auto setUp = library.function<engine::OnSetupFXFn>(engine::kExportOnSetupFX);
            auto cleanUp = library.function<engine::OnCleanupFXFn>(engine::kExportOnCleanupFX);
            auto process =
                library.function<engine::ProcessChannelBufferFn>(engine::kExportProcessChannelBuffer);
            ASSERT_TRUE(setUp != nullptr && cleanUp != nullptr && process != nullptr);
            EXPECT_EQ(setUp(), 1);
            std::vector<int16_t> block(kEffectBlockSamples, 100);
            EXPECT_EQ(process(4, block.data(), kEffectBlockSamples * 2) + process(-1, block.data(), 2), 2);
            EXPECT_EQ(block, std::vector<int16_t>(kEffectBlockSamples, 100));
            if (cleanedUp) {
                EXPECT_EQ(cleanUp(), 1);
            }
        }
    }

    // Puts the effect on channel, in the channel's first slot.
    void putOn(int channel)
    {
        ASSERT_EQ(core.audio().setChannelEffect(channel, 0, effect()), toWire(engine::Error::Ok));
    }

    // Plays blocks of pattern stream 0 through channel 0 (which must hold
    // the effect) and answers the left samples of every block the output
    // received with sound.
    std::vector<int16_t> runThroughChannel(int blocks)
    {
        outputControls.get<coretest::OutputResetFn>(coretest::kOutputReset)();
        coretest::StreamScript script{blocks, 0, 0, -1};
        inputControls.get<coretest::InputScriptFn>(coretest::kInputScript)(0, &script);
        EXPECT_EQ(core.attachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 0), 1);
        // Attaching centres the channel: hard left afterwards.
        EngineSeam::mixer(core).setPan(0, 0);
        EXPECT_EQ(core.startStreaming(), 1);
        EXPECT_TRUE(core.waitForEvent(toWire(engine::Event::StopStreaming)));
        core.audio().stopStreaming();
        // The next run attaches the stream afresh, to channel 0 again.
        core.audio().detachStreams(EngineSeam::inputs(core)[0]->handle(), 1, 0);
        core.clearRecords();

        std::vector<int16_t> left;
        const auto count = outputControls.get<coretest::OutputBlockCountFn>(coretest::kOutputBlockCount)();
        auto read = outputControls.get<coretest::OutputBlockFn>(coretest::kOutputBlock);
        std::vector<int16_t> stereo(2 * kEffectBlockSamples);
        for (int k = 0; k < count; ++k) {
            int32_t empty = 0;
            const int32_t bytes = read(k, stereo.data(), static_cast<int32_t>(stereo.size() * 2), &empty);
            if (empty != 0)
                continue;
            for (int i = 0; i < bytes / 4; ++i)
                left.push_back(stereo[static_cast<size_t>(2 * i)]);
        }
        return left;
    }

    // Runs work on the window thread and waits for it (the effect's window
    // belongs to that thread).
    void onWindowThread(const std::function<void()>& work)
    {
        std::atomic<bool> done{false};
        std::function<void()> task = [&] {
            work();
            done = true;
        };
        ASSERT_TRUE(
            plat::ui::postThreadMessage(windowThreadId_, kRunMessage, 0, reinterpret_cast<intptr_t>(&task)));
        ASSERT_TRUE(eventually([&] { return done.load(); }));
    }

    // Unloads the effect through the engine (its window closes for good),
    // then ends the window thread.
    void finish()
    {
        if (!windowThread_.joinable())
            return;
        core.audio().stopStreaming();
        core.slots().unloadEffect(0, true);
        EXPECT_TRUE(eventually(
            [&] { return plat::ui::postThreadMessage(windowThreadId_, plat::ui::kMsgQuit, 0, 0); }));
        windowThread_.join();
    }

    Watchdog watchdog{std::chrono::seconds(60), "effect engine test"};
    TestControls inputControls{coretest::kPatternInputFile};
    TestControls outputControls{coretest::kRecordingOutputFile};
    RecordingEngine core;

private:
    static constexpr int kNotLoaded = -1000;
    // A thread message whose lparam is a std::function<void()> to run.
    static constexpr uint32_t kRunMessage = plat::ui::kMsgUser + 0x3A1;

    std::string file_;
    std::thread windowThread_;
    std::atomic<uint32_t> windowThreadId_{0};
    std::atomic<int> loadResult_{kNotLoaded};
};

} // namespace velmora::test
