#pragma once

// Runs the real Velmora program in a program folder of the test's own.
//
// The folder holds copies (not links: a linked program would find its folder
// in the build tree) of the program, the platform library, the shared services
// library and the chosen test plug-ins. The program runs headless on virtual
// audio, with every dialog and message box answered by its default button and
// its texts written to standard error; settings, the single-instance lock and
// the scripted user interface's script and log are the test's own too.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
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
#include "support/TempFolder.h"

extern char** environ;

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

        std::map<std::string, std::string> variables;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const size_t equals = text.find('=');
            if (equals != std::string::npos)
                variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
        variables["VELMORA_UI"] = "headless";
        variables["VELMORA_AUDIO"] = "virtual";
        variables["VELMORA_HEADLESS_ANSWER"] = "default";
        variables["VELMORA_CONFIG_DIR"] = configFolder();
        variables["XDG_RUNTIME_DIR"] = runtimeFolder();
        variables["VELMORA_TEST_UI_SCRIPT"] = root_.file("script.txt");
        variables["VELMORA_TEST_UI_LOG"] = root_.file("ui.log");
        std::vector<std::string> environmentTexts;
        for (const auto& [name, value] : variables)
            environmentTexts.push_back(name + "=" + value);

        std::vector<char*> argv = pointers(argumentTexts);
        std::vector<char*> envp = pointers(environmentTexts);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(failed, 0) << "cannot start " << program;
        return std::make_unique<RunningProgram>(failed == 0 ? pid : -1, outPath, errPath);
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

    static std::vector<char*> pointers(std::vector<std::string>& texts)
    {
        std::vector<char*> result;
        for (std::string& text : texts)
            result.push_back(text.data());
        result.push_back(nullptr);
        return result;
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
