#pragma once

// Runs the real Velmora program in a program folder of the test's own.
//
// The folder holds copies (not links: a linked program would find its folder
// in the build tree) of the program, the platform library, the shared services
// library and the chosen test plug-ins. The program runs headless on virtual
// audio, with every dialog and message box answered by its default button and
// its texts written to standard error; settings, the single-instance lock and
// the scripted user interface's script and log are the test's own too.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/FileText.h"
#include "support/SpawnProgram.h"
#include "support/TempFolder.h"

namespace velmora::test {

// The scripted user interface plug-in and the settings the program keeps.
inline constexpr char kScriptedUi[] = "scripted_ui.vui";
inline constexpr char kSettingsFile[] = "velmoraaudioengine.ini";
inline constexpr char kEngineSection[] = "Velmora Audio Engine v0.1b";

// How a run of the program ended.
struct ProgramResult {
    int exitCode = -1; // -1 when it did not end by itself
    bool timedOut = false;
    bool crashed = false; // ended by a signal
    std::string out;
    std::string err;
};

// One started program; its end is waited for (or forced) once.
class RunningProgram {
public:
    RunningProgram(pid_t pid, std::string outPath, std::string errPath)
        : pid_(pid), outPath_(std::move(outPath)), errPath_(std::move(errPath))
    {
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram()
    {
        if (pid_ > 0)
            finish(std::chrono::milliseconds(0));
    }

    // Waits up to limit for the program to end; kills it after that.
    ProgramResult finish(std::chrono::milliseconds limit)
    {
        ProgramResult result;
        if (pid_ <= 0)
            return result;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        for (;;) {
            const pid_t ended = waitpid(pid_, &status, WNOHANG);
            if (ended == pid_)
                break;
            if (ended < 0) {
                status = -1;
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                result.timedOut = true;
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        if (!result.timedOut && status != -1) {
            if (WIFEXITED(status))
                result.exitCode = WEXITSTATUS(status);
            else if (WIFSIGNALED(status))
                result.crashed = true;
        }
        result.out = readText(outPath_);
        result.err = readText(errPath_);
        // A sanitizer's report ends the program with an ordinary exit code.
        EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("runtime error:"), std::string::npos) << result.err;
        return result;
    }

private:
    pid_t pid_;
    std::string outPath_;
    std::string errPath_;
};

class EngineProgram {
public:
    // A program folder with the program and its two libraries, no plug-ins yet.
    EngineProgram()
    {
        namespace fs = std::filesystem;
        fs::create_directories(programFolder());
        fs::create_directories(pluginsFolder());
        fs::create_directories(configFolder());
        fs::create_directories(runtimeFolder());
        fs::permissions(runtimeFolder(), fs::perms::owner_all, fs::perm_options::replace);
        for (const char* file : {"Velmora", "libvelmoraplatform.so", "ZKRShared.so"})
            copy(std::string(VELMORA_OUT_DIR) + "/" + file, programFolder() + "/" + file);
    }

    // Copies a test plug-in into Plugins, under its own name or another.
    void addPlugin(const std::string& file, const std::string& as = "")
    {
        copy(std::string(VELMORA_TEST_PLUGINS_DIR) + "/" + file,
             pluginsFolder() + "/" + (as.empty() ? file : as));
    }

    // One plug-in of every kind: the program starts with these.
    void addEveryKind()
    {
        addPlugin(kScriptedUi);
        addPlugin("good_input.vin");
        addPlugin("good_output.vwo");
        addPlugin("good_effect.vfx");
    }

    void removeFromProgramFolder(const std::string& file)
    {
        std::filesystem::remove(programFolder() + "/" + file);
    }

    // The script the scripted user interface runs (see scripted_ui.cpp).
    void setScript(const std::string& script) { writeText(root_.file("script.txt"), script); }
    std::string uiLog() const { return readText(root_.file("ui.log")); }
    // True once the user interface's log holds text (false after limit).
    bool waitForLog(const std::string& text, std::chrono::milliseconds limit) const
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (uiLog().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // True once a file whose name ends with suffix is in the runtime folder
    // (the single-instance lock's socket, for example).
    bool waitForRuntimeFile(const std::string& suffix, std::chrono::milliseconds limit) const
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(runtimeFolder(), error)) {
                const std::string name = entry.path().filename().string();
                if (name.size() >= suffix.size() &&
                    name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                    return true;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::string settingsPath() const { return configFolder() + "/" + kSettingsFile; }
    void writeSettings(const std::string& text) const { writeText(settingsPath(), text); }
    std::string settings() const { return readText(settingsPath()); }

    // Starts the program with these arguments; outputs go to files named by tag.
    std::unique_ptr<RunningProgram> start(const std::vector<std::string>& arguments = {},
                                          const std::string& tag = "run")
    {
        const std::string program = programFolder() + "/Velmora";
        const std::string outPath = root_.file(tag + ".out");
        const std::string errPath = root_.file(tag + ".err");
        std::vector<std::string> argumentTexts{program};
        argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());

        const std::map<std::string, std::string> variables{
            {"VELMORA_UI", "headless"},
            {"VELMORA_AUDIO", "virtual"},
            {"VELMORA_HEADLESS_ANSWER", "default"},
            {"VELMORA_CONFIG_DIR", configFolder()},
            {"XDG_RUNTIME_DIR", runtimeFolder()},
            {"VELMORA_TEST_UI_SCRIPT", root_.file("script.txt")},
            {"VELMORA_TEST_UI_LOG", root_.file("ui.log")}};
        const pid_t pid = spawnProgram(program, std::move(argumentTexts), environmentWith(variables), outPath, errPath);
        EXPECT_GE(pid, 0) << "cannot start " << program;
        return std::make_unique<RunningProgram>(pid, outPath, errPath);
    }

    // Runs the program to its end, within limit.
    ProgramResult run(const std::vector<std::string>& arguments = {},
                      std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        return start(arguments)->finish(limit);
    }

    // Runs the program and expects it to end by an accepted quit (exit code
    // 0); answers the user interface's log.
    std::string runToQuit()
    {
        const ProgramResult result = run();
        EXPECT_FALSE(result.timedOut) << result.err;
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return uiLog();
    }

    std::string programFolder() const { return root_.file("program"); }
    std::string pluginsFolder() const { return programFolder() + "/Plugins"; }
    std::string configFolder() const { return root_.file("config"); }
    std::string runtimeFolder() const { return root_.file("run"); }

private:
    static void copy(const std::string& from, const std::string& to)
    {
        std::error_code error;
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
        ASSERT_FALSE(error) << "cannot copy " << from << ": " << error.message();
    }

    TempFolder root_;
};

// The lines of one section of a settings file, in file order ("" when absent).
inline std::vector<std::string> sectionLines(const std::string& file, const std::string& section)
{
    std::vector<std::string> lines;
    bool inside = false;
    size_t start = 0;
    while (start < file.size()) {
        size_t end = file.find('\n', start);
        if (end == std::string::npos)
            end = file.size();
        std::string line = file.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
            continue;
        }
        if (inside && !line.empty())
            lines.push_back(line);
    }
    return lines;
}

// Whether first occurs in text, and before second.
inline bool inOrder(const std::string& text, const std::string& first, const std::string& second)
{
    const size_t a = text.find(first);
    const size_t b = text.find(second);
    return a != std::string::npos && b != std::string::npos && a < b;
}

} // namespace velmora::test
