#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Module.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

// Inside the platform library: dialogs laid out in pixels, for the dialogs
// the platform makes itself (message boxes, file dialogs); templates in
// dialog units are turned into the same description.
namespace plat::ui::detail {

struct DialogItemSpec {
    std::string controlClass;
    std::string text;
    int id = 0;
    Rect rect; // pixels in the dialog's client area
    uint32_t style = 0;
    uint32_t exStyle = 0;
};

struct DialogSpec {
    std::string caption;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    Rect rect;           // pixels; x, y from the owner's top left unless centred or absolute
    bool centre = false; // on the screen
    bool absolute = false;
    const Font* font = nullptr;
    std::vector<DialogItemSpec> items;
};

DialogSpec specFromTemplate(const DialogTemplate& dialogTemplate);

// What the modal loop of a dialog does besides the usual (the message box
// answers keys of its own); null for nothing.
intptr_t runDialog(ModuleHandle module, const DialogSpec& spec, WindowHandle owner, DialogProc procedure,
                   intptr_t parameter);
[[nodiscard]] WindowHandle createDialog(ModuleHandle module, const DialogSpec& spec, WindowHandle owner,
                          DialogProc procedure, intptr_t parameter);

// The controls' texts of a dialog, for the automatic answers written to standard error.
std::string dialogTexts(WindowHandle dialog);

// Presses Tab, Enter, Escape or an arrow in the dialog; true when it did something.
bool dialogKey(WindowHandle dialog, uint32_t key);

} // namespace plat::ui::detail
