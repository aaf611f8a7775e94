#pragma once
// One node of a snapshot: a packed record, laid out exactly as in the snapshot file except that
// the three links hold pool handles instead of serials and the name is always UTF-16:
//   flags u16 | valueType u8 | 0 u8 | serial u32 | parent u32 | firstChild u32 | nextSibling u32
//   | name (UTF-16 + NUL) | digest 16 | size u64 | attributes u16 | time u64 | data (prefix + bytes)
// The optional blocks are present only when their flag is set. Records are only padded to an
// even address, so multi-byte fields are read with memcpy.
#include <cstring>

#include "runtime/types.h"

namespace pelorin {

enum NodeFlags : u16 {
    NODE_LEAF = 0x0001,           // file, stream or registry value
    NODE_HAS_DIGEST = 0x0002,
    NODE_HAS_SIZE = 0x0004,
    NODE_HAS_ATTRIBUTES = 0x0008,
    NODE_HAS_TIME = 0x0010,
    NODE_HAS_DATA = 0x0020,
    NODE_NARROW_NAME = 0x0040,    // file form only: 8-bit name
    NODE_SEEN = 0x0080,           // found again in pass 2; never cleared
    NODE_INDEXED = 0x0100,        // memory only: the tree keeps a name index of this node's children
    NODE_CHECK_BITS = 0xC000,     // file form only: two bits of the record checksum
};

// Flag bits that mean something only in memory; the snapshot file writer leaves them out.
constexpr u16 NODE_MEMORY_ONLY_FLAGS = NODE_INDEXED;

constexpr u32 NODE_HEADER_SIZE = 20;
constexpr u32 NODE_DIGEST_SIZE = 16;

class SnapshotNode {
public:
    SnapshotNode() = delete;

    u16 flags() const { return read<u16>(0); }
    void setFlags(u16 flags) { write<u16>(0, flags); }
    void addFlags(u16 bits) { setFlags(static_cast<u16>(flags() | bits)); }
    bool isLeaf() const { return flags() & NODE_LEAF; }
    bool isSeen() const { return flags() & NODE_SEEN; }
    void markSeen() { addFlags(NODE_SEEN); }
    u8 valueType() const { return bytes()[2]; }
    u32 serial() const { return read<u32>(4); }

    // Links as pool handles (0 = none); resolve them through the tree.
    u32 parentLink() const { return read<u32>(8); }
    u32 firstChildLink() const { return read<u32>(12); }
    u32 nextSiblingLink() const { return read<u32>(16); }

    const char16_t* name() const { return reinterpret_cast<const char16_t*>(bytes() + NODE_HEADER_SIZE); }
    u32 nameLength() const;

    // Each gives the block's place, or null when its flag is clear.
    const u8* digestOf() const;
    const u8* sizeOf() const;         // u64, little-endian
    const u8* attributesOf() const;   // u16
    const u8* timeOf() const;         // u64 FILETIME
    // The data bytes and their length; null and 0 without NODE_HAS_DATA.
    const u8* dataOf(u32* length) const;

    // Convenience readers of the blocks (0 when absent).
    u64 sizeValue() const;
    u16 attributesValue() const;
    u64 timeValue() const;

    const u8* bytes() const { return reinterpret_cast<const u8*>(this); }
    u8* bytes() { return reinterpret_cast<u8*>(this); }

    template <typename T>
    T read(u32 offset) const {
        T v;
        std::memcpy(&v, bytes() + offset, sizeof v);
        return v;
    }
    template <typename T>
    void write(u32 offset, T v) {
        std::memcpy(bytes() + offset, &v, sizeof v);
    }

private:
    const u8* afterName() const { return bytes() + NODE_HEADER_SIZE + 2 * (nameLength() + 1); }
};

// Total length of a record in its packed form: header, name with NUL, present blocks, and for
// data its prefix and bytes (the in-memory even padding is not counted).
u32 recordSize(const SnapshotNode* node);

// Size of the length prefix of a data block of `length` bytes.
inline u32 dataPrefixSize(u32 length) { return length < 128 ? 1 : 4; }

// Reads a data block's length prefix at `p`; `prefixSize` receives 1 or 4.
u32 readDataLength(const u8* p, u32* prefixSize);

// The CRC kept in two bits of every snapshot file record (reflected, polynomial 0x84088408).
u32 recordChecksum(const u8* bytes, u32 length);

}  // namespace pelorin
