#include "runtime/text.h"

#include <cstring>

namespace pelorin {

std::u16string widen(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<unsigned char>(text[i]);
    return out;
}

std::string narrow(std::u16string_view text) {
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        out[i] = c < 256 ? static_cast<char>(c) : '?';
    }
    return out;
}

std::size_t textLength(const char16_t* text) {
    if (!text) return 0;
    std::size_t n = 0;
    while (text[n]) ++n;
    return n;
}

std::size_t copyBounded(char* out, std::size_t capacity, std::string_view text) {
    if (!out || capacity == 0) return 0;
    std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return n;
}

std::size_t copyBounded(char16_t* out, std::size_t capacity, std::u16string_view text) {
    if (!out || capacity == 0) return 0;
    std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(out, text.data(), n * sizeof(char16_t));
    out[n] = u'\0';
    return n;
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
        } else {
            len = 0;  // stray continuation byte or invalid lead
        }
        if (len >= 2) {
            if (i + len > text.size()) {
                len = 0;
            } else {
                char32_t v = b & (0x7F >> len);
                for (std::size_t k = 1; k < len; ++k) {
                    unsigned char c = static_cast<unsigned char>(text[i + k]);
                    if ((c & 0xC0) != 0x80) { len = 0; break; }
                    v = (v << 6) | (c & 0x3F);
                }
                static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
                if (len && (v < kMin[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))) len = 0;
                if (len) cp = v;
            }
        }
        if (len == 0) { cp = 0xFFFD; len = 1; }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

}  // namespace pelorin
