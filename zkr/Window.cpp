#include "zkr/Window.h"

#include "zkr/ClassKinds.h"

namespace zkr {

Window::Window()
{
    kind = kKindWindow;
    isDialog = false;
    modeless = false;
}

} // namespace zkr
