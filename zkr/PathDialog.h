#pragma once

#include <string>

#include "platform/core/Module.h"
#include "platform/ui/Messages.h"
#include "zkr/ObjectBase.h"

namespace zkr {

// What the file and folder dialogs share: the window they belong to, their
// title, and the platform's request, filled from the fields when they run.
template <typename Request> class PathDialog : public ObjectBase {
public:
    // Fills the platform's request from the fields.
    virtual void prepare()
    {
        request = Request{};
        request.owner = owner;
        request.title = title;
    }
    // Prepares and shows the dialog; true when the user chose.
    [[nodiscard]] virtual bool run() = 0;

    plat::ModuleHandle module = nullptr;
    plat::ui::WindowHandle owner = nullptr;
    std::string title;
    Request request;
};

} // namespace zkr
