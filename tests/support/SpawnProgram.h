#pragma once

// Starts a program as a child with the arguments and environment given,
// standard input from /dev/null and its two outputs into files. Free of the
// test framework, so the benches that run the real program use it too.

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace velmora::test {

// argv or envp of texts that live as long as it.
inline std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> result;
    for (std::string& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// The caller's environment with the variables given set on top, as
// name=value texts for envp.
inline std::vector<std::string> environmentWith(const std::map<std::string, std::string>& overrides)
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : overrides)
        variables[name] = value;
    std::vector<std::string> texts;
    for (const auto& [name, value] : variables)
        texts.push_back(name + "=" + value);
    return texts;
}

// arguments starts with the program's name; answers the child's process id,
// or -1 when it cannot be started.
inline pid_t spawnProgram(const std::string& program, std::vector<std::string> arguments,
                          std::vector<std::string> environment, const std::string& outPath,
                          const std::string& errPath)
{
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

} // namespace velmora::test
