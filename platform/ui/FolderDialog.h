#pragma once

#include <cstdint>
#include <string>

#include "platform/core/Api.h"
#include "platform/ui/Messages.h"

// The folder browser of the platform's own: the folders of a folder, Up to
// the one above, OK takes the folder shown (or the one selected in the list).
namespace plat::ui {

inline constexpr uint32_t kBrowseReturnOnlyFsDirs = 0x1;

struct FolderDialogRequest {
    WindowHandle owner = nullptr;
    std::string title;         // shown above the list; empty: "Choose a folder"
    std::string initialFolder; // empty: the home folder
    uint32_t flags = kBrowseReturnOnlyFsDirs;
};

// True with the chosen folder (absolute, no trailing '/' except the root).
[[nodiscard]] PLAT_API bool browseForFolder(const FolderDialogRequest& request, std::string& folder);

} // namespace plat::ui
