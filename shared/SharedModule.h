#pragma once

#include "platform/core/Module.h"

namespace shared {

// The module that holds this library's code: its string tables, dialog
// templates and images are registered under it, whether the code runs inside
// ZKRShared.so or is linked straight into a test program.
plat::ModuleHandle sharedModule();

} // namespace shared
