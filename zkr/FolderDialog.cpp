#include "zkr/FolderDialog.h"

#include <string>

#include "zkr/Text.h"

namespace zkr {

void FolderDialog::prepare()
{
    request = plat::ui::FolderDialogRequest{};
    request.owner = owner;
    request.title = title;
    request.flags = plat::ui::kBrowseReturnOnlyFsDirs;
}

bool FolderDialog::run()
{
    prepare();
    std::string folder;
    if (!plat::ui::browseForFolder(request, folder) || folder.size() >= sizeof chosenFolder)
        return false;
    copyText(chosenFolder, folder.c_str());
    return true;
}

} // namespace zkr
