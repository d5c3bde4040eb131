#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "support/Watchdog.h"

namespace velmora::test {

// Runs body in a child process of its own (fresh sound system state, or
// limits the test must not keep); the child's failures fail the test. Only
// the calling thread lives on in the child: call it before a test starts
// threads of its own.
inline void runInChild(const std::function<void()>& body, const char* what)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        Watchdog childWatchdog{std::chrono::seconds(30), what};
        body();
        std::fflush(nullptr);
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child process failed";
}

} // namespace velmora::test
