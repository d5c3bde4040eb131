#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ui/FileDialog.h"
#include "zkr/PathDialog.h"

namespace zkr {

// The platform's file open and save dialogs. Set the fields, run, and read
// file and fileTitle, whole however long.
class FileDialog : public PathDialog<plat::ui::FileDialogRequest> {
public:
    static constexpr std::size_t kFilterSize = 1024;
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
    // filterIndex the filter in use.
    [[nodiscard]] bool run() override;

    // Replaces the filters by a list of description and pattern texts ended
    // by an empty text ("Wave files\0*.wav\0\0"); false when it does not fit.
    [[nodiscard]] bool setFilter(const char* list);
    // Adds one description and its patterns ("*.wav;*.wave") after the others.
    [[nodiscard]] bool addFilter(const char* description, const char* patterns);

    bool openMode = true;
    char filter[kFilterSize] = {};
    uint32_t filterIndex = 1; // 1-based
    std::string file;
    std::string fileTitle;
    std::string initialFolder;
    std::string defaultExtension; // without the dot
};

} // namespace zkr
