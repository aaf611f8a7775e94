#include "snapshot/snapshot_node.h"

namespace pelorin {

u32 SnapshotNode::nameLength() const {
    const char16_t* n = name();
    u32 length = 0;
    while (n[length]) ++length;
    return length;
}

const u8* SnapshotNode::digestOf() const {
    return flags() & NODE_HAS_DIGEST ? afterName() : nullptr;
}

const u8* SnapshotNode::sizeOf() const {
    u16 f = flags();
    if (!(f & NODE_HAS_SIZE)) return nullptr;
    return afterName() + (f & NODE_HAS_DIGEST ? 16 : 0);
}

const u8* SnapshotNode::attributesOf() const {
    u16 f = flags();
    if (!(f & NODE_HAS_ATTRIBUTES)) return nullptr;
    return afterName() + (f & NODE_HAS_DIGEST ? 16 : 0) + (f & NODE_HAS_SIZE ? 8 : 0);
}

const u8* SnapshotNode::timeOf() const {
    u16 f = flags();
    if (!(f & NODE_HAS_TIME)) return nullptr;
    return afterName() + (f & NODE_HAS_DIGEST ? 16 : 0) + (f & NODE_HAS_SIZE ? 8 : 0) +
           (f & NODE_HAS_ATTRIBUTES ? 2 : 0);
}

const u8* SnapshotNode::dataOf(u32* length) const {
    u16 f = flags();
    if (!(f & NODE_HAS_DATA)) {
        if (length) *length = 0;
        return nullptr;
    }
    const u8* p = afterName() + (f & NODE_HAS_DIGEST ? 16 : 0) + (f & NODE_HAS_SIZE ? 8 : 0) +
                  (f & NODE_HAS_ATTRIBUTES ? 2 : 0) + (f & NODE_HAS_TIME ? 8 : 0);
    u32 prefix = 0;
    u32 n = readDataLength(p, &prefix);
    if (length) *length = n;
    return p + prefix;
}

u64 SnapshotNode::sizeValue() const {
    const u8* p = sizeOf();
    u64 v = 0;
    if (p) std::memcpy(&v, p, 8);
    return v;
}

u16 SnapshotNode::attributesValue() const {
    const u8* p = attributesOf();
    u16 v = 0;
    if (p) std::memcpy(&v, p, 2);
    return v;
}

u64 SnapshotNode::timeValue() const {
    const u8* p = timeOf();
    u64 v = 0;
    if (p) std::memcpy(&v, p, 8);
    return v;
}

u32 readDataLength(const u8* p, u32* prefixSize) {
    if (p[0] < 0x80) {
        *prefixSize = 1;
        return p[0];
    }
    *prefixSize = 4;
    return (static_cast<u32>(p[0] & 0x7F) << 24) | (static_cast<u32>(p[1]) << 16) |
           (static_cast<u32>(p[2]) << 8) | p[3];
}

u32 recordSize(const SnapshotNode* node) {
    u16 f = node->flags();
    u32 size = NODE_HEADER_SIZE + 2 * (node->nameLength() + 1);
    if (f & NODE_HAS_DIGEST) size += 16;
    if (f & NODE_HAS_SIZE) size += 8;
    if (f & NODE_HAS_ATTRIBUTES) size += 2;
    if (f & NODE_HAS_TIME) size += 8;
    if (f & NODE_HAS_DATA) {
        u32 length = 0;
        node->dataOf(&length);
        size += dataPrefixSize(length) + length;
    }
    return size;
}

namespace {
struct ChecksumTable {
    u32 entries[256];
    constexpr ChecksumTable() : entries() {
        for (u32 i = 0; i < 256; ++i) {
            u32 c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0x84088408u : c >> 1;
            entries[i] = c;
        }
    }
};
constexpr ChecksumTable kChecksumTable;
}  // namespace

u32 recordChecksum(const u8* bytes, u32 length) {
    if (length == 0) return 0;
    u32 crc = 0xFFFFFFFFu;
    for (u32 i = 0; i < length; ++i) crc = (crc >> 8) ^ kChecksumTable.entries[(crc ^ bytes[i]) & 0xFF];
    return ~crc;
}

}  // namespace pelorin
