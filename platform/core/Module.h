#pragma once

#include <string>

#include "platform/core/Api.h"

// Which program or library holds a given address. The module handle is the
// module's load address, so each deliverable finds its own resources and
// folder from the address of one of its own functions.
namespace plat {

using ModuleHandle = const void*;

struct ModuleInfo {
    ModuleHandle handle = nullptr;
    std::string path; // absolute
};

[[nodiscard]] PLAT_API bool moduleOf(const void* address, ModuleInfo& info);
PLAT_API ModuleHandle programModule();
PLAT_API std::string programPath();   // the running program's file
PLAT_API std::string programFolder(); // its folder, without a trailing '/'

} // namespace plat
