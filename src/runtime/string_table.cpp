#include "runtime/string_table.h"

namespace pelorin {

u16 interfaceLanguage = LANGUAGE_ENGLISH;

u16 chooseInterfaceLanguage(u16 userLanguageId, ForcedLanguage forced) {
    switch (forced) {
    case FORCED_ENGLISH: return LANGUAGE_ENGLISH;
    case FORCED_RUSSIAN: return LANGUAGE_RUSSIAN;
    case FORCED_CZECH: return LANGUAGE_CZECH;
    case FORCED_NONE: break;
    }
    switch (userLanguageId & 0x3FF) {  // the primary language
    case 0x07: return LANGUAGE_GERMAN;
    case 0x19: return LANGUAGE_RUSSIAN;
    case 0x05: return LANGUAGE_CZECH;
    default: return LANGUAGE_ENGLISH;
    }
}

bool loadString(char* buffer, u32 capacity, u32 id, bool noDefaultLanguage) {
    if (!resourceContainer() || !buffer || capacity == 0) return false;
    bool found = false;
    LookupFlags flags;
    flags.noDefaultLanguage = noDefaultLanguage;
    if (findString(interfaceLanguage, id, buffer, capacity, flags, 0, found) != 0) return true;
    if (capacity >= 2) {
        buffer[0] = '?';
        buffer[1] = 0;
    }
    return false;
}

i32 parseStringNumber(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    u32 value = 0;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        for (p += 2;; ++p) {
            u32 digit;
            if (*p >= '0' && *p <= '9') digit = *p - '0';
            else if (*p >= 'a' && *p <= 'f') digit = *p - 'a' + 10;
            else if (*p >= 'A' && *p <= 'F') digit = *p - 'A' + 10;
            else break;
            value = value * 16 + digit;
        }
    } else {
        for (; *p >= '0' && *p <= '9'; ++p) value = value * 10 + static_cast<u32>(*p - '0');
    }
    return static_cast<i32>(negative ? 0u - value : value);
}

i32 loadStringNumber(u32 id, i32 defaultValue, bool noDefaultLanguage) {
    char text[80];
    if (!loadString(text, sizeof text, id, noDefaultLanguage)) return defaultValue;
    return parseStringNumber(text);
}

}  // namespace pelorin
