#pragma once
// The filter of a file chooser comes from the string table as one text whose last character is
// the separator ("Snapshot file (*.sna)|*.sna|"); the chooser wants NULs in its place.
#include <string>

namespace pelorin {

// Every occurrence of the text's last character becomes a NUL; the result ends in two NULs
// (the string's own terminator is the second). Empty for an empty text.
std::string makeChooserFilter(const char* text);

// A directory path as it is stored: trailing backslashes removed, except the one of a drive's
// root ("C:\").
std::u16string normaliseDirectoryPath(std::u16string path);

}  // namespace pelorin
