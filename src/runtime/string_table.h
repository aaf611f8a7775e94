#pragma once
// The application's texts: every message, label and built-in list is fetched by numeric id from
// string group 0 of the resource container, in the interface language.
#include "runtime/resource_container.h"
#include "runtime/types.h"

namespace pelorin {

// The language of every string lookup of the application; chosen once at start-up.
extern u16 interfaceLanguage;

// What a command-line switch can force instead of the user's language.
enum ForcedLanguage : u32 { FORCED_NONE = 0, FORCED_ENGLISH, FORCED_RUSSIAN, FORCED_CZECH };

// The interface language for a user language id (as GetUserDefaultLangID gives it): German
// users get German, Russian and Czech users their codes (which fall back to English), everyone
// else English. A forced language wins.
u16 chooseInterfaceLanguage(u16 userLanguageId, ForcedLanguage forced = FORCED_NONE);

// Copies text `id` into `buffer` (at most capacity - 1 bytes and a NUL). True when a non-empty
// text was copied. On failure the buffer receives "?" when it has room for it; with no
// container open, no buffer or no capacity it is left untouched.
bool loadString(char* buffer, u32 capacity, u32 id, bool noDefaultLanguage);

// Text `id` parsed as a signed integer (blanks, an optional sign, then "0x" and hexadecimal
// digits or decimal digits), or `defaultValue` when the text is missing or empty.
i32 loadStringNumber(u32 id, i32 defaultValue, bool noDefaultLanguage);

// The integer at the start of `text`, by the rules of loadStringNumber.
i32 parseStringNumber(const char* text);

}  // namespace pelorin
