#pragma once

#include <string>

#include "platform/ui/FolderDialog.h"
#include "zkr/PathDialog.h"

namespace zkr {

// The platform's folder browser; the chosen folder lands in chosenFolder.
class FolderDialog : public PathDialog<plat::ui::FolderDialogRequest> {
public:
    FolderDialog() = default;

    // Only folders of the file system may be chosen.
    void prepare() override;
    // False when the user cancelled; otherwise chosenFolder holds the absolute path.
    [[nodiscard]] bool run() override;

    std::string chosenFolder;
};

} // namespace zkr
