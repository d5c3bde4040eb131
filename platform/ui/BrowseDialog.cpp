#include "platform/ui/BrowseDialog.h"

#include "platform/core/Files.h"
#include "platform/ui/Font.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/controls/Controls.h"

namespace plat::ui::detail {

void FolderView::show(WindowHandle dialog, const std::string& newFolder)
{
    folder = newFolder;
    entries = folderEntries(folder, patterns, foldersOnly);
    (void)setDlgItemText(dialog, kBrowseFolderText, folder.c_str());
    sendDlgItemMessage(dialog, kBrowseEntryList, kMsgListResetContent, 0, 0);
    for (const FolderEntry& entry : entries) {
        const std::string shown = entry.folder && !foldersOnly ? entry.name + "/" : entry.name;
        sendDlgItemMessage(dialog, kBrowseEntryList, kMsgListAddString, 0,
                           reinterpret_cast<intptr_t>(shown.c_str()));
    }
}

const FolderEntry* FolderView::selected(WindowHandle dialog) const
{
    const auto index = sendDlgItemMessage(dialog, kBrowseEntryList, kMsgListGetCurSel, 0, 0);
    return index >= 0 && static_cast<size_t>(index) < entries.size() ? &entries[static_cast<size_t>(index)]
                                                                     : nullptr;
}

bool FolderView::browseCommand(WindowHandle dialog, int id, uint16_t code)
{
    if (id == kBrowseUpButton) {
        show(dialog, parentFolder(folder));
        return true;
    }
    if (id != kBrowseEntryList || code != kListDoubleClick)
        return false;
    const FolderEntry* entry = selected(dialog);
    if (entry == nullptr || !entry->folder)
        return false;
    show(dialog, pathOf(*entry));
    return true;
}

bool FolderView::goToTypedPath(WindowHandle dialog, const std::string& title, std::string& file)
{
    file.clear();
    std::string typed = dlgItemText(dialog, kBrowseFolderText);
    const size_t first = typed.find_first_not_of(' ');
    typed = first == std::string::npos ? std::string() : typed.substr(first, typed.find_last_not_of(' ') + 1 - first);
    // The field shows the folder until something else is typed there.
    if (typed == folder)
        return false;
    if (typed.empty()) {
        refresh(dialog);
        return true;
    }
    const std::string path = resolvePath(folder, typed);
    if (folderExists(path)) {
        show(dialog, path);
    } else if (fileExists(path) && !foldersOnly) {
        show(dialog, folderOf(path));
        for (size_t index = 0; index < entries.size(); ++index)
            if (!entries[index].folder && entries[index].name == fileNameOf(path))
                sendDlgItemMessage(dialog, kBrowseEntryList, kMsgListSetCurSel, index, 0);
        file = path;
    } else {
        (void)messageBox(dialog, (path + "\nThis folder does not exist.\nCheck the path and try again.").c_str(),
                         title.c_str(), kNoticeIconExclamation);
        return true;
    }
    // Typing goes on in the path field, over the whole path.
    sendDlgItemMessage(dialog, kBrowseFolderText, kMsgEditSetSel, 0, -1);
    return true;
}

DialogSpec browseDialogSpec(const std::string& caption, int width, int height)
{
    DialogSpec spec;
    spec.caption = caption;
    spec.style = kStylePopup | kStyleCaption | kStyleSysMenu;
    spec.exStyle = kExStyleDialogModalFrame;
    spec.rect = Rect::fromSize(0, 0, width, height);
    spec.centre = true;
    spec.font = Font::defaultGui();
    return spec;
}

} // namespace plat::ui::detail
