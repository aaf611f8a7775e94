#include "respack/text_source.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace pelorin::respack {
namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;

constexpr u32 MENU_MAGIC = 0x43570001;
constexpr int MENU_MAX_DEPTH = 30;

// Code points of the bytes 0x80..0x9F in code page 1252; 0 where the code page has none.
constexpr char32_t CP1252_HIGH[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::vector<std::string> splitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(content);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string where(const std::string& name, std::size_t line) { return name + ":" + std::to_string(line + 1) + ": "; }

bool parseNumber(const std::string& text, u32& value) {
    if (text.empty()) return false;
    std::size_t i = 0;
    u32 base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    unsigned long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * base + d;
        if (v > 0xFFFFFFFFull) return false;
    }
    value = static_cast<u32>(v);
    return true;
}

// Splits "<words> "<text>"" into the words before the text and the text between the first
// and the last double quote. Gives false when the line does not end in a quoted text.
bool splitQuoted(const std::string& line, std::vector<std::string>& words, std::string& text) {
    const std::string t = trim(line);
    const std::size_t first = t.find('"');
    if (first == std::string::npos || t.size() < first + 2 || t.back() != '"') return false;
    text = t.substr(first + 1, t.size() - first - 2);
    words.clear();
    std::istringstream in(t.substr(0, first));
    std::string w;
    while (in >> w) words.push_back(w);
    return true;
}

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

void append32(std::vector<u8>& out, u32 v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<u8>(v >> (8 * i)));
}

}  // namespace

bool utf8ToCp1252(const std::string& text, std::vector<u8>& out, std::string& error) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const u8 b = static_cast<u8>(text[i]);
        char32_t cp;
        std::size_t n;
        if (b < 0x80) { cp = b; n = 1; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; n = 2; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; n = 3; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; n = 4; }
        else { error = "invalid UTF-8"; return false; }
        if (i + n > text.size()) { error = "invalid UTF-8 (cut sequence)"; return false; }
        for (std::size_t k = 1; k < n; ++k) {
            const u8 c = static_cast<u8>(text[i + k]);
            if ((c & 0xC0) != 0x80) { error = "invalid UTF-8"; return false; }
            cp = (cp << 6) | (c & 0x3F);
        }
        const char32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[n]) { error = "invalid UTF-8 (overlong form)"; return false; }
        i += n;
        if (cp < 0x20 || cp == 0x7F) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "control character U+%04X in a text", static_cast<unsigned>(cp));
            error = buf;
            return false;
        }
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<u8>(cp));
            continue;
        }
        const char32_t* hit = std::find(std::begin(CP1252_HIGH), std::end(CP1252_HIGH), cp);
        if (cp == 0 || hit == std::end(CP1252_HIGH)) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "U+%04X has no place in code page 1252", static_cast<unsigned>(cp));
            error = buf;
            return false;
        }
        out.push_back(static_cast<u8>(0x80 + (hit - CP1252_HIGH)));
    }
    return true;
}

bool parseManifest(const std::string& content, const std::string& name, std::vector<ManifestEntry>& out,
                   std::string& error) {
    out.clear();
    const std::vector<std::string> lines = splitLines(content);
    for (std::size_t ln = 0; ln < lines.size(); ++ln) {
        const std::string t = trim(lines[ln]);
        if (t.empty() || t[0] == '#') continue;
        const std::vector<std::string> w = splitWords(t);
        ManifestEntry e;
        u32 language = 0;
        if (w[0] == "strings" && w.size() == 4 && parseNumber(w[1], language) && parseNumber(w[2], e.group)) {
            e.kind = ManifestEntry::STRINGS;
            e.file = w[3];
        } else if (w[0] == "menus" && w.size() == 3 && parseNumber(w[1], language)) {
            e.kind = ManifestEntry::MENUS;
            e.file = w[2];
        } else {
            error = where(name, ln) + "expected 'strings <language> <group> <file>' or 'menus <language> <file>'";
            return false;
        }
        if (language > 0xFFFF) {
            error = where(name, ln) + "language code above 0xFFFF";
            return false;
        }
        e.language = static_cast<std::uint16_t>(language);
        for (const ManifestEntry& other : out) {
            if (other.kind == e.kind && other.language == e.language && other.group == e.group) {
                error = where(name, ln) + "the same table is listed twice";
                return false;
            }
        }
        out.push_back(e);
    }
    if (out.empty()) {
        error = name + ": lists no payload";
        return false;
    }
    return true;
}

