#include "runtime/resource_container.h"

#include <cstring>
#include <new>

#include "platform/file_system.h"
#include "runtime/lzari.h"

namespace pelorin {
namespace {

constexpr u32 HEADER_SIZE = 64;
constexpr u32 TRAILER_SIZE = 32;
constexpr u32 FORMAT_VERSION = 1;
constexpr u32 FLAG_STORED = 1;
constexpr u32 TYPE_ENTRY_SIZE = 8;
constexpr u32 LANGUAGE_ENTRY_SIZE = 8;
constexpr u32 ID_ENTRY_SIZE = 12;
// An LZARI coder needs at least one bit per ~145 symbols (its most probable symbol never
// exceeds 99% of the total), so no valid stream unpacks to more than about 1,200 bytes per
// packed byte. Announced sizes beyond this bound are refused before anything is allocated.
constexpr u64 MAX_EXPANSION = 2048;

u32 le32(const u8* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }
u16 le16(const u8* p) { return static_cast<u16>(p[0] | p[1] << 8); }

ResourceContainer* gContainer = nullptr;

}  // namespace

struct ResourceContainer::IdEntry {
    u32 id = 0;
    u32 flags = 0;
    u32 offset = 0;
    // The cache slot: filled by the first lookup, success or failure.
    bool loaded = false;
    u32 loadError = 0;
    std::unique_ptr<u8[]> data;
    u32 size = 0;
};

struct ResourceContainer::IdBlock {
    std::unique_ptr<IdEntry[]> entries;
    u32 count = 0;
};

struct ResourceContainer::LanguageEntry {
    u32 language = 0;
    u32 offset = 0;
    IdBlock* ids = nullptr;
};

struct ResourceContainer::LanguageBlock {
    std::unique_ptr<LanguageEntry[]> entries;
    u32 count = 0;
};

struct ResourceContainer::TypeEntry {
    u32 type = 0;
    u32 offset = 0;
    LanguageBlock* languages = nullptr;
};

u32 fallbackLanguages(u16 language, bool noDefaultLanguage, u16 (&out)[4]) {
    u32 n = 0;
    const auto add = [&](u16 candidate) {
        for (u32 i = 0; i < n; ++i) if (out[i] == candidate) return;
        out[n++] = candidate;
    };
    add(language);
    add(static_cast<u16>(language & 0xFF00));
    if (!noDefaultLanguage) add(LANGUAGE_ENGLISH);
    add(LANGUAGE_NEUTRAL);
    return n;
}

ResourceContainer::ResourceContainer() = default;
ResourceContainer::~ResourceContainer() = default;

u32 ResourceContainer::error() const {
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

u32 ResourceContainer::readAt(u64 position, void* buffer, u32 size, u32& got) {
    got = 0;
    if (u32 e = file_->seek(position)) return e;
    u8* out = static_cast<u8*>(buffer);
    while (got < size) {
        u32 n = 0;
        if (u32 e = file_->read(out + got, size - got, n)) return e;
        if (n == 0) break;
        got += n;
    }
    return 0;
}

u32 ResourceContainer::locateBase(u64 fileSize, u64& base) {
    u8 head[4] = {};
    u32 headGot = 0, got = 0;
    if (u32 e = readAt(0, head, sizeof head, headGot)) return e;
    if (headGot == 4 && std::memcmp(head, "Rsrc", 4) == 0) {
        base = 0;
        return 0;
    }
    if (fileSize > TRAILER_SIZE) {
        u8 trailer[TRAILER_SIZE];
        if (u32 e = readAt(fileSize - TRAILER_SIZE, trailer, TRAILER_SIZE, got)) return e;
        if (got == TRAILER_SIZE && std::memcmp(trailer, "RsOfs100", 8) == 0) {
            base = le32(trailer + 8);
            return base == 0 || base >= fileSize ? ERR_NOT_CONTAINER : ERR_OK;
        }
    }
    if (headGot >= 2 && head[0] == 'M' && head[1] == 'Z') {
        u8 mz[0x40];
        if (u32 e = readAt(0, mz, sizeof mz, got)) return e;
        const u16 newHeader = got == sizeof mz ? le16(mz + 0x3C) : 0;
        u8 signature[2];
        if (newHeader != 0) {
            if (u32 e = readAt(newHeader, signature, 2, got)) return e;
            if (got == 2 && ((signature[0] == 'P' && signature[1] == 'E') || (signature[0] == 'N' && signature[1] == 'E') ||
                             (signature[0] == 'L' && signature[1] == 'X'))) {
                base = le32(mz + 0x38);
                return base == 0 || base >= fileSize ? ERR_NOT_CONTAINER : ERR_OK;
            }
        }
    }
    return ERR_NOT_CONTAINER;
}

u32 ResourceContainer::readBlock(u32 offset, u32 entrySize, std::unique_ptr<u32[]>& words, u32& count) {
    const u64 at = base_ + offset;
    u8 head[8];
    u32 got = 0;
    if (u32 e = readAt(at, head, sizeof head, got)) return e;
    if (got < sizeof head) return ERR_READ;
    count = le32(head + 4);
    const u64 bytes = u64(count) * entrySize;
    // A well-formed directory has room in the file for every entry it announces; counting all
    // entries read also keeps blocks that overlap each other from multiplying.
    entriesRead_ += count;
    if (bytes > fileSize_ - (at + sizeof head) || entriesRead_ > fileSize_ / LANGUAGE_ENTRY_SIZE) return ERR_READ;
    std::unique_ptr<u8[]> raw(new (std::nothrow) u8[bytes ? bytes : 1]);
    words.reset(new (std::nothrow) u32[bytes / 4 + 1]);
    if (!raw || !words) return ERR_NO_MEMORY;
    if (u32 e = readAt(at + sizeof head, raw.get(), static_cast<u32>(bytes), got)) return e;
    if (got < bytes) return ERR_READ;
    for (u64 i = 0; i < bytes / 4; ++i) words[i] = le32(raw.get() + 4 * i);
    return 0;
}

u32 ResourceContainer::readDirectory(u32 typeOffset) {
    std::unique_ptr<u32[]> words;
    u32 typeCount = 0;
    if (u32 e = readBlock(typeOffset, TYPE_ENTRY_SIZE, words, typeCount)) return e;
    types_.clear();
    types_.reserve(typeCount);
    for (u32 t = 0; t < typeCount; ++t) {
        TypeEntry type;
        type.type = words[2 * t];
        type.offset = words[2 * t + 1];
        auto& languages = languageBlocks_[type.offset];
        if (!languages) {
            languages.reset(new (std::nothrow) LanguageBlock);
            if (!languages) return ERR_NO_MEMORY;
            std::unique_ptr<u32[]> lw;
            if (u32 e = readBlock(type.offset, LANGUAGE_ENTRY_SIZE, lw, languages->count)) return e;
            languages->entries.reset(new (std::nothrow) LanguageEntry[languages->count ? languages->count : 1]);
            if (!languages->entries) return ERR_NO_MEMORY;
            for (u32 l = 0; l < languages->count; ++l) {
                LanguageEntry& language = languages->entries[l];
                language.language = lw[2 * l];
                language.offset = lw[2 * l + 1];
                auto& ids = idBlocks_[language.offset];
                if (!ids) {
                    ids.reset(new (std::nothrow) IdBlock);
                    if (!ids) return ERR_NO_MEMORY;
                    std::unique_ptr<u32[]> iw;
                    if (u32 e = readBlock(language.offset, ID_ENTRY_SIZE, iw, ids->count)) return e;
                    ids->entries.reset(new (std::nothrow) IdEntry[ids->count ? ids->count : 1]);
                    if (!ids->entries) return ERR_NO_MEMORY;
                    for (u32 i = 0; i < ids->count; ++i) {
                        ids->entries[i].id = iw[3 * i];
                        ids->entries[i].flags = iw[3 * i + 1];
                        ids->entries[i].offset = iw[3 * i + 2];
                    }
                }
                language.ids = ids.get();
            }
        }
        type.languages = languages.get();
        types_.push_back(type);
    }
    return 0;
}

u32 ResourceContainer::open(platform::FileSystem& fileSystem, const char16_t* path) {
    std::lock_guard<std::mutex> guard(lock_);
    const auto failWith = [this](u32 code) {
        error_ = code;
        file_.reset();
        types_.clear();
        languageBlocks_.clear();
        idBlocks_.clear();
        return code;
    };
    failWith(0);  // a second open starts from nothing
    if (!path || !*path) return failWith(ERR_BAD_VALUE);
    if (u32 e = fileSystem.openForReading(path, file_)) return failWith(e);
    if (u32 e = file_->size(fileSize_)) return failWith(e);
    if (u32 e = locateBase(fileSize_, base_)) return failWith(e);

    u8 header[HEADER_SIZE];
    u32 got = 0;
    if (u32 e = readAt(base_, header, HEADER_SIZE, got)) return failWith(e);
    if (got < HEADER_SIZE) return failWith(ERR_WRITE);
    const u32 typeOffset = le32(header + 12);
    if (std::memcmp(header, "Rsrc", 4) != 0 || le32(header + 4) != FORMAT_VERSION || typeOffset >= fileSize_) {
        return failWith(ERR_NOT_CONTAINER);
    }
    entriesRead_ = 0;
    if (u32 e = readDirectory(typeOffset)) return failWith(e);
    error_ = 0;
    return 0;
}

ResourceContainer::IdEntry* ResourceContainer::findEntry(u16 type, u16 language, u32 id) {
    for (const TypeEntry& t : types_) {
        if ((t.type & 0xFFFF) != type) continue;
        const LanguageBlock& languages = *t.languages;
        for (u32 l = 0; l < languages.count; ++l) {
            const LanguageEntry& lang = languages.entries[l];
            if ((lang.language & 0xFFFF) != language) continue;
            IdBlock& ids = *lang.ids;
            for (u32 i = 0; i < ids.count; ++i) {
                if (ids.entries[i].id == id) return &ids.entries[i];
            }
            return nullptr;
        }
        return nullptr;
    }
    return nullptr;
}

u32 ResourceContainer::loadPayload(IdEntry& entry) {
    if (entry.offset == 0) return ERR_INVALID_DATA;
    u64 at = base_ + entry.offset;
    u8 word[4];
    u32 got = 0;
    if (u32 e = readAt(at, word, 4, got)) return e;
    if (got < 4) return ERR_READ;
    const u32 size = le32(word);
    at += 4;

    if (entry.flags & FLAG_STORED) {
        if (size > fileSize_ - at) return ERR_WRITE;
        std::unique_ptr<u8[]> data(new (std::nothrow) u8[size ? size : 1]);
        if (!data) return ERR_NO_MEMORY;
        if (u32 e = readAt(at, data.get(), size, got)) return e;
        if (got < size) return ERR_WRITE;
        entry.data = std::move(data);
        entry.size = size;
        return 0;
    }

    if (u32 e = readAt(at, word, 4, got)) return e;
    if (got < 4) return ERR_READ;
    const u32 packedSize = le32(word);
    at += 4;
    // Packed bytes that the file does not hold are missing at the end of the stream.
    if (packedSize < 4 || packedSize > fileSize_ - at) return ERR_BAD_FORMAT;
    if (size > u64(packedSize) * MAX_EXPANSION) return ERR_BAD_FORMAT;
    std::unique_ptr<u8[]> packed(new (std::nothrow) u8[packedSize]);
    std::unique_ptr<u8[]> data(new (std::nothrow) u8[size ? size : 1]);
    if (!packed || !data) return ERR_NO_MEMORY;
    if (u32 e = readAt(at, packed.get(), packedSize, got)) return e;
    if (got < packedSize) return ERR_BAD_FORMAT;
    if (u32 e = decodeLzari(packed.get(), packedSize, data.get(), size)) return e;
    entry.data = std::move(data);
    entry.size = size;
    return 0;
}

bool ResourceContainer::findResource(u16 type, u16 language, u32 id, LookupFlags flags, const u8*& data, u32& size) {
    data = nullptr;
    size = 0;
    std::lock_guard<std::mutex> guard(lock_);
    if (!file_) return false;
    u16 candidates[4] = {language};
    const u32 n = flags.exactLanguageOnly ? 1 : fallbackLanguages(language, flags.noDefaultLanguage, candidates);
    for (u32 c = 0; c < n; ++c) {
        IdEntry* entry = findEntry(type, candidates[c], id);
        if (!entry) continue;
        if (!entry->loaded) {
            entry->loadError = loadPayload(*entry);
            entry->loaded = true;
            if (entry->loadError) error_ = entry->loadError;
        }
        if (entry->loadError) return false;
        data = entry->data.get();
        size = entry->size;
        return true;
    }
    return false;
}

u32 ResourceContainer::findString(u16 language, u32 id, char* buffer, u32 capacity, LookupFlags flags, u32 group,
                                  bool& found) {
    found = false;
    if (!buffer || capacity == 0) return 0;
    buffer[0] = 0;
    u16 candidates[4];
    const u32 n = fallbackLanguages(language, flags.noDefaultLanguage, candidates);
    for (u32 c = 0; c < n; ++c) {
        const u8* block = nullptr;
        u32 size = 0;
        if (!findResource(RESOURCE_STRING_BLOCK, candidates[c], group, flags, block, size)) {
            if (flags.exactLanguageOnly) return 0;
            continue;
        }
        // Records: id, length, text. A record that runs past the block ends the search in it.
        for (u32 at = 0; size - at >= 8;) {
            const u32 recordId = le32(block + at);
            const u32 length = le32(block + at + 4);
            at += 8;
            if (length > size - at) break;
            if (recordId == id) {
                const u32 copied = length < capacity - 1 ? length : capacity - 1;
                std::memcpy(buffer, block + at, copied);
                buffer[copied] = 0;
                found = true;
                return copied;
            }
            at += length;
        }
    }
    return 0;
}

bool openResourceContainer(platform::FileSystem& fileSystem, const char16_t* path, u32* error) {
    if (error) *error = 0;
    if (gContainer) return true;
    std::unique_ptr<ResourceContainer> container(new (std::nothrow) ResourceContainer);
    if (!container) {
        if (error) *error = ERR_NO_MEMORY;
        return false;
    }
    if (u32 e = container->open(fileSystem, path)) {
        if (error) *error = e;
        return false;
    }
    gContainer = container.release();
    return true;
}

void closeResourceContainer() {
    delete gContainer;
    gContainer = nullptr;
}

ResourceContainer* resourceContainer() { return gContainer; }

bool findResource(u16 type, u16 language, u32 id, LookupFlags flags, const u8*& data, u32& size) {
    data = nullptr;
    size = 0;
    return gContainer && gContainer->findResource(type, language, id, flags, data, size);
}

u32 findString(u16 language, u32 id, char* buffer, u32 capacity, LookupFlags flags, u32 group, bool& found) {
    found = false;
    if (!gContainer) {
        if (buffer && capacity) buffer[0] = 0;
        return 0;
    }
    return gContainer->findString(language, id, buffer, capacity, flags, group, found);
}

}  // namespace pelorin
