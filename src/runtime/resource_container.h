#pragma once
// The resource container appended to the executable: string tables and menu templates, looked
// up by type, language and id, with a fixed fallback order of languages. Payloads are decoded
// once each and stay cached, unchanged, until the container is closed.
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/types.h"

namespace pelorin {

namespace platform {
class File;
class FileSystem;
}  // namespace platform

// Language codes: the high byte is the primary language.
constexpr u16 LANGUAGE_NEUTRAL = 0x0000;
constexpr u16 LANGUAGE_ENGLISH = 0x0100;
constexpr u16 LANGUAGE_GERMAN = 0x0200;
constexpr u16 LANGUAGE_FRENCH = 0x0300;
constexpr u16 LANGUAGE_RUSSIAN = 0x0700;
constexpr u16 LANGUAGE_CZECH = 0x0800;

constexpr u16 RESOURCE_STRING_BLOCK = 2;
constexpr u16 RESOURCE_MENU_TEMPLATE = 7;

struct LookupFlags {
    bool exactLanguageOnly = false;  // try the requested language only
    bool noDefaultLanguage = false;  // leave English out of the fallback
};

// The languages a lookup for `language` tries, in order, without repeats: the language, its
// primary language, English (unless `noDefaultLanguage`), neutral. Gives their number.
u32 fallbackLanguages(u16 language, bool noDefaultLanguage, u16 (&out)[4]);

class ResourceContainer {
public:
    ResourceContainer();
    ~ResourceContainer();
    ResourceContainer(const ResourceContainer&) = delete;
    ResourceContainer& operator=(const ResourceContainer&) = delete;

    // Locates the container in the file, checks the header and reads the whole directory. The
    // file stays open for payload reads. Gives 0 or the error code, which error() keeps too.
    u32 open(platform::FileSystem& fileSystem, const char16_t* path);

    // 0, or the code of the last failure (opening, or loading a payload).
    u32 error() const;

    // The payload of the first fallback language whose directory holds (type, id). The bytes
    // stay valid until the container is destroyed. False when none holds it or it cannot be read.
    bool findResource(u16 type, u16 language, u32 id, LookupFlags flags, const u8*& data, u32& size);

    // Copies string `id` of string group `group` into `buffer` (cut to capacity - 1 bytes, always
    // terminated). Gives the number of bytes copied; `found` tells whether a record was found,
    // which an empty text is too (it ends the search). Each fallback language in turn gets its
    // string block through findResource with the same flags; with exactLanguageOnly a language
    // that has no block at all ends the search, one whose block lacks the id passes it on.
    u32 findString(u16 language, u32 id, char* buffer, u32 capacity, LookupFlags flags, u32 group, bool& found);

private:
    struct IdEntry;
    struct IdBlock;
    struct LanguageEntry;
    struct LanguageBlock;
    struct TypeEntry;

    u32 locateBase(u64 fileSize, u64& base);
    u32 readDirectory(u32 typeOffset);
    u32 readBlock(u32 offset, u32 entrySize, std::unique_ptr<u32[]>& words, u32& count);
    u32 readAt(u64 position, void* buffer, u32 size, u32& got);
    IdEntry* findEntry(u16 type, u16 language, u32 id);
    u32 loadPayload(IdEntry& entry);

    mutable std::mutex lock_;
    u32 error_ = 0;
    std::unique_ptr<platform::File> file_;
    u64 fileSize_ = 0;
    u64 base_ = 0;
    u64 entriesRead_ = 0;
    std::vector<TypeEntry> types_;
    // Blocks are kept by offset so that entries pointing to the same block share it (and its
    // cache slots) instead of multiplying it.
    std::map<u32, std::unique_ptr<LanguageBlock>> languageBlocks_;
    std::map<u32, std::unique_ptr<IdBlock>> idBlocks_;
};

// ---- the process-wide container -------------------------------------------------------------

// Opens the program's own executable (its module file name) through the installed platform's
// file system. True on success, and at once when a container is already open. Windows only.
bool openResourceContainer();
// Opens `path` as the process-wide container (tests, and the Windows form above). True at once
// when one is already open; otherwise `error` (when given) receives the failure code.
bool openResourceContainer(platform::FileSystem& fileSystem, const char16_t* path, u32* error = nullptr);
// Frees the process-wide container and every payload it handed out.
void closeResourceContainer();
// The open process-wide container, or nullptr.
ResourceContainer* resourceContainer();

// findResource and findString on the process-wide container; nothing found when none is open.
bool findResource(u16 type, u16 language, u32 id, LookupFlags flags, const u8*& data, u32& size);
u32 findString(u16 language, u32 id, char* buffer, u32 capacity, LookupFlags flags, u32 group, bool& found);

}  // namespace pelorin
