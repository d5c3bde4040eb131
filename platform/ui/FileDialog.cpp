#include "platform/ui/FileDialog.h"

#include <unistd.h>
#include <vector>

#include "platform/core/Files.h"
#include "platform/ui/BrowseDialog.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogResponder.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/DialogBuilder.h"
#include "platform/ui/controls/FileBrowser.h"

namespace plat::ui {

namespace {

using detail::FileChoice;
using detail::kBrowseEntryList;

constexpr int kNameField = 1152;
constexpr int kTypeList = 1136;

struct FileDialogState {
    FileDialogRequest* request = nullptr;
    bool save = false;
    std::string title;
    std::vector<detail::FileFilter> filters;
    detail::FolderView view; // its patterns: the chosen filter's, or typed by the user
};

std::string currentFolder()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string("/");
}

bool confirm(WindowHandle dialog, const FileDialogState& state, const std::string& text, uint32_t style)
{
    return messageBox(dialog, text.c_str(), state.title.c_str(), style) == kIdYes;
}

// OK: what the typed name means, and the answer when it names a file.
void accept(WindowHandle dialog, FileDialogState& state)
{
    const FileDialogRequest& request = *state.request;
    detail::FileChoiceRules rules;
    rules.save = state.save;
    rules.fileMustExist = !state.save && (request.flags & kFileMustExist) != 0;
    rules.pathMustExist = (request.flags & (kFilePathMustExist | kFileMustExist)) != 0;
    rules.defaultExtension = request.defaultExtension;
    std::string typed = dlgItemText(dialog, kNameField);
    std::string path;
    detail::FolderView& view = state.view;
    switch (detail::chooseFile(view.folder, typed, rules, path)) {
    case FileChoice::Nothing:
        if (const detail::FolderEntry* entry = view.selected(dialog); entry != nullptr && entry->folder)
            view.show(dialog, view.pathOf(*entry));
        return;
    case FileChoice::EnterFolder:
        (void)setDlgItemText(dialog, kNameField, "");
        view.show(dialog, path);
        return;
    case FileChoice::ApplyPattern: {
        std::string where = folderOf(path);
        if (!where.empty())
            view.folder = detail::resolvePath(view.folder, where);
        view.patterns = {fileNameOf(path)};
        (void)setDlgItemText(dialog, kNameField, fileNameOf(path).c_str());
        view.refresh(dialog);
        return;
    }
    case FileChoice::PathMissing:
        (void)messageBox(dialog,
                         (path + "\nThe folder does not exist.\nCheck the path and try again.").c_str(),
                         state.title.c_str(), kNoticeIconExclamation);
        return;
    case FileChoice::FileMissing:
        (void)messageBox(dialog,
                         (fileNameOf(path) + "\nFile not found.\nCheck the file name and try again.").c_str(),
                         state.title.c_str(), kNoticeIconExclamation);
        return;
    case FileChoice::ConfirmOverwrite:
        if (!confirm(dialog, state, fileNameOf(path) + " already exists.\nDo you want to replace it?",
                     kNoticeYesNo | kNoticeIconExclamation | kNoticeDefaultButton2))
            return;
        break;
    case FileChoice::Accept:
        break;
    }
    state.request->file = path;
    state.request->fileTitle = fileNameOf(path);
    auto type = sendDlgItemMessage(dialog, kTypeList, kMsgComboGetCurSel, 0, 0);
    if (type >= 0)
        state.request->filterIndex = static_cast<uint32_t>(type + 1);
    (void)endDialog(dialog, kIdOk);
}

intptr_t fileDialogProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgInitDialog: {
        detail::keepDialogState(dialog, lparam);
        auto& state = detail::dialogStateOf<FileDialogState>(dialog);
        for (const detail::FileFilter& filter : state.filters)
            sendDlgItemMessage(dialog, kTypeList, kMsgComboAddString, 0,
                               reinterpret_cast<intptr_t>(filter.description.c_str()));
        if (!state.filters.empty()) {
            size_t index =
                state.request->filterIndex >= 1 && state.request->filterIndex <= state.filters.size()
                    ? state.request->filterIndex - 1
                    : 0;
            sendDlgItemMessage(dialog, kTypeList, kMsgComboSetCurSel, index, 0);
            state.view.patterns = state.filters[index].patterns;
        }
        const std::string& file = state.request->file;
        (void)setDlgItemText(dialog, kNameField,
                             (file.find('/') != std::string::npos ? fileNameOf(file) : file).c_str());
        state.view.refresh(dialog);
        setFocus(dialogItem(dialog, kNameField));
        sendDlgItemMessage(dialog, kNameField, kMsgEditSetSel, 0, -1);
        return 0;
    }
    case kMsgCommand: {
        auto& state = detail::dialogStateOf<FileDialogState>(dialog);
        const int id = loWord(wparam);
        const uint16_t code = hiWord(wparam);
        if (state.view.browseCommand(dialog, id, code))
            return 1;
        if (id == kBrowseEntryList && (code == kListSelChange || code == kListDoubleClick)) {
            const detail::FolderEntry* entry = state.view.selected(dialog);
            if (entry != nullptr && !entry->folder) {
                (void)setDlgItemText(dialog, kNameField, entry->name.c_str());
                if (code == kListDoubleClick)
                    accept(dialog, state);
            }
        } else if (id == kTypeList && code == kComboSelChange) {
            auto index = sendDlgItemMessage(dialog, kTypeList, kMsgComboGetCurSel, 0, 0);
            if (index >= 0 && static_cast<size_t>(index) < state.filters.size()) {
                state.view.patterns = state.filters[static_cast<size_t>(index)].patterns;
                state.view.refresh(dialog);
            }
        } else if (id == kIdOk) {
            std::string typedFile;
            if (!state.view.goToTypedPath(dialog, state.title, typedFile))
                accept(dialog, state);
            else if (!typedFile.empty())
                (void)setDlgItemText(dialog, kNameField, fileNameOf(typedFile).c_str());
        } else if (id == kIdCancel) {
            (void)endDialog(dialog, kIdCancel);
        }
        return 1;
    }
    default:
        return 0;
    }
}

