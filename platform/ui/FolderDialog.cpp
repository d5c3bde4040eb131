#include "platform/ui/FolderDialog.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/core/Files.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/DialogBuilder.h"
#include "platform/ui/controls/FileBrowser.h"

namespace plat::ui {

namespace {

constexpr int kFolderText = 1091;
constexpr int kUpButton = 1092;
constexpr int kFolderList = 1120;

struct FolderDialogState {
    std::string folder;
    std::vector<detail::FolderEntry> entries;
};

FolderDialogState& stateOf(WindowHandle dialog)
{
    return *reinterpret_cast<FolderDialogState*>(windowLongPtr(dialog, kDialogUser));
}

void show(WindowHandle dialog, FolderDialogState& state, const std::string& folder)
{
    state.folder = folder;
    state.entries = detail::folderEntries(folder, {}, true);
    setDlgItemText(dialog, kFolderText, folder.c_str());
    sendDlgItemMessage(dialog, kFolderList, kMsgListResetContent, 0, 0);
    for (const detail::FolderEntry& entry : state.entries)
        sendDlgItemMessage(dialog, kFolderList, kMsgListAddString, 0,
                           reinterpret_cast<intptr_t>(entry.name.c_str()));
}

int selectedEntry(WindowHandle dialog, const FolderDialogState& state)
{
    auto index = static_cast<int>(sendDlgItemMessage(dialog, kFolderList, kMsgListGetCurSel, 0, 0));
    return index >= 0 && static_cast<size_t>(index) < state.entries.size() ? index : -1;
}

intptr_t folderDialogProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgInitDialog: {
        setWindowLongPtr(dialog, kDialogUser, lparam);
        FolderDialogState& state = stateOf(dialog);
        show(dialog, state, state.folder);
        return 1;
    }
    case kMsgCommand: {
        FolderDialogState& state = stateOf(dialog);
        const int id = loWord(wparam);
        if (id == kFolderList && hiWord(wparam) == kListDoubleClick) {
            int index = selectedEntry(dialog, state);
            if (index >= 0)
                show(dialog, state,
                     detail::resolvePath(state.folder, state.entries[static_cast<size_t>(index)].name));
        } else if (id == kUpButton) {
            show(dialog, state, detail::parentFolder(state.folder));
        } else if (id == kIdOk) {
            int index = selectedEntry(dialog, state);
            if (index >= 0)
                state.folder =
                    detail::resolvePath(state.folder, state.entries[static_cast<size_t>(index)].name);
            endDialog(dialog, kIdOk);
        } else if (id == kIdCancel) {
            endDialog(dialog, kIdCancel);
        }
        return 1;
    }
    default:
        return 0;
    }
}

} // namespace

bool browseForFolder(const FolderDialogRequest& request, std::string& folder)
{
    FolderDialogState state;
    const char* home = std::getenv("HOME");
    state.folder = !request.initialFolder.empty() ? detail::resolvePath("/", request.initialFolder)
                                                  : std::string(home != nullptr ? home : "/");
    if (!folderExists(state.folder))
        state.folder = "/";
    const std::string title = !request.title.empty() ? request.title : "Choose a folder";
    if (headlessDefaultAnswers()) {
        std::fprintf(stderr, "Browse for Folder: %s (cancelled)\n", title.c_str());
        std::fflush(stderr);
        return false;
    }
    const int width = 360;
    const int height = 360;
    detail::DialogSpec spec;
    spec.caption = "Browse for Folder";
    spec.style = kStylePopup | kStyleCaption | kStyleSysMenu;
    spec.exStyle = kExStyleDialogModalFrame;
    spec.rect = Rect::fromSize(0, 0, width, height);
    spec.centre = true;
    spec.font = Font::defaultGui();
    const uint32_t visible = kStyleVisible;
    spec.items = {
        {kStaticClass, title, -1, Rect::fromSize(10, 10, width - 20, 32),
         visible | kStaticLeft | kStaticNoPrefix, 0},
        {kStaticClass, "", kFolderText, Rect::fromSize(10, 48, width - 84, 16),
         visible | kStaticLeftNoWrap | kStaticNoPrefix, 0},
        {kButtonClass, "&Up", kUpButton, Rect::fromSize(width - 64, 44, 54, 23), visible | kStyleTabStop, 0},
        {kListBoxClass, "", kFolderList, Rect::fromSize(10, 72, width - 20, height - 72 - 44),
         visible | kStyleTabStop | kListNotify, 0},
        {kButtonClass, "OK", kIdOk, Rect::fromSize(width - 172, height - 34, 76, 23),
         visible | kStyleTabStop | kButtonDefPush, 0},
        {kButtonClass, "Cancel", kIdCancel, Rect::fromSize(width - 86, height - 34, 76, 23),
         visible | kStyleTabStop | kButtonPush, 0},
    };
    intptr_t answer = detail::runDialog(nullptr, spec, request.owner, &folderDialogProc,
                                        reinterpret_cast<intptr_t>(&state));
    if (answer != kIdOk)
        return false;
    folder = state.folder;
    return true;
}

} // namespace plat::ui
