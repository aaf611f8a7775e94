#pragma once
// Writes a resource container: the 64-byte header, the three directory levels (type, language,
// id) and the payloads, all offsets relative to the container's first byte.
#include <cstdint>
#include <vector>

namespace pelorin::respack {

struct ContainerEntry {
    std::uint16_t type = 0;
    std::uint16_t language = 0;
    std::uint32_t id = 0;
    bool stored = false;               // flag bit 0: the payload is kept uncompressed
    std::uint32_t unpackedSize = 0;    // U
    std::vector<std::uint8_t> bytes;   // stored: the U bytes; packed: the LZARI stream
};

// A payload packed with LZARI.
ContainerEntry packedEntry(std::uint16_t type, std::uint16_t language, std::uint32_t id,
                           const std::vector<std::uint8_t>& data);
// A payload kept as it is.
ContainerEntry storedEntry(std::uint16_t type, std::uint16_t language, std::uint32_t id,
                           const std::vector<std::uint8_t>& data);

// Types appear in the directory in the order of their first entry, languages within a type
// likewise, ids within a language in the order given.
std::vector<std::uint8_t> writeContainer(const std::vector<ContainerEntry>& entries);

// The executable with the container behind it and the 32-byte trailer that points to it.
std::vector<std::uint8_t> appendContainer(const std::vector<std::uint8_t>& image,
                                          const std::vector<std::uint8_t>& container);

}  // namespace pelorin::respack
