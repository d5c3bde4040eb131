#pragma once

#include <string>

// The plug-in's string table: registered with its resources when the library
// is loaded, read through the module like every resource.
namespace brolet {

inline constexpr unsigned kStringBrowseTitle = 9;    // "Browse output folder..."
inline constexpr unsigned kStringNoOutput = 10;      // "Sorry, this would mean no output!\n..."
inline constexpr unsigned kStringSoundOff = 11;      // "You want to have wavefile writting without sound playback!?"
inline constexpr unsigned kStringDefaultTemplate = 12; // "My Session"
// The no-output rule and the sound question once a broadcast is among the outputs.
inline constexpr unsigned kStringNoOutputAny = 13;
inline constexpr unsigned kStringSoundOffForBroadcast = 14;
// Labels of the visual modes 0 to 4, then the label of a module without a description.
inline constexpr unsigned kStringFirstModeLabel = 20;
inline constexpr unsigned kStringExternalVisual = 25;

// The text of a string of the table ("" when there is none).
std::string stringText(unsigned id);

// Registers the string table (and the plug-in's menus and dialogs) under the
// plug-in's module; done once when the library is loaded, undone when it is
// unloaded.
void registerTexts();
void unregisterTexts();

} // namespace brolet
