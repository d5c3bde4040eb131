#pragma once

#include <string>
#include <vector>

// What the file and folder dialogs decide, apart from their windows: the
// filters, the entries a folder shows, and what a typed name means.
namespace plat::ui::detail {

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns; // "*.wav;*.WAV" split at ';'
};

// A filter list in the system's form: description, patterns, description,
// patterns, ..., each zero-terminated, the whole ended by an empty text.
// Null or empty gives no filters.
std::vector<FileFilter> parseFilterList(const char* list);

struct FolderEntry {
    std::string name;
    bool folder = false;
};

// Folders first, then the files that match any of the patterns (all files
// without patterns), each sorted by byte value.
std::vector<FolderEntry> folderEntries(const std::string& folder, const std::vector<std::string>& patterns,
                                       bool foldersOnly = false);

// A path made absolute against folder, with "." and ".." folded and no
// trailing '/' (except the root). A leading "~/" is the home folder.
std::string resolvePath(const std::string& folder, const std::string& typed);

// The folder above (the root stays the root).
std::string parentFolder(const std::string& folder);

bool hasWildcard(const std::string& text);

enum class FileChoice {
    Accept,           // the path is the answer
    EnterFolder,      // the name is a folder: show it
    ApplyPattern,     // the name is a wildcard: filter with it
    FileMissing,      // open dialog: the file must exist and does not
    PathMissing,      // the folder of the file does not exist
    ConfirmOverwrite, // save dialog: the file exists; ask before replacing it
    Nothing,          // no name typed
};

struct FileChoiceRules {
    bool save = false;
    bool fileMustExist = false;
    bool pathMustExist = false;
    std::string defaultExtension; // without the dot; added when the name has none
};

// Decides what OK does with the typed text in folder; path gets the full
// path (with the default extension) of the choice.
FileChoice chooseFile(const std::string& folder, const std::string& typed, const FileChoiceRules& rules,
                      std::string& path);

} // namespace plat::ui::detail
