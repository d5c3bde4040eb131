#include "platform/ui/FileDialog.h"

#include <cstdio>
#include <unistd.h>
#include <vector>

#include "platform/core/Files.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/DialogBuilder.h"
#include "platform/ui/controls/FileBrowser.h"

namespace plat::ui {

namespace {

using detail::FileChoice;

constexpr int kFolderText = 1091;
constexpr int kUpButton = 1092;
constexpr int kEntryList = 1120;
constexpr int kNameField = 1152;
constexpr int kTypeList = 1136;

struct FileDialogState {
    FileDialogRequest* request = nullptr;
    bool save = false;
    std::string title;
    std::string folder;
    std::vector<detail::FileFilter> filters;
    std::vector<std::string> patterns; // of the chosen filter, or typed by the user
    std::vector<detail::FolderEntry> entries;
};

std::string currentFolder()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string("/");
}

FileDialogState& stateOf(WindowHandle dialog)
{
    return *reinterpret_cast<FileDialogState*>(windowLongPtr(dialog, kDialogUser));
}

void refresh(WindowHandle dialog, FileDialogState& state)
{
    state.entries = detail::folderEntries(state.folder, state.patterns);
    setDlgItemText(dialog, kFolderText, state.folder.c_str());
    sendDlgItemMessage(dialog, kEntryList, kMsgListResetContent, 0, 0);
    for (const detail::FolderEntry& entry : state.entries) {
        std::string shown = entry.folder ? entry.name + "/" : entry.name;
        sendDlgItemMessage(dialog, kEntryList, kMsgListAddString, 0,
                           reinterpret_cast<intptr_t>(shown.c_str()));
    }
}

void enterFolder(WindowHandle dialog, FileDialogState& state, const std::string& folder)
{
    state.folder = folder;
    refresh(dialog, state);
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
    switch (detail::chooseFile(state.folder, typed, rules, path)) {
    case FileChoice::Nothing: {
        auto index = static_cast<int>(sendDlgItemMessage(dialog, kEntryList, kMsgListGetCurSel, 0, 0));
        if (index >= 0 && static_cast<size_t>(index) < state.entries.size() && state.entries[index].folder)
            enterFolder(dialog, state, detail::resolvePath(state.folder, state.entries[index].name));
        return;
    }
    case FileChoice::EnterFolder:
        setDlgItemText(dialog, kNameField, "");
        enterFolder(dialog, state, path);
        return;
    case FileChoice::ApplyPattern: {
        std::string where = folderOf(path);
        if (!where.empty())
            state.folder = detail::resolvePath(state.folder, where);
        state.patterns = {fileNameOf(path)};
        setDlgItemText(dialog, kNameField, fileNameOf(path).c_str());
        refresh(dialog, state);
        return;
    }
    case FileChoice::PathMissing:
        messageBox(dialog, (path + "\nThe folder does not exist.\nCheck the path and try again.").c_str(),
                   state.title.c_str(), kNoticeIconExclamation);
        return;
    case FileChoice::FileMissing:
        messageBox(dialog,
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
    endDialog(dialog, kIdOk);
}

intptr_t fileDialogProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    switch (message) {
    case kMsgInitDialog: {
        setWindowLongPtr(dialog, kDialogUser, lparam);
        FileDialogState& state = stateOf(dialog);
        for (const detail::FileFilter& filter : state.filters)
            sendDlgItemMessage(dialog, kTypeList, kMsgComboAddString, 0,
                               reinterpret_cast<intptr_t>(filter.description.c_str()));
        if (!state.filters.empty()) {
            size_t index =
                state.request->filterIndex >= 1 && state.request->filterIndex <= state.filters.size()
                    ? state.request->filterIndex - 1
                    : 0;
            sendDlgItemMessage(dialog, kTypeList, kMsgComboSetCurSel, index, 0);
            state.patterns = state.filters[index].patterns;
        }
        const std::string& file = state.request->file;
        setDlgItemText(dialog, kNameField,
                       (file.find('/') != std::string::npos ? fileNameOf(file) : file).c_str());
        refresh(dialog, state);
        setFocus(dialogItem(dialog, kNameField));
        sendDlgItemMessage(dialog, kNameField, kMsgEditSetSel, 0, -1);
        return 0;
    }
    case kMsgCommand: {
        FileDialogState& state = stateOf(dialog);
        const int id = loWord(wparam);
        const uint16_t code = hiWord(wparam);
        if (id == kEntryList && (code == kListSelChange || code == kListDoubleClick)) {
            auto index = static_cast<int>(sendDlgItemMessage(dialog, kEntryList, kMsgListGetCurSel, 0, 0));
            if (index < 0 || static_cast<size_t>(index) >= state.entries.size())
                return 1;
            const detail::FolderEntry entry = state.entries[static_cast<size_t>(index)];
            if (!entry.folder)
                setDlgItemText(dialog, kNameField, entry.name.c_str());
            if (code == kListDoubleClick) {
                if (entry.folder)
                    enterFolder(dialog, state, detail::resolvePath(state.folder, entry.name));
                else
                    accept(dialog, state);
            }
        } else if (id == kTypeList && code == kComboSelChange) {
            auto index = sendDlgItemMessage(dialog, kTypeList, kMsgComboGetCurSel, 0, 0);
            if (index >= 0 && static_cast<size_t>(index) < state.filters.size()) {
                state.patterns = state.filters[static_cast<size_t>(index)].patterns;
                refresh(dialog, state);
            }
        } else if (id == kUpButton) {
            enterFolder(dialog, state, detail::parentFolder(state.folder));
        } else if (id == kIdOk) {
            accept(dialog, state);
        } else if (id == kIdCancel) {
            endDialog(dialog, kIdCancel);
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
    if (!request.initialFolder.empty())
        state.folder = detail::resolvePath(currentFolder(), request.initialFolder);
    else if (!request.file.empty() && request.file[0] == '/')
        state.folder = folderOf(request.file);
    else
        state.folder = currentFolder();
    if (!folderExists(state.folder))
        state.folder = currentFolder();
    if (headlessDefaultAnswers()) {
        std::fprintf(stderr, "%s: %s (cancelled)\n", state.title.c_str(), state.folder.c_str());
        std::fflush(stderr);
        return false;
    }

    const int width = 440;
    const int height = 330;
    detail::DialogSpec spec;
    spec.caption = state.title;
    spec.style = kStylePopup | kStyleCaption | kStyleSysMenu;
    spec.exStyle = kExStyleDialogModalFrame;
    spec.rect = Rect::fromSize(0, 0, width, height);
    spec.centre = true;
    spec.font = Font::defaultGui();
    const uint32_t visible = kStyleVisible;
    spec.items = {
        {kStaticClass, "Look in:", -1, Rect::fromSize(10, 14, 70, 16), visible | kStaticLeftNoWrap, 0},
        {kStaticClass, "", kFolderText, Rect::fromSize(84, 14, width - 84 - 70, 16),
         visible | kStaticLeftNoWrap | kStaticNoPrefix, 0},
        {kButtonClass, "&Up", kUpButton, Rect::fromSize(width - 64, 10, 54, 23), visible | kStyleTabStop, 0},
        {kListBoxClass, "", kEntryList, Rect::fromSize(10, 40, width - 20, height - 40 - 84),
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
