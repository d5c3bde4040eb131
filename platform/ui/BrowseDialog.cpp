#include "platform/ui/BrowseDialog.h"

#include "platform/ui/Font.h"
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
