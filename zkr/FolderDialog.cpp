#include "zkr/FolderDialog.h"

#include <string>

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
    return plat::ui::browseForFolder(request, folder) && takePath(chosenFolder, folder);
}

} // namespace zkr
