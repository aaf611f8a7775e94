#pragma once
// Basic integer types and the error codes shared by every part of the program.
#include <cstddef>
#include <cstdint>

namespace pelorin {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using i32 = std::int32_t;
using i64 = std::int64_t;

// Every operation that can fail gives one of these (0 = success). Codes below 256 are Windows
// error codes; from 256 on they are the runtime's own. The string table holds a text for each
// code at id 10500 + code.
enum ErrorCode : u32 {
    ERR_OK = 0,
    ERR_ACCESS_DENIED = 5,    // also: directory deeper than 1024 levels, key that cannot be queried
    ERR_BAD_FORMAT = 11,      // invalid snapshot file or resource payload
    ERR_INVALID_DATA = 13,
    ERR_READ = 256,           // a read gave fewer bytes than asked for
    ERR_WRITE = 257,          // a write wrote fewer bytes than asked for
    ERR_NO_MEMORY = 260,
    ERR_NOT_CONTAINER = 263,
    ERR_CANCELLED = 270,
    ERR_BAD_VALUE = 296,      // a missing or bad argument
};

}  // namespace pelorin
