#include "zkr/ShellFailureText.h"

namespace zkr {

std::string shellFailureText(const std::string& name, int shellResult)
{
    std::string text = "Failed to open " + name + "!";
    switch (shellResult) {
    case 2:
    case 3:
        text += "\nThe specified file was not found.";
        break;
    case 5:
    case 26:
        text += "Sharing violation or access denied.";
        break;
    case 27:
    case 31:
        text += "\nNo application associated with this extension.";
        break;
    default:
        break;
    }
    return text;
}

} // namespace zkr
