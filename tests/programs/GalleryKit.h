#pragma once

// What the gallery programs share: finding a window by its title, posting
// an engine event as the user interface would, and ending at once.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <initializer_list>
#include <string>
#include <thread>

#include "engine/Engine.h"
#include "platform/core/Module.h"
#include "platform/ui/Window.h"
#include "support/EngineTestSeam.h"

using velmora::test::EngineSeam;

namespace velmora::gallery {

inline plat::ui::WindowHandle windowTitled(const std::string& title)
{
    for (const plat::ui::WindowListEntry& entry : plat::ui::topLevelWindows())
        if (entry.title == title)
            return entry.window;
    return nullptr;
}

// The engine and its plug-ins' threads still run: the process ends at once, as the program's does.
[[noreturn]] inline void finish(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

[[noreturn]] inline int fail(const char* why)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why);
    finish(1);
}

// The build's folder, two levels above the gallery programs.
inline std::string buildFolder()
{
    return plat::programFolder() + "/../..";
}

// Fills a program folder's Plugins with the named plug-ins of the build's
// program folder and of its test plug-ins (the engine starts only with
// every kind of plug-in there).
inline void installPlugins(const std::string& programFolder, std::initializer_list<const char*> built,
                           std::initializer_list<const char*> testPlugins)
{
    namespace fs = std::filesystem;
    const std::string plugins = programFolder + "/Plugins/";
    fs::create_directory(plugins);
    for (const char* file : built)
        fs::copy_file(buildFolder() + "/out/Plugins/" + file, plugins + file);
    for (const char* file : testPlugins)
        fs::copy_file(buildFolder() + "/tests/plugins/" + file, plugins + file);
}

inline int32_t post(engine::Engine& core, intptr_t code, intptr_t value = 0, intptr_t target = 0,
                    intptr_t index = 0)
{
    engine::EngineEvent event{code, 1, value, target, 0, 0, index};
    return core.postEvent(&event);
}

// The real engine on the program folder: discovers the plug-ins, loads the
// user interface, sets up the audio system and runs its main loop on a
// thread of its own once the user interface exists (which restores the
// stored plug-ins). Ends the program when any of it fails. The engine lives
// until the process ends, as in the program.
inline engine::Engine* startEngine(const std::string& folder)
{
    auto* core = new engine::Engine;
    core->setFolder(folder);
    if (core->slots().discoverPlugins() != 0 || core->slots().loadUserInterface() != 0 ||
        core->applyAudioSetup(core->audio().setup()) != 0)
        fail("the engine could not load the plug-ins");
    std::promise<bool> created;
    std::thread([core, &created] {
        const bool made = EngineSeam::userInterface(*core)->createUserInterface(
                              core->program().instance, core->program().showCommand) == 0;
        created.set_value(made);
        if (made)
            core->runLoop();
    }).detach();
    if (!created.get_future().get() || EngineSeam::inputs(*core)[0] == nullptr ||
        EngineSeam::output(*core) == nullptr)
        fail("the user interface or the restored plug-ins are missing");
    return core;
}

} // namespace velmora::gallery
