#pragma once

#include <climits>
#include <cstddef>

#include "platform/ui/FolderDialog.h"
#include "zkr/PathDialog.h"

namespace zkr {

// The platform's folder browser; the chosen folder lands in chosenFolder.
class FolderDialog : public PathDialog<plat::ui::FolderDialogRequest> {
public:
    static constexpr std::size_t kFolderSize = PATH_MAX;

    FolderDialog() = default;

    // Only folders of the file system may be chosen.
    void prepare() override;
    // False when the user cancelled (or chose a folder too long for
    // chosenFolder); otherwise chosenFolder holds the absolute path.
    [[nodiscard]] bool run() override;

    char chosenFolder[kFolderSize] = {};
};

} // namespace zkr
