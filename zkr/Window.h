#pragma once

#include "zkr/WindowBase.h"

namespace zkr {

// A plain window of the framework: neither a dialog nor modeless. The
// engine's own windows are built on it.
class Window : public WindowBase {
public:
    Window();
};

} // namespace zkr
