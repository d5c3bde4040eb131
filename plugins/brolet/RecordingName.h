#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace brolet {

// The file name of a new recording in folder: the template followed by the
// month, day, hour and minute of when, without leading zeros ("My Session
// 5-20 12-0.wav"); while that name is taken, " (1)", " (2)", ... before the
// extension. taken answers whether a path already names something. A '/' of
// the template becomes '-', and a template too long for a file name is cut.
std::string recordingFileName(const std::string& folder, const std::string& fileTemplate, const std::tm& when,
                              const std::function<bool(const std::string&)>& taken);

} // namespace brolet
