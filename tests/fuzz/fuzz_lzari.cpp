// libFuzzer target: arbitrary LZARI streams. The unpacked size is the stream's own size word
// (the case that reaches the decoding loop); the decoder must stay inside the buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/lzari.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelorin;
    if (size > (1u << 20)) return 0;
    u32 unpacked = 0;
    if (size >= 4) unpacked = u32(data[0]) | u32(data[1]) << 8 | u32(data[2]) << 16 | u32(data[3]) << 24;
    // The container refuses sizes beyond 2048 bytes per packed byte before allocating.
    if (unpacked > 2048u * size) unpacked = static_cast<u32>(size);
    std::vector<u8> out(unpacked);
    const u32 e = decodeLzari(data, static_cast<u32>(size), out.data(), unpacked);
    if (e != 0 && e != ERR_BAD_FORMAT && e != ERR_INVALID_DATA) __builtin_trap();
    return 0;
}
