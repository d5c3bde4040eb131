#pragma once

#include <string>

// The plug-in's string table: the controls' tooltips, read through the
// module like every resource.
namespace quillan {

inline constexpr unsigned kStringAboutTip = 1;   // "about soundcard"
inline constexpr unsigned kStringDeviceTip = 2;  // "select soundcard"
inline constexpr unsigned kStringStereoTip = 3;  // "mono/stereo recording"
inline constexpr unsigned kStringConnectTip = 4; // "connect to velmora mixer"
inline constexpr unsigned kStringRecordTip = 5;  // "start/stop recording"

// The text of a string of the table ("" when there is none).
std::string stringText(unsigned id);

} // namespace quillan
