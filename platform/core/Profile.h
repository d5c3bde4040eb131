#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Api.h"

// Private profile (ini) files, read and written a whole section at a time.
// A file name without a folder lives in the configuration folder:
// $VELMORA_CONFIG_DIR, else $XDG_CONFIG_HOME/velmora, else ~/.config/velmora
// (created on first write). A section write holds a process-wide lock and an
// advisory lock on "<file>.lock", re-reads the file, replaces the section and
// renames a complete temporary file over the old one, so readers never see a
// half written file and other writers' sections are kept. A symbolic link is
// followed and its target replaced, the link kept. Anything but a regular file
// (a FIFO, a device, a folder) reads as an empty file and is never written.
namespace plat {

// The configuration folder, without a trailing '/'. Empty variables count as
// unset, and so does a relative $XDG_CONFIG_HOME (the XDG rule); without
// $HOME the account's home folder is used.
PLAT_API std::string configFolder();
// The full path of a profile file: names with a '/' are used as they are.
PLAT_API std::string profilePath(const std::string& fileName);

// Copies the section's "key=value" lines into buffer, each ended by a zero
// character, the whole ended by one more (section names match without regard
// to case). Returns the characters copied, not counting the final zero; when
// the buffer is too small the lines are cut and size - 2 is returned. A
// missing file or section gives an empty list.
// Reading: blanks around "[name]", keys and values are dropped; lines without
// '=' or with an empty key, comments (';' or '#'), lines before the first
// section and a '[' line without its ']' are skipped; lines end with LF,
// CR-LF or CR; the first section of a name counts. A size of 1 holds only
// the final zero; a size of 0 writes nothing.
PLAT_API uint32_t getProfileSection(const char* section, char* buffer, uint32_t size, const char* fileName);
// The lines of several sections from a single reading of the file: one text
// per name asked for, in that order, each as getProfileSection lists them but
// whole and without the final zero ("" for a section the file lacks).
PLAT_API std::vector<std::string> getProfileSections(const std::vector<std::string>& sections,
                                                     const char* fileName);
// The same lines, however many, each ended by its zero character, without the
// final one; empty also when memory runs out.
PLAT_API std::string getProfileSectionLines(const char* section, const char* fileName);
// Replaces the whole section with the lines of text (same format as above;
// an empty text "\0\0" leaves the section with no lines; a null text removes
// the section). The section is appended when the file lacks it. Every other
// section and line of the file is kept as it was. A line is cut at its first CR or LF, and a line
// that would read back as a section header is left out, so no text can add
// lines or sections. False (and the old file untouched) when the file cannot
// be read or written, or for a section name that is empty or holds ']', CR
// or LF.
[[nodiscard]] PLAT_API bool writeProfileSection(const char* section, const char* text, const char* fileName);

} // namespace plat
