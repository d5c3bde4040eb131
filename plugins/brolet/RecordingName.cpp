#include "plugins/brolet/RecordingName.h"

namespace brolet {

std::string recordingFileName(const std::string& folder, const std::string& fileTemplate, const std::tm& when,
                              const std::function<bool(const std::string&)>& taken)
{
    std::string stem = folder;
    if (stem.empty() || stem.back() != '/')
        stem += '/';
    stem += fileTemplate + ' ' + std::to_string(when.tm_mon + 1) + '-' + std::to_string(when.tm_mday) + ' ' +
            std::to_string(when.tm_hour) + '-' + std::to_string(when.tm_min);
    std::string name = stem + ".wav";
    for (int copy = 1; taken(name); ++copy)
        name = stem + " (" + std::to_string(copy) + ").wav";
    return name;
}

} // namespace brolet
