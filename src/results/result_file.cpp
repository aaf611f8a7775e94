#include "results/result_file.h"

#include "runtime/file_stream.h"
#include "runtime/format.h"

namespace pelorin {
namespace {

// Writes UTF-16 units as little-endian bytes, in pieces through a small buffer.
bool writeUnits(FileStream& stream, const char16_t* units, u32 count) {
    u8 bytes[1024];
    while (count > 0) {
        u32 n = count < sizeof bytes / 2 ? count : static_cast<u32>(sizeof bytes / 2);
        for (u32 i = 0; i < n; ++i) {
            bytes[2 * i] = static_cast<u8>(units[i]);
            bytes[2 * i + 1] = static_cast<u8>(units[i] >> 8);
        }
        if (stream.write(bytes, 2 * n) != 0) return false;
        units += n;
        count -= n;
    }
    return true;
}

bool writeText(FileStream& stream, const char16_t* text) {
    u32 n = 0;
    while (text && text[n]) ++n;
    return writeUnits(stream, text, n);
}

// An 8-bit text widened unit by unit, at most 255 characters.
bool writeNarrow(FileStream& stream, const char* text) {
    char16_t wide[256];
    u32 n = 0;
    while (text[n] && n < 255) {
        wide[n] = static_cast<unsigned char>(text[n]);
        ++n;
    }
    return writeUnits(stream, wide, n);
}

bool writeLine(FileStream& stream, const ResultEntry& e) {
    const char* kind = resultKindName(e.kind);
    char priority[256];
    formatText(priority, sizeof priority, "%u", e.priority);
    static const char16_t tab[] = u"\t";
    static const char16_t lineEnd[] = u"\r\n";
    return writeNarrow(stream, kind ? kind : "???") && writeUnits(stream, tab, 1) && writeNarrow(stream, priority) &&
           writeUnits(stream, tab, 1) && writeText(stream, e.text1) && writeUnits(stream, tab, 1) &&
           writeText(stream, e.text2) && writeUnits(stream, lineEnd, 2);
}

}  // namespace

u32 writeResultFile(const char* fileName, const ResultList* list) {
    if (!fileName || !*fileName || !list) return ERR_BAD_VALUE;
    std::unique_ptr<FileStream> stream;
    u32 code = FileStream::create(fileName, stream);
    if (code) return code;
    code = stream->openForWriting();
    if (code) return code;
    for (u32 i = 0; i < list->count(); ++i) {
        const ResultEntry* e = list->entry(i);
        if (!e) continue;
        if (!writeLine(*stream, *e)) {
            // The lines written so far stay in the file.
            if (stream->error()) return stream->error();
            break;
        }
    }
    return stream->close();
}

}  // namespace pelorin
