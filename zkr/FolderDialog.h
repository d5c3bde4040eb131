#pragma once

#include <cstddef>

#include "platform/core/Module.h"
#include "platform/ui/FolderDialog.h"
#include "zkr/ObjectBase.h"

namespace zkr {

// The platform's folder browser; the chosen folder lands in chosenFolder.
class FolderDialog : public ObjectBase {
public:
    static constexpr std::size_t kTitleSize = 128;
    static constexpr std::size_t kFolderSize = 260;

    FolderDialog() = default;

    // Fills the platform's request from the fields: only folders of the file
    // system may be chosen.
    virtual void prepare();
    // False when the user cancelled (or chose a folder too long for
    // chosenFolder); otherwise chosenFolder holds the absolute path.
    virtual bool run();

    plat::ModuleHandle module = nullptr;
    plat::ui::WindowHandle owner = nullptr;
    char title[kTitleSize] = {};
    plat::ui::FolderDialogRequest request;
    char chosenFolder[kFolderSize] = {};
};

} // namespace zkr