bool runFileDialog(FileDialogRequest& request, bool save)
{
    FileDialogState state;
    state.request = &request;
    state.save = save;
    state.title = !request.title.empty() ? request.title : (save ? "Save As" : "Open");
    state.filters = detail::parseFilterList(request.filter);
    std::string& folder = state.view.folder;
    if (!request.initialFolder.empty())
        folder = detail::resolvePath(currentFolder(), request.initialFolder);
    else if (!request.file.empty() && request.file[0] == '/')
        folder = folderOf(request.file);
    else
        folder = currentFolder();
    if (!folderExists(folder))
        folder = currentFolder();
    const PathAnswer responded = dialogResponder()->filePath({state.title, folder, save});
    if (responded.kind == PathAnswer::Kind::Cancel)
        return false;
    if (responded.kind == PathAnswer::Kind::Choose) {
        request.file = responded.path;
        request.fileTitle = fileNameOf(responded.path);
        return true;
    }

    const int width = 440;
    const int height = 330;
    detail::DialogSpec spec = detail::browseDialogSpec(state.title, width, height);
    const uint32_t visible = kStyleVisible;
    spec.items = {
        {kStaticClass, "&Look in:", -1, Rect::fromSize(10, 14, 70, 16), visible | kStaticLeftNoWrap, 0},
        {kEditClass, "", detail::kBrowseFolderText, Rect::fromSize(84, 10, width - 84 - 70, 22),
         visible | kStyleTabStop | kEditAutoHScroll, 0},
        {kButtonClass, "&Up", detail::kBrowseUpButton, Rect::fromSize(width - 64, 10, 54, 23),
         visible | kStyleTabStop, 0},
        {kListBoxClass, "", kBrowseEntryList, Rect::fromSize(10, 40, width - 20, height - 40 - 84),
         visible | kStyleTabStop | kListNotify, 0},
        {kStaticClass, "File &name:", -1, Rect::fromSize(10, height - 72, 84, 16),
         visible | kStaticLeftNoWrap, 0},
        {kEditClass, "", kNameField, Rect::fromSize(98, height - 76, width - 98 - 96, 22),
         visible | kStyleTabStop | kEditAutoHScroll, 0},
        {kStaticClass, "Files of &type:", -1, Rect::fromSize(10, height - 40, 84, 16),
         visible | kStaticLeftNoWrap, 0},
        {kComboBoxClass, "", kTypeList, Rect::fromSize(98, height - 44, width - 98 - 96, 22),
         visible | kStyleTabStop | kComboDropDownList, 0},
        {kButtonClass, save ? "&Save" : "&Open", kIdOk, Rect::fromSize(width - 86, height - 76, 76, 23),
         visible | kStyleTabStop | kButtonDefPush, 0},
        {kButtonClass, "Cancel", kIdCancel, Rect::fromSize(width - 86, height - 44, 76, 23),
         visible | kStyleTabStop | kButtonPush, 0},
    };
    intptr_t answer =
        detail::runDialog(nullptr, spec, request.owner, &fileDialogProc, reinterpret_cast<intptr_t>(&state));
    return answer == kIdOk;
}

} // namespace

bool getOpenFileName(FileDialogRequest& request)
{
    return runFileDialog(request, false);
}

bool getSaveFileName(FileDialogRequest& request)
{
    return runFileDialog(request, true);
}

} // namespace plat::ui
