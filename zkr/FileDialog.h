#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ui/FileDialog.h"
#include "zkr/PathDialog.h"

namespace zkr {

// The platform's file open and save dialogs, with the file's name kept in
// fixed fields. Set the fields, run, and read file and fileTitle.
class FileDialog : public PathDialog<plat::ui::FileDialogRequest> {
public:
    static constexpr std::size_t kFilterSize = 1024;
    static constexpr std::size_t kFileSize = 256;
    static constexpr std::size_t kFileTitleSize = 128;
    static constexpr std::size_t kFolderSize = 260;
    static constexpr std::size_t kExtensionSize = 32;
    // Explorer look, the file and its folder must exist (a save only needs the folder).
    static constexpr uint32_t kFlags =
        plat::ui::kFileExplorer | plat::ui::kFileMustExist | plat::ui::kFilePathMustExist;

    FileDialog();

    // Open mode, every file ("All files", "*.*") as the one filter, the first
    // filter chosen, no file.
    virtual void setDefaults();
    void prepare() override;
    // Shows the open dialog in open mode, else the save dialog. True when the
    // user chose a file: file holds its full path, fileTitle its name and
    // filterIndex the filter in use. A path too long for file is refused.
    [[nodiscard]] bool run() override;

    // Replaces the filters by a list of description and pattern texts ended
    // by an empty text ("Wave files\0*.wav\0\0"); false when it does not fit.
    [[nodiscard]] bool setFilter(const char* list);
    // Adds one description and its patterns ("*.wav;*.wave") after the others.
    [[nodiscard]] bool addFilter(const char* description, const char* patterns);

    bool openMode = true;
    char filter[kFilterSize] = {};
    uint32_t filterIndex = 1; // 1-based
    char file[kFileSize] = {};
    char fileTitle[kFileTitleSize] = {};
    char initialFolder[kFolderSize] = {};
    char defaultExtension[kExtensionSize] = {}; // without the dot
};

} // namespace zkr
