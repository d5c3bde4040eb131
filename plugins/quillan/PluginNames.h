#pragma once

namespace quillan {

// What the plug-in calls itself: its information record, its settings
// section, its help page.
inline constexpr char kPluginTitle[] = "Velmora mr. dorvish";
inline constexpr char kSettingsSection[] = "mr. dorvish";
inline constexpr char kHelpPage[] = "dorvik.html";

} // namespace quillan
