#pragma once
// LZARI decompression (Okumura's LZ77 coder with adaptive arithmetic coding) for the payloads of
// the resource container.
#include "runtime/types.h"

namespace pelorin {

// Decodes the LZARI stream `packed` (its first four bytes repeat the unpacked size,
// little-endian) into exactly `size` bytes at `out`. Gives 0; ERR_BAD_FORMAT (11) when the
// stream is shorter than four bytes, a literal or match would run past `size`, or packed bytes
// are left over or missing at the end; ERR_INVALID_DATA (13) when the stream's size word is not
// `size`. On failure the contents of `out` are undefined.
u32 decodeLzari(const u8* packed, u32 packedSize, u8* out, u32 size);

}  // namespace pelorin
