#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The two-frame help browser over a folder of HTML pages: a contents page
// ("~content.html") listing every page by its title, and a frameset page
// ("~index.html") showing the contents beside the asked-for page. The
// functions taking a folder work on any help folder; the exports use the one
// beside the main program (helpFolder).
namespace shared {

inline constexpr const char* kContentsPage = "~content.html";
inline constexpr const char* kFramesetPage = "~index.html";
inline constexpr const char* kMainPage = "main.html";

// "Help" in the folder of the process's main program file, worked out once.
const std::string& helpFolder();
// Where the generated pages of helpFolder go: the help folder itself while
// the program may write there, else "Help" in the user's cache folder (an
// installed program's folder belongs to the system), made when missing.
const std::string& generatedHelpFolder();

// Full paths of the folder's "*.html" pages in listing order, without the
// generated ones (any name with a '~').
std::vector<std::string> listHelpPages(const std::string& folder);

// The generated pages go to generated, or into folder when it is empty; in
// another folder they address the picture and the pages of folder by file
// URI.

// Writes the contents page and the frameset page for "main.html"; false when
// the contents page cannot be written.
bool writeHelpContents(const std::string& folder, const std::string& generated = {});

// Writes the frameset page showing topic (a page name relative to the help
// folder, perhaps with an anchor) beside the contents; false when it cannot.
bool writeHelpFrameset(const std::string& folder, const std::string& topic, const std::string& generated = {});

// The topic for a request: page followed by the anchor text, or "#<number>"
// when the anchor is a number; a request without a page shows "main.html".
std::string helpTopic(const char* page, intptr_t anchor, bool anchorIsText);

// Writes the frameset page for the request and opens it in the user's
// browser. A frameset page that cannot be rewritten leaves the last one,
// which is opened all the same.
bool showHelp(const std::string& folder, const char* page, intptr_t anchor, bool anchorIsText,
              const std::string& generated = {});

// Opens a document with the desktop's preferred application, or else a web
// browser found on the PATH; tells the user with a message box when that fails.
bool openHelpDocument(const std::string& path);

// The text of the message box for a failed open (shell results 32 and below).
// When no program to show it was found (lookedFor names those looked for),
// the text says which file to open and what to install.
std::string openFailureText(const std::string& path, int shellResult, const std::string& lookedFor = {});

} // namespace shared
