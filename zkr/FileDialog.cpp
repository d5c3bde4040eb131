#include "zkr/FileDialog.h"

#include <cstring>

#include "zkr/Text.h"
#include "zkr/TextList.h"

namespace zkr {

namespace {

const char kAllFiles[] = "All files\0*.*\0";

} // namespace

FileDialog::FileDialog()
{
    setDefaults();
}

void FileDialog::setDefaults()
{
    openMode = true;
    textListCopy(filter, sizeof filter, kAllFiles);
    filterIndex = 1;
    file[0] = '\0';
    fileTitle[0] = '\0';
}

void FileDialog::prepare()
{
    request = plat::ui::FileDialogRequest{};
    request.owner = owner;
    request.filter = filter;
    request.filterIndex = filterIndex;
    request.file = file;
    request.initialFolder = initialFolder;
    request.title = title;
    request.flags = kFlags;
    request.defaultExtension = defaultExtension;
}

bool FileDialog::run()
{
    prepare();
    const bool chosen = openMode ? plat::ui::getOpenFileName(request) : plat::ui::getSaveFileName(request);
    // A cut path would name another file: such a choice is not taken.
    if (!chosen || request.file.size() >= sizeof file)
        return false;
    copyText(file, request.file.c_str());
    copyText(fileTitle, request.fileTitle.c_str());
    filterIndex = request.filterIndex;
    return true;
}

bool FileDialog::setFilter(const char* list)
{
    if (!textListCopy(filter, sizeof filter, list)) {
        textListCopy(filter, sizeof filter, kAllFiles);
        return false;
    }
    return true;
}

bool FileDialog::addFilter(const char* description, const char* patterns)
{
    const std::size_t before = textListLength(filter);
    if (textListAppend(filter, sizeof filter, description) && textListAppend(filter, sizeof filter, patterns))
        return true;
    // Never leave a description without its patterns.
    filter[before - 1] = '\0';
    return false;
}

} // namespace zkr
