#pragma once

#include <string>

namespace zkr {

// The message for a shell open that failed: "Failed to open %s!" with name,
// followed by the reason for the shell results that have one.
std::string shellFailureText(const std::string& name, int shellResult);

// The same for a web page, file or address shown in a browser; when no
// browser was found, what was looked for (lookedFor) and how to see target
// all the same. purpose ends "No web browser was found to show ...".
std::string webPageFailureText(const std::string& name, const std::string& target, int shellResult,
                               const std::string& lookedFor, const std::string& purpose);

} // namespace zkr
