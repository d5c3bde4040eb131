#pragma once

// The engine rig as a test fixture: the watchdog is armed before the rig
// exists and ends after it, and a window thread that does not answer fails
// the test.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "support/EngineRig.h"
#include "support/Watchdog.h"

namespace velmora::test {

using namespace std::chrono_literals;

template <typename Engine = CarryingEngine> class EngineRigTest : public ::testing::Test {
protected:
    EngineRigTest(std::chrono::milliseconds limit, std::string what) : watchdog{limit, std::move(what)} {}
    ~EngineRigTest() override { finish(); }

    void finish() { rig.finish(); }
    std::string plugin(const std::string& file) const { return rig.plugin(file); }
    std::string settingsText() const { return rig.settingsText(); }
    // Runs body on the window thread and returns its answer.
    int onWindowThread(const std::function<int()>& body)
    {
        const std::optional<int> answer = rig.onWindowThread(body);
        EXPECT_TRUE(answer.has_value()) << "the window thread does not answer";
        return answer.value_or(-1);
    }

    Watchdog watchdog;
    // The test's own files; they outlive the plug-ins that use them.
    TempFolder files;
    EngineRig<Engine> rig;
    Engine& engine = rig.engine;
    TempFolder& program = rig.program;
    TempFolder& config = rig.config;
};

} // namespace velmora::test