bool parseStringTable(const std::string& content, const std::string& name, std::vector<StringRecord>& out,
                      std::string& error) {
    out.clear();
    const std::vector<std::string> lines = splitLines(content);
    bool open = false;  // the previous line was a text that a continuation may extend
    for (std::size_t ln = 0; ln < lines.size(); ++ln) {
        const std::string t = trim(lines[ln]);
        if (t.empty() || t[0] == '#') {
            open = false;
            continue;
        }
        std::vector<std::string> words;
        std::string text;
        if (!splitQuoted(t, words, text)) {
            error = where(name, ln) + "expected <id> \"<text>\" (the text between double quotes)";
            return false;
        }
        std::vector<u8> bytes;
        if (!utf8ToCp1252(text, bytes, error)) {
            error = where(name, ln) + error;
            return false;
        }
        if (words.empty()) {
            if (!open) {
                error = where(name, ln) + "a continuation line must follow a text";
                return false;
            }
            out.back().text.push_back('\n');
            out.back().text.insert(out.back().text.end(), bytes.begin(), bytes.end());
            continue;
        }
        StringRecord r;
        if (words.size() != 1 || !parseNumber(words[0], r.id)) {
            error = where(name, ln) + "expected one string id before the text";
            return false;
        }
        r.text = std::move(bytes);
        out.push_back(std::move(r));
        open = true;
    }
    std::stable_sort(out.begin(), out.end(), [](const StringRecord& a, const StringRecord& b) { return a.id < b.id; });
    for (std::size_t i = 1; i < out.size(); ++i) {
        if (out[i].id == out[i - 1].id) {
            error = name + ": string id " + std::to_string(out[i].id) + " appears twice";
            return false;
        }
    }
    return true;
}

bool parseMenus(const std::string& content, const std::string& name, std::vector<MenuResource>& out,
                std::string& error) {
    out.clear();
    const std::vector<std::string> lines = splitLines(content);
    int depth = -1;  // -1: outside a menu; 0: items of the menu; n: inside n popups
    for (std::size_t ln = 0; ln < lines.size(); ++ln) {
        const std::string t = trim(lines[ln]);
        if (t.empty() || t[0] == '#') continue;
        const std::vector<std::string> head = splitWords(t);
        if (depth < 0) {
            MenuResource m;
            if (head.size() != 2 || head[0] != "menu" || !parseNumber(head[1], m.id)) {
                error = where(name, ln) + "expected 'menu <id>'";
                return false;
            }
            for (const MenuResource& other : out) {
                if (other.id == m.id) {
                    error = where(name, ln) + "menu " + std::to_string(m.id) + " appears twice";
                    return false;
                }
            }
            m.payload.push_back(0x08);
            append32(m.payload, MENU_MAGIC);
            out.push_back(std::move(m));
            depth = 0;
            continue;
        }
        std::vector<u8>& p = out.back().payload;
        if (head.size() == 1 && head[0] == "end") {
            if (depth > 0) {
                p.push_back(0x03);
                p.push_back(2);
            }
            --depth;
            continue;
        }
        if (head.size() == 1 && head[0] == "separator") {
            p.push_back(0x09);
            p.push_back(0);
            p.push_back(0x08);
            append32(p, 0);
            continue;
        }
        std::vector<std::string> words;
        std::string text;
        if (!splitQuoted(t, words, text) || words.size() < 2 || (words[0] != "item" && words[0] != "popup")) {
            error = where(name, ln) + "expected 'item', 'popup', 'separator' or 'end'";
            return false;
        }
        u32 command = 0, shortcut = 0, state = 0;
        bool hasShortcut = false, hasState = false;
        if (!parseNumber(words[1], command)) {
            error = where(name, ln) + "bad command id '" + words[1] + "'";
            return false;
        }
        for (std::size_t i = 2; i < words.size(); ++i) {
            const std::string& w = words[i];
            if (w.rfind("shortcut=", 0) == 0 && parseNumber(w.substr(9), shortcut) && shortcut <= 0xFFFF) {
                hasShortcut = true;
            } else if (w.rfind("state=", 0) == 0 && parseNumber(w.substr(6), state)) {
                hasState = true;
            } else {
                error = where(name, ln) + "unknown option '" + w + "'";
                return false;
            }
        }
        std::vector<u8> bytes;
        if (!utf8ToCp1252(text, bytes, error)) {
            error = where(name, ln) + error;
            return false;
        }
        if (bytes.empty()) {
            error = where(name, ln) + "a menu item needs a text (use 'separator' for a line)";
            return false;
        }
        p.push_back(0x09);
        p.insert(p.end(), bytes.begin(), bytes.end());
        p.push_back(0);
        if (hasShortcut) {
            p.push_back(0x04);
            p.push_back(static_cast<u8>(shortcut));
            p.push_back(static_cast<u8>(shortcut >> 8));
        }
        p.push_back(0x08);
        append32(p, command);
        if (hasState) {
            p.push_back(0x08);
            append32(p, state);
        }
        if (words[0] == "popup") {
            if (++depth > MENU_MAX_DEPTH) {
                error = where(name, ln) + "menus nest at most " + std::to_string(MENU_MAX_DEPTH) + " levels deep";
                return false;
            }
            p.push_back(0x03);
            p.push_back(1);
        }
    }
    if (depth >= 0) {
        error = name + ": the last menu has no 'end'";
        return false;
    }
    return true;
}

std::vector<u8> encodeStringBlock(const std::vector<StringRecord>& records) {
    std::vector<u8> out;
    for (const StringRecord& r : records) {
        append32(out, r.id);
        append32(out, static_cast<u32>(r.text.size()));
        out.insert(out.end(), r.text.begin(), r.text.end());
    }
    return out;
}

}  // namespace pelorin::respack
