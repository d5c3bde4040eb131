#pragma once

#include <string>

namespace zkr {

// The message for a shell open that failed: "Failed to open %s!" with name,
// followed by the reason for the shell results that have one.
std::string shellFailureText(const std::string& name, int shellResult);

} // namespace zkr
