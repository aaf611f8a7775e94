#pragma once
// MD5 digest of a file's contents, read through the platform seam.
#include "platform/file_system.h"
#include "runtime/types.h"

namespace pelorin {

// Size of the pieces a file is read in.
constexpr u32 FILE_DIGEST_PIECE_SIZE = 32768;

// Reads the file at `path` to its end and writes its 16-byte MD5 digest to `digest`. Gives 0, or
// the error code of the open or of a read (then `digest` is zeroed), or ERR_NO_MEMORY.
u32 computeFileDigest(platform::FileSystem& fileSystem, const char16_t* path, u8* digest);
// The same through the process-wide platform.
u32 computeFileDigest(const char16_t* path, u8* digest);

}  // namespace pelorin
