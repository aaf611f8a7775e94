// TEMPORARY stand-ins until the string table and the resource container are merged.
#include "app/pending_foundation.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/file_system.h"

namespace pelorin {

u16 interfaceLanguage = LANGUAGE_ENGLISH;
namespace {
bool gOpen = false;
}

bool openResourceContainer(platform::FileSystem& fileSystem, const char16_t* path, u32* error) {
    std::unique_ptr<platform::File> file;
    u32 code = fileSystem.openForReading(path, file);
    if (error) *error = code;
    gOpen = code == 0;
    return gOpen;
}
void closeResourceContainer() { gOpen = false; }
u32 findString(u16, u32, char* buffer, u32 capacity, LookupFlags, u32, bool& found) {
    found = false;
    if (buffer && capacity) buffer[0] = 0;
    return 0;
}
u16 chooseInterfaceLanguage(u16 userLanguageId, u16 forcedLanguage) {
    if (forcedLanguage) return forcedLanguage;
    switch (userLanguageId & 0x3FF) {
    case 0x07: return LANGUAGE_GERMAN;
    case 0x19: return LANGUAGE_RUSSIAN;
    case 0x05: return LANGUAGE_CZECH;
    default: return LANGUAGE_ENGLISH;
    }
}
bool loadString(char* buffer, u32 capacity, u32 id, bool) {
    if (!buffer || capacity < 2) return false;
    std::snprintf(buffer, capacity, "#%u %%s", static_cast<unsigned>(id));
    return false;
}

}  // namespace pelorin
