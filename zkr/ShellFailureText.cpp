#include "zkr/ShellFailureText.h"

#include "platform/core/Shell.h"

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

std::string webPageFailureText(const std::string& name, const std::string& target, int shellResult,
                               const std::string& lookedFor, const std::string& purpose)
{
    if (shellResult != plat::kShellNoAssociation || lookedFor.empty())
        return shellFailureText(name, shellResult);
    const bool address = plat::hasScheme(target);
    return "Failed to open " + name + "!\nNo web browser was found to show " + purpose + " (looked for " +
           lookedFor + ").\nOpen this " + (address ? "address" : "file") + " in a web browser:\n" + target +
           "\nor install a web browser (for example the package firefox-esr or chromium) and xdg-utils.";
}

} // namespace zkr
