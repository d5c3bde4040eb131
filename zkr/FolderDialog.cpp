#include "zkr/FolderDialog.h"

#include <string>
#include <utility>

namespace zkr {

void FolderDialog::prepare()
{
    PathDialog::prepare();
    request.flags = plat::ui::kBrowseReturnOnlyFsDirs;
}

bool FolderDialog::run()
{
    prepare();
    std::string folder;
    if (!plat::ui::browseForFolder(request, folder))
        return false;
    chosenFolder = std::move(folder);
    return true;
}

} // namespace zkr
