#include "plugins/brolet/RecordingName.h"

#include <climits>

namespace brolet {

namespace {

// A '/' would lead into a folder that does not exist.
constexpr char kFolderSeparator = '/';
constexpr char kSeparatorStandIn = '-';
// The longest copy number and extension a name gets: " (99999).wav".
constexpr std::size_t kLongestEnding = 12;

// The template as one file name's part: no '/', and short enough that the
// name with its date, time, copy number and extension fits a file name
// (cut at a whole UTF-8 character).
std::string templatePart(const std::string& fileTemplate, std::size_t dateLength)
{
    std::string part = fileTemplate;
    for (char& c : part)
        if (c == kFolderSeparator)
            c = kSeparatorStandIn;
    const std::size_t room = NAME_MAX - kLongestEnding - dateLength;
    if (part.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(part[cut]) & 0xC0) == 0x80)
            --cut;
        part.resize(cut);
    }
    return part;
}

} // namespace

std::string recordingFileName(const std::string& folder, const std::string& fileTemplate, const std::tm& when,
                              const std::function<bool(const std::string&)>& taken)
{
    std::string stem = folder;
    if (stem.empty() || stem.back() != '/')
        stem += '/';
    const std::string date = ' ' + std::to_string(when.tm_mon + 1) + '-' + std::to_string(when.tm_mday) + ' ' +
                             std::to_string(when.tm_hour) + '-' + std::to_string(when.tm_min);
    stem += templatePart(fileTemplate, date.size()) + date;
    std::string name = stem + ".wav";
    for (int copy = 1; taken(name); ++copy)
        name = stem + " (" + std::to_string(copy) + ").wav";
    return name;
}

} // namespace brolet
