#include "runtime/file_digest.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/platform.h"
#include "runtime/md5.h"

namespace pelorin {

u32 computeFileDigest(platform::FileSystem& fileSystem, const char16_t* path, u8* digest) {
    std::memset(digest, 0, MD5_DIGEST_SIZE);
    // On the heap: the scanners call this deep inside their recursion.
    std::unique_ptr<u8[]> piece(new (std::nothrow) u8[FILE_DIGEST_PIECE_SIZE]);
    if (!piece) return ERR_NO_MEMORY;
    std::unique_ptr<platform::File> file;
    if (u32 error = fileSystem.openForReading(path, file)) return error;

    Md5Engine engine;
    for (;;) {
        u32 got = 0;
        if (u32 error = file->read(piece.get(), FILE_DIGEST_PIECE_SIZE, got)) return error;
        if (got == 0) break;
        engine.update(piece.get(), got);
    }
    engine.finalize();
    engine.copyDigest(digest);
    return ERR_OK;
}

u32 computeFileDigest(const char16_t* path, u8* digest) {
    return computeFileDigest(platform::fileSystem(), path, digest);
}

}  // namespace pelorin
