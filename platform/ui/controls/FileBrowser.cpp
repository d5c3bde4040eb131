#include "platform/ui/controls/FileBrowser.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/Files.h"

namespace plat::ui::detail {

namespace {

std::vector<std::string> splitPatterns(const std::string& text)
{
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        std::string pattern = text.substr(start, end - start);
        while (!pattern.empty() && pattern.front() == ' ')
            pattern.erase(pattern.begin());
        while (!pattern.empty() && pattern.back() == ' ')
            pattern.pop_back();
        if (!pattern.empty())
            patterns.push_back(pattern);
        start = end + 1;
    }
    return patterns;
}

} // namespace

std::vector<FileFilter> parseFilterList(const char* list)
{
    std::vector<FileFilter> filters;
    if (list == nullptr)
        return filters;
    const char* at = list;
    while (*at != '\0') {
        FileFilter filter;
        filter.description = at;
        at += filter.description.size() + 1;
        // A description without patterns ends the list as well.
        if (*at == '\0')
            break;
        std::string patterns = at;
        at += patterns.size() + 1;
        filter.patterns = splitPatterns(patterns);
        filters.push_back(std::move(filter));
    }
    return filters;
}

std::vector<FolderEntry> folderEntries(const std::string& folder, const std::vector<std::string>& patterns,
                                       bool foldersOnly)
{
    std::vector<FolderEntry> entries;
    for (const std::string& name : listFolder(folder, "*", ListWhat::Folders))
        entries.push_back({name, true});
    if (foldersOnly)
        return entries;
    std::vector<std::string> files;
    if (patterns.empty()) {
        files = listFolder(folder, "*", ListWhat::Files);
    } else {
        for (const std::string& pattern : patterns) {
            std::vector<std::string> some = listFolder(folder, pattern, ListWhat::Files);
            files.insert(files.end(), some.begin(), some.end());
        }
        std::sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end()), files.end());
    }
    for (std::string& name : files)
        entries.push_back({std::move(name), false});
    return entries;
}

std::string resolvePath(const std::string& folder, const std::string& typed)
{
    std::string whole;
    if (!typed.empty() && typed[0] == '/') {
        whole = typed;
    } else if (typed == "~" || typed.rfind("~/", 0) == 0) {
        const char* home = std::getenv("HOME");
        whole = std::string(home != nullptr ? home : "/") + "/" + typed.substr(1);
    } else {
        whole = folder + "/" + typed;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= whole.size()) {
        size_t end = whole.find('/', start);
        if (end == std::string::npos)
            end = whole.size();
        std::string part = whole.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string path;
    for (const std::string& part : parts)
        path += "/" + part;
    return path.empty() ? "/" : path;
}

std::string parentFolder(const std::string& folder)
{
    return resolvePath(folder, "..");
}

bool hasWildcard(const std::string& text)
{
    return text.find_first_of("*?") != std::string::npos;
}

FileChoice chooseFile(const std::string& folder, const std::string& typed, const FileChoiceRules& rules,
                      std::string& path)
{
    std::string name = typed;
    while (!name.empty() && (name.back() == ' '))
        name.pop_back();
    while (!name.empty() && (name.front() == ' '))
        name.erase(name.begin());
    if (name.empty())
        return FileChoice::Nothing;
    if (hasWildcard(fileNameOf(name)) && !folderExists(resolvePath(folder, name))) {
        path = name;
        return FileChoice::ApplyPattern;
    }
    path = resolvePath(folder, name);
    if (folderExists(path))
        return FileChoice::EnterFolder;
    if (!rules.defaultExtension.empty() && extensionOf(path).empty() && !fileExists(path))
        path += "." + rules.defaultExtension;
    std::string parent = plat::folderOf(path);
    // A file can only be saved into a folder that exists, whatever the rules say.
    if ((rules.pathMustExist || rules.save) && !folderExists(parent))
        return FileChoice::PathMissing;
    bool exists = fileExists(path);
    if (rules.save)
        return exists ? FileChoice::ConfirmOverwrite : FileChoice::Accept;
    if (rules.fileMustExist && !exists)
        return FileChoice::FileMissing;
    return FileChoice::Accept;
}

} // namespace plat::ui::detail
