#pragma once

#include <cstddef>
#include <string>

#include "platform/core/Module.h"
#include "platform/ui/Messages.h"
#include "zkr/ObjectBase.h"
#include "zkr/Text.h"

namespace zkr {

// What the file and folder dialogs share: the window they belong to, their
// title, and the platform's request, filled from the fields when they run.
template <typename Request> class PathDialog : public ObjectBase {
public:
    static constexpr std::size_t kTitleSize = 128;

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
    char title[kTitleSize] = {};
    Request request;

protected:
    // A cut path would name another place: one too long for its field is not taken.
    template <std::size_t N> [[nodiscard]] static bool takePath(char (&field)[N], const std::string& path)
    {
        if (path.size() >= N)
            return false;
        copyText(field, path.c_str());
        return true;
    }
};

} // namespace zkr
