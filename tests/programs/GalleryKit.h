#pragma once

// What the gallery programs share: finding a window by its title, posting
// an engine event as the user interface would, and ending at once.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/Engine.h"
#include "platform/ui/Window.h"

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

inline int32_t post(engine::Engine& core, intptr_t code, intptr_t value = 0, intptr_t target = 0,
                    intptr_t index = 0)
{
    engine::EngineEvent event{code, 1, value, target, 0, 0, index};
    return core.postEvent(&event);
}

} // namespace velmora::gallery
