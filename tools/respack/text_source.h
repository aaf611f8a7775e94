#pragma once
// The text sources of the resource container.
//
// container.txt lists the payloads in directory order, one per line:
//     strings <language> <group> <file>      a string table (resource type 2)
//     menus <language> <file>                the menu templates of one language (type 7)
//
// A string table file holds one text per entry:
//     <id> "<text>"
// The text is everything between the first and the last double quote of the line, taken as
// written: backslashes, inner quotes and trailing blanks need no escaping. A line that starts
// with a double quote continues the text of the line before it after a line feed, so
//     107 "First line."
//         "Second line."
// is "First line.\nSecond line."; a continuation of "" adds an empty line. Blank lines and
// lines starting with # are ignored (they also end a text). Sources are UTF-8; the container
// holds the texts in Windows code page 1252.
//
// A menu file holds menu templates:
//     menu <id>
//         item <command> [shortcut=<key>] [state=<state>] "<text>"
//         separator
//         popup <command> [shortcut=<key>] [state=<state>] "<text>"
//             ... the submenu's items ...
//         end
//     end
// Numbers are decimal or 0x-prefixed hexadecimal.
#include <cstdint>
#include <string>
#include <vector>

namespace pelorin::respack {

struct StringRecord {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> text;  // code page 1252
};

struct MenuResource {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> payload;  // the encoded menu template
};

struct ManifestEntry {
    enum Kind { STRINGS, MENUS } kind = STRINGS;
    std::uint16_t language = 0;
    std::uint32_t group = 0;
    std::string file;
};

// Each parser gives false and a message "<name>:<line>: <what>" on malformed input.
bool parseManifest(const std::string& content, const std::string& name, std::vector<ManifestEntry>& out,
                   std::string& error);
// Records come out in ascending id order; a repeated id is an error.
bool parseStringTable(const std::string& content, const std::string& name, std::vector<StringRecord>& out,
                      std::string& error);
bool parseMenus(const std::string& content, const std::string& name, std::vector<MenuResource>& out,
                std::string& error);

// The payload of a string table: per record the id, the length and the text.
std::vector<std::uint8_t> encodeStringBlock(const std::vector<StringRecord>& records);

// UTF-8 to Windows code page 1252; false for invalid UTF-8 or a character cp1252 lacks.
bool utf8ToCp1252(const std::string& text, std::vector<std::uint8_t>& out, std::string& error);

}  // namespace pelorin::respack
