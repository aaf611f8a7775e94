#include "respack/container_writer.h"

#include <cstring>
#include <stdexcept>

#include "respack/lzari_encoder.h"

namespace pelorin::respack {
namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;

void put32(std::vector<u8>& out, std::size_t at, u32 v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<u8>(v >> (8 * i));
}
void append32(std::vector<u8>& out, u32 v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<u8>(v >> (8 * i)));
}

struct LanguageGroup {
    u16 language;
    std::vector<const ContainerEntry*> entries;
};
struct TypeGroup {
    u16 type;
    std::vector<LanguageGroup> languages;
};

u32 checkedSize(std::size_t n) {
    if (n > 0xFFFFFFFFu) throw std::length_error("resource container larger than 4 GB");
    return static_cast<u32>(n);
}

}  // namespace

ContainerEntry packedEntry(u16 type, u16 language, u32 id, const std::vector<u8>& data) {
    ContainerEntry e;
    e.type = type;
    e.language = language;
    e.id = id;
    e.unpackedSize = checkedSize(data.size());
    e.bytes = encodeLzari(data);
    return e;
}

ContainerEntry storedEntry(u16 type, u16 language, u32 id, const std::vector<u8>& data) {
    ContainerEntry e;
    e.type = type;
    e.language = language;
    e.id = id;
    e.stored = true;
    e.unpackedSize = checkedSize(data.size());
    e.bytes = data;
    return e;
}

std::vector<u8> writeContainer(const std::vector<ContainerEntry>& entries) {
    std::vector<TypeGroup> types;
    for (const ContainerEntry& e : entries) {
        TypeGroup* t = nullptr;
        for (TypeGroup& g : types) if (g.type == e.type) t = &g;
        if (!t) t = &types.emplace_back(TypeGroup{e.type, {}});
        LanguageGroup* l = nullptr;
        for (LanguageGroup& g : t->languages) if (g.language == e.language) l = &g;
        if (!l) l = &t->languages.emplace_back(LanguageGroup{e.language, {}});
        l->entries.push_back(&e);
    }

    // Layout: header, type block, the language blocks, the id blocks, then the payloads.
    const auto blockSize = [](std::size_t count, std::size_t entrySize) { return 8 + count * entrySize; };
    std::size_t at = 64 + blockSize(types.size(), 8);
    std::vector<std::size_t> languageBlockAt;
    for (const TypeGroup& t : types) {
        languageBlockAt.push_back(at);
        at += blockSize(t.languages.size(), 8);
    }
    std::vector<std::size_t> idBlockAt;
    for (const TypeGroup& t : types) {
        for (const LanguageGroup& l : t.languages) {
            idBlockAt.push_back(at);
            at += blockSize(l.entries.size(), 12);
        }
    }

    std::vector<u8> out(at, 0);
    std::memcpy(out.data(), "Rsrc", 4);
    put32(out, 4, 1);
    put32(out, 12, 64);

    const auto writeBlockHead = [&](std::size_t blockAt, std::size_t count, std::size_t entrySize) {
        put32(out, blockAt, checkedSize(4 + count * entrySize));
        put32(out, blockAt + 4, checkedSize(count));
    };
    writeBlockHead(64, types.size(), 8);
    std::size_t idBlock = 0;
    for (std::size_t ti = 0; ti < types.size(); ++ti) {
        const TypeGroup& t = types[ti];
        put32(out, 64 + 8 + ti * 8, t.type);
        put32(out, 64 + 8 + ti * 8 + 4, checkedSize(languageBlockAt[ti]));
        writeBlockHead(languageBlockAt[ti], t.languages.size(), 8);
        for (std::size_t li = 0; li < t.languages.size(); ++li, ++idBlock) {
            const LanguageGroup& l = t.languages[li];
            const std::size_t entryAt = languageBlockAt[ti] + 8 + li * 8;
            put32(out, entryAt, l.language);
            put32(out, entryAt + 4, checkedSize(idBlockAt[idBlock]));
            writeBlockHead(idBlockAt[idBlock], l.entries.size(), 12);
            for (std::size_t ii = 0; ii < l.entries.size(); ++ii) {
                const ContainerEntry& e = *l.entries[ii];
                const std::size_t idAt = idBlockAt[idBlock] + 8 + ii * 12;
                put32(out, idAt, e.id);
                put32(out, idAt + 4, e.stored ? 1 : 0);
                put32(out, idAt + 8, checkedSize(out.size()));
                append32(out, e.unpackedSize);
                if (!e.stored) append32(out, checkedSize(e.bytes.size()));
                out.insert(out.end(), e.bytes.begin(), e.bytes.end());
            }
        }
    }
    checkedSize(out.size());
    return out;
}

std::vector<u8> appendContainer(const std::vector<u8>& image, const std::vector<u8>& container) {
    std::vector<u8> out = image;
    out.insert(out.end(), container.begin(), container.end());
    const std::size_t trailer = out.size();
    out.resize(trailer + 32, 0);
    std::memcpy(out.data() + trailer, "RsOfs100", 8);
    put32(out, trailer + 8, checkedSize(image.size()));
    return out;
}

}  // namespace pelorin::respack
