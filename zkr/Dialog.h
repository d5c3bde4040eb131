#pragma once

#include <cstdint>

#include "platform/core/Module.h"
#include "platform/ui/Resources.h"
#include "zkr/Window.h"

namespace zkr {

// A dialog made from a template: one of its module's resources, or (for the
// library's own dialogs, which have no module resource) a template given as
// data. The template given as data must outlive the dialog.
class Dialog : public Window {
public:
    // The template templateId of module (null: the program).
    explicit Dialog(uint16_t templateId, plat::ModuleHandle module = nullptr, WindowHandle parent = nullptr);
    explicit Dialog(const plat::ui::DialogTemplate& dialogTemplate, WindowHandle parent = nullptr);

    // Runs the dialog modally on the calling thread; the value that ended it,
    // or -1 when it could not be made.
    [[nodiscard]] virtual int runModal();
    // Creates the dialog modeless (it is destroyed instead of ended); false
    // when it could not be made.
    [[nodiscard]] virtual bool createModeless();

    // The template given as data, or null for a module resource.
    const plat::ui::DialogTemplate* dialogTemplate = nullptr;
};

} // namespace zkr
