#pragma once
// LZARI compression for the resource container's payloads: Okumura's published LZ77 coder with
// adaptive arithmetic coding (ring of 4096 bytes, matches of 3 to 60 bytes, 15-bit coder).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelorin::respack {

// Gives the packed stream: the unpacked size (4 bytes, little-endian), then the coded bits
// padded with zeros to a whole byte. An empty input gives only the size word.
std::vector<std::uint8_t> encodeLzari(const std::uint8_t* data, std::size_t size);

inline std::vector<std::uint8_t> encodeLzari(const std::vector<std::uint8_t>& data) {
    return encodeLzari(data.data(), data.size());
}

}  // namespace pelorin::respack
