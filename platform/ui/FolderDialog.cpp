#include "platform/ui/FolderDialog.h"

#include <cstdlib>

#include "platform/core/Files.h"
#include "platform/ui/BrowseDialog.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogResponder.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/DialogBuilder.h"
#include "platform/ui/controls/FileBrowser.h"

namespace plat::ui {

namespace {

intptr_t folderDialogProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgInitDialog: {
        detail::keepDialogState(dialog, lparam);
        detail::dialogStateOf<detail::FolderView>(dialog).refresh(dialog);
        return 1;
    }
    case kMsgCommand: {
        auto& view = detail::dialogStateOf<detail::FolderView>(dialog);
        const int id = loWord(wparam);
        if (view.browseCommand(dialog, id, hiWord(wparam)))
            return 1;
        std::string typedFile;
        if (id == kIdOk && view.goToTypedPath(dialog, windowText(dialog), typedFile))
            return 1;
        if (id == kIdOk) {
            if (const detail::FolderEntry* entry = view.selected(dialog))
                view.folder = view.pathOf(*entry);
            (void)endDialog(dialog, kIdOk);
        } else if (id == kIdCancel) {
            (void)endDialog(dialog, kIdCancel);
        }
        return 1;
    }
    default:
        return 0;
    }
}

// The folder asked for, else the home folder; the root when it does not exist.
std::string startFolder(const FolderDialogRequest& request)
{
    const char* home = std::getenv("HOME");
    std::string folder = !request.initialFolder.empty() ? detail::resolvePath("/", request.initialFolder)
                                                        : std::string(home != nullptr ? home : "/");
    return folderExists(folder) ? folder : std::string("/");
}

} // namespace

bool browseForFolder(const FolderDialogRequest& request, std::string& folder)
{
    detail::FolderView view;
    view.foldersOnly = true;
    view.folder = startFolder(request);
    const std::string title = !request.title.empty() ? request.title : "Choose a folder";
    const PathAnswer responded = dialogResponder()->folderPath({title, view.folder, false});
    if (responded.kind == PathAnswer::Kind::Cancel)
        return false;
    if (responded.kind == PathAnswer::Kind::Choose) {
        folder = responded.path;
        return true;
    }
    const int width = 360;
    const int height = 360;
    detail::DialogSpec spec = detail::browseDialogSpec("Browse for Folder", width, height);
    const uint32_t visible = kStyleVisible;
    spec.items = {
        {kStaticClass, title, -1, Rect::fromSize(10, 10, width - 20, 32),
         visible | kStaticLeft | kStaticNoPrefix, 0},
        {kEditClass, "", detail::kBrowseFolderText, Rect::fromSize(10, 44, width - 84, 22),
         visible | kStyleTabStop | kEditAutoHScroll, 0},
        {kButtonClass, "&Up", detail::kBrowseUpButton, Rect::fromSize(width - 64, 44, 54, 23),
         visible | kStyleTabStop, 0},
        {kListBoxClass, "", detail::kBrowseEntryList, Rect::fromSize(10, 72, width - 20, height - 72 - 44),
         visible | kStyleTabStop | kListNotify, 0},
        {kButtonClass, "OK", kIdOk, Rect::fromSize(width - 172, height - 34, 76, 23),
         visible | kStyleTabStop | kButtonDefPush, 0},
        {kButtonClass, "Cancel", kIdCancel, Rect::fromSize(width - 86, height - 34, 76, 23),
         visible | kStyleTabStop | kButtonPush, 0},
    };
    intptr_t answer =
        detail::runDialog(nullptr, spec, request.owner, &folderDialogProc, reinterpret_cast<intptr_t>(&view));
    if (answer != kIdOk)
        return false;
    folder = view.folder;
    return true;
}

} // namespace plat::ui
