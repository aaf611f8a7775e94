#pragma once
// TEMPORARY: declarations of the string table and the resource container until they are
// merged; removed then.
#include "runtime/types.h"

namespace pelorin {
namespace platform {
class FileSystem;
}

constexpr u16 LANGUAGE_NEUTRAL = 0x0000;
constexpr u16 LANGUAGE_ENGLISH = 0x0100;
constexpr u16 LANGUAGE_GERMAN = 0x0200;
constexpr u16 LANGUAGE_RUSSIAN = 0x0700;
constexpr u16 LANGUAGE_CZECH = 0x0800;

struct LookupFlags {
    bool exactLanguageOnly = false;
    bool noDefaultLanguage = false;
};

bool openResourceContainer(platform::FileSystem& fileSystem, const char16_t* path, u32* error = nullptr);
void closeResourceContainer();
u32 findString(u16 language, u32 id, char* buffer, u32 capacity, LookupFlags flags, u32 group, bool& found);

extern u16 interfaceLanguage;
u16 chooseInterfaceLanguage(u16 userLanguageId, u16 forcedLanguage);
bool loadString(char* buffer, u32 capacity, u32 id, bool noDefaultLanguage);

}  // namespace pelorin
