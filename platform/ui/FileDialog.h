#pragma once

#include <cstdint>
#include <string>

#include "platform/core/Api.h"
#include "platform/ui/Messages.h"

// File open and save dialogs of the platform's own: a folder's entries
// (folders first), a name field, the filters to choose from, Up to the
// folder above. OK on a folder goes into it, on a wildcard filters with it.
// The open dialog can insist that the file exists (kFileMustExist); a file
// is only ever saved into a folder that exists, and saving over a file that
// exists is always confirmed first.
namespace plat::ui {

inline constexpr uint32_t kFileOverwritePrompt = 0x2;
inline constexpr uint32_t kFileHideReadOnly = 0x4;
inline constexpr uint32_t kFileNoChangeDir = 0x8;
inline constexpr uint32_t kFilePathMustExist = 0x800;
inline constexpr uint32_t kFileMustExist = 0x1000;
inline constexpr uint32_t kFileExplorer = 0x80000;

struct FileDialogRequest {
    WindowHandle owner = nullptr;
    // Description, patterns (";" between several), description, patterns,
    // ..., each zero-terminated, ended by an empty text: "Wave files\0*.wav\0\0".
    const char* filter = nullptr;
    uint32_t filterIndex = 1;  // 1-based; the choice is written back
    std::string file;          // in: a name to start with; out: the full path chosen
    std::string fileTitle;     // out: the chosen file's name without its folder
    std::string initialFolder; // empty: the current folder
    std::string title;         // empty: "Open" or "Save As"
    uint32_t flags = 0;
    std::string defaultExtension; // without the dot, added to a name without extension
};

// True when the user chose a file (request.file and fileTitle are set).
[[nodiscard]] PLAT_API bool getOpenFileName(FileDialogRequest& request);
[[nodiscard]] PLAT_API bool getSaveFileName(FileDialogRequest& request);

} // namespace plat::ui
