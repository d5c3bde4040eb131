#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/Dialog.h"
#include "platform/ui/controls/DialogBuilder.h"
#include "platform/ui/controls/FileBrowser.h"

// What the file and folder dialogs share: a path field showing the folder
// above a list of its entries, Up to the folder above, a double click going
// into a folder, and the window they are made in.
namespace plat::ui::detail {

// The path field: an edit field that shows the folder and takes a typed path.
inline constexpr int kBrowseFolderText = 1091;
inline constexpr int kBrowseUpButton = 1092;
inline constexpr int kBrowseEntryList = 1120;

struct FolderView {
    std::string folder;
    std::vector<FolderEntry> entries;
    std::vector<std::string> patterns; // the files shown; all without patterns
    bool foldersOnly = false;

    // Reads the folder's entries and shows them (a folder's name ends in '/'
    // where files are shown too).
    void show(WindowHandle dialog, const std::string& newFolder);
    void refresh(WindowHandle dialog) { show(dialog, folder); }
    // The entry selected in the list; null for none.
    const FolderEntry* selected(WindowHandle dialog) const;
    std::string pathOf(const FolderEntry& entry) const { return resolvePath(folder, entry.name); }
    // Up, and a double click on a folder of the list; false for any other command.
    bool browseCommand(WindowHandle dialog, int id, uint16_t code);
    // OK (Enter) with a path typed in the path field: a folder is shown; a
    // file (where files are shown) is selected in its folder and given in
    // file; a path that does not exist is told in a message box. False when
    // the field still shows the folder, so OK means the dialog's answer.
    bool goToTypedPath(WindowHandle dialog, const std::string& title, std::string& file);
};

// A centred modal frame with a caption, in the default font, for the items.
DialogSpec browseDialogSpec(const std::string& caption, int width, int height);

// The state a browse dialog's procedure was given with kMsgInitDialog (kept
// there by keepDialogState).
template <typename State> State& dialogStateOf(WindowHandle dialog)
{
    return *reinterpret_cast<State*>(windowLongPtr(dialog, kDialogUser));
}
inline void keepDialogState(WindowHandle dialog, intptr_t state)
{
    setWindowLongPtr(dialog, kDialogUser, state);
}

} // namespace plat::ui::detail
