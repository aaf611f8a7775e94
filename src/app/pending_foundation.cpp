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
    const char* text = "?";
    switch (id) {
    case 100: text = "This operating system is not supported. Use Windows NT/2000/XP or newer."; break;
    case 123: text = "The version of the Windows system library '%s' is too old to use this application.\nThe current version is %u.%u, required is at least %u.%u.\n\nContinue anyway? (The application might not work correctly)"; break;
    case 136: text = "Directory '%s' could not be accessed."; break;
    case 137: text = "Usage: %s <DirectoryName1> ..."; break;
    case 203: text = "You are using the 32-bit version of Pelorin in a 64-bit Windows environment. In this case, Pelorin cannot completely find the changes to the system. Use the 64-bit version of Pelorin!\n\nContinue anyway?"; break;
    }
    std::snprintf(buffer, capacity, "%s", text);
    return text[0] != '?';
}

}  // namespace pelorin
