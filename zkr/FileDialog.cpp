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
    (void)textListCopy(filter, sizeof filter, kAllFiles); // the field holds it
    filterIndex = 1;
    file.clear();
    fileTitle.clear();
}

void FileDialog::prepare()
{
    PathDialog::prepare();
    request.filter = filter;
    request.filterIndex = filterIndex;
    request.file = file;
    request.initialFolder = initialFolder;
    request.flags = kFlags;
    request.defaultExtension = defaultExtension;
}

bool FileDialog::run()
{
    prepare();
    const bool chosen = openMode ? plat::ui::getOpenFileName(request) : plat::ui::getSaveFileName(request);
    if (!chosen)
        return false;
    file = request.file;
    fileTitle = request.fileTitle;
    filterIndex = request.filterIndex;
    return true;
}

bool FileDialog::setFilter(const char* list)
{
    if (!textListCopy(filter, sizeof filter, list)) {
        (void)textListCopy(filter, sizeof filter, kAllFiles); // the field holds it
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
