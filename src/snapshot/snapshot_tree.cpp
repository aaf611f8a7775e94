#include "snapshot/snapshot_tree.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/system.h"
#include "runtime/allocation_hook.h"
#include "runtime/string_table.h"
#include "ui/progress_sink.h"

namespace pelorin {
namespace {

// A parent gets a name index of its children once a lookup had to walk this many of them:
// small lists stay plain, large ones (a directory of 100,000 files) stop costing a walk each.
constexpr u32 kIndexAfterWalking = 32;

u32 hashName(const char16_t* name, u32 length, bool leaf) {
    u32 h = 2166136261u ^ (leaf ? 0x9E3779B9u : 0);
    for (u32 i = 0; i < length; ++i) {
        h ^= name[i];
        h *= 16777619u;
    }
    return h ^ (h >> 15);
}

bool nameEquals(const SnapshotNode* node, const char16_t* name, u32 length) {
    const char16_t* n = node->name();
    for (u32 i = 0; i < length; ++i)
        if (n[i] != name[i]) return false;
    return n[length] == 0;
}

u32 length16(const char16_t* text) {
    u32 n = 0;
    while (text[n]) ++n;
    return n;
}

}  // namespace

// Open addressing over node links; holds, per (name, leaf), the newest child only, which is
// exactly the node a walk of the newest-first list would find first.
struct SnapshotTree::ChildIndex {
    u32* slots = nullptr;
    u32 mask = 0;
    u32 count = 0;
    ~ChildIndex() { std::free(slots); }
};

SnapshotTree::SnapshotTree(ProgressSink* sink, u32 kind, StringLoader loader)
    : sink_(sink), kind_(kind), pool_(new (std::nothrow) NodePool()) {
    if (!loader) loader = &loadString;
    if (kind == TREE_REGISTRY) {
        exclusions_.load(REGISTRY_EXCLUSIONS_FIRST_ID, loader);
    } else if (kind == TREE_FILE_SYSTEM) {
        setWindowsDirectory(platform::windowsDirectoryOrEmpty().c_str());
        exclusions_.load(FILE_EXCLUSIONS_FIRST_ID, loader);
    }
}

SnapshotTree::~SnapshotTree() = default;

void SnapshotTree::setWindowsDirectory(const char16_t* directory) {
    u32 n = 0;
    while (directory && directory[n] && n < 256) {
        windowsDirectory_[n] = directory[n];
        ++n;
    }
    windowsDirectory_[n] = 0;
    windowsDirectoryLength_ = n;
}

u32 SnapshotTree::linkOf(const SnapshotNode* node) const {
    return node && pool_ ? pool_->handleOf(node) : 0;
}

SnapshotNode* SnapshotTree::addNode(u8 valueType, bool leaf, SnapshotNode* parent, const char16_t* name,
                                    const u8* digest, const u64* size, const u16* attributes,
                                    const u64* time, const u8* data, u32 dataLength) {
    if (!name || !pool_) return nullptr;
    u32 nameLength = length16(name);
    bool hasData = data && dataLength;
    u64 bytes = NODE_HEADER_SIZE + 2 * (static_cast<u64>(nameLength) + 1);
    if (digest) bytes += NODE_DIGEST_SIZE;
    if (size) bytes += 8;
    if (attributes) bytes += 2;
    if (time) bytes += 8;
    if (hasData) {
        if (dataLength > 0x7FFFFFFFu) return nullptr;  // the length prefix holds 31 bits
        bytes += dataPrefixSize(dataLength) + static_cast<u64>(dataLength);
    }
    if (bytes > 0xFFFFFFF0u) return nullptr;
    u32 recordBytes = static_cast<u32>(bytes);
    if (recordBytes > largestNodeSize_) largestNodeSize_ = recordBytes;

    u32 parentLink = parent ? linkOf(parent) : 0;
    u32 link = 0;
    // Records start at even addresses so that names can be read as UTF-16 in place.
    auto* p = static_cast<u8*>(pool_->allocate((recordBytes + 1) & ~1u, &link));
    if (!p) return nullptr;
    auto* node = reinterpret_cast<SnapshotNode*>(p);

    ++nodeCount_;
    std::memset(p, 0, NODE_HEADER_SIZE);
    p[2] = valueType;
    node->write<u32>(4, nextSerial_++);
    if (parent) {
        node->write<u32>(16, parent->firstChildLink());
        parent->write<u32>(12, link);
    } else {
        node->write<u32>(16, firstTopLevel_);
        firstTopLevel_ = link;
    }
    node->write<u32>(8, parentLink);

    u16 flags = leaf ? NODE_LEAF : 0;
    if (digest) flags |= NODE_HAS_DIGEST;
    if (size) flags |= NODE_HAS_SIZE;
    if (attributes) flags |= NODE_HAS_ATTRIBUTES;
    if (time) flags |= NODE_HAS_TIME;
    if (hasData) flags |= NODE_HAS_DATA;
    node->setFlags(flags);

    u8* out = p + NODE_HEADER_SIZE;
    std::memcpy(out, name, 2 * (nameLength + 1));
    out += 2 * (nameLength + 1);
    if (digest) { std::memcpy(out, digest, 16); out += 16; }
    if (size) { std::memcpy(out, size, 8); out += 8; }
    if (attributes) { std::memcpy(out, attributes, 2); out += 2; }
    if (time) { std::memcpy(out, time, 8); out += 8; }
    if (hasData) {
        if (dataLength < 128) {
            *out++ = static_cast<u8>(dataLength);
        } else {
            *out++ = static_cast<u8>(0x80 | (dataLength >> 24));
            *out++ = static_cast<u8>(dataLength >> 16);
            *out++ = static_cast<u8>(dataLength >> 8);
            *out++ = static_cast<u8>(dataLength);
        }
        std::memcpy(out, data, dataLength);
    }

    if (parent && (parent->flags() & NODE_INDEXED)) {
        auto it = indexes_.find(parentLink);
        if (it != indexes_.end()) indexInsert(*it->second, link, node);
    }
    return node;
}

void SnapshotTree::indexInsert(ChildIndex& index, u32 link, SnapshotNode* node) {
    if ((index.count + 1) * 4 > (index.mask + 1) * 3) {
        // Grow to keep the table at most three quarters full.
        u32 newSize = (index.mask + 1) * 2;
        auto* slots = static_cast<u32*>(std::calloc(newSize, sizeof(u32)));
        if (slots) {
            for (u32 i = 0; i <= index.mask; ++i) {
                u32 l = index.slots[i];
                if (!l) continue;
                const SnapshotNode* n = resolve(l);
                u32 h = hashName(n->name(), n->nameLength(), n->isLeaf()) & (newSize - 1);
                while (slots[h]) h = (h + 1) & (newSize - 1);
                slots[h] = l;
            }
            indexBytes_ += static_cast<u64>(newSize - (index.mask + 1)) * sizeof(u32);
            std::free(index.slots);
            index.slots = slots;
            index.mask = newSize - 1;
        } else if (index.count == index.mask) {
            return;  // full and cannot grow: the node stays findable by the walk below
        }
    }
    u32 length = node->nameLength();
    bool leaf = node->isLeaf();
    u32 h = hashName(node->name(), length, leaf) & index.mask;
    while (index.slots[h]) {
        SnapshotNode* other = resolve(index.slots[h]);
        if (other->isLeaf() == leaf && nameEquals(other, node->name(), length)) {
            index.slots[h] = link;  // the newer twin hides the older one, as in the list
            return;
        }
        h = (h + 1) & index.mask;
    }
    index.slots[h] = link;
    ++index.count;
}

SnapshotNode* SnapshotTree::indexFind(const ChildIndex& index, const char16_t* name, u32 nameLength,
                                      bool leaf) const {
    u32 h = hashName(name, nameLength, leaf) & index.mask;
    while (u32 l = index.slots[h]) {
        SnapshotNode* n = resolve(l);
        if (n->isLeaf() == leaf && nameEquals(n, name, nameLength)) return n;
        h = (h + 1) & index.mask;
    }
    return nullptr;
}

bool SnapshotTree::buildIndex(SnapshotNode* parent, u32 parentLink) {
    u32 count = 0;
    for (SnapshotNode* c = firstChild(parent); c; c = nextSibling(c)) ++count;
    u32 size = 16;
    while (size < count + count / 3 + 1) size *= 2;
    auto index = std::unique_ptr<ChildIndex>(new (std::nothrow) ChildIndex);
    if (!index) return false;
    index->slots = static_cast<u32*>(std::calloc(size, sizeof(u32)));
    if (!index->slots) return false;
    index->mask = size - 1;
    // Oldest first, so that a newer twin replaces an older one.
    std::vector<u32> links;
    try {
        links.reserve(count);
        for (u32 l = parent->firstChildLink(); l; l = resolve(l)->nextSiblingLink()) links.push_back(l);
        for (auto it = links.rbegin(); it != links.rend(); ++it) indexInsert(*index, *it, resolve(*it));
        indexBytes_ += static_cast<u64>(index->mask + 1) * sizeof(u32) + sizeof(ChildIndex);
        indexes_.emplace(parentLink, std::move(index));
    } catch (const std::bad_alloc&) {
        return false;  // no index: lookups keep walking the list
    }
    parent->addFlags(NODE_INDEXED);
    return true;
}

SnapshotNode* SnapshotTree::findChild(SnapshotNode* parent, const char16_t* name, bool leaf) {
    if (!name) return nullptr;
    if (!parent) {
        parent = firstTopLevel();
        if (!parent) return nullptr;
    }
    u32 nameLength = length16(name);
    if (parent->flags() & NODE_INDEXED) {
        auto it = indexes_.find(linkOf(parent));
        if (it != indexes_.end()) return indexFind(*it->second, name, nameLength, leaf);
    }
    u32 walked = 0;
    for (SnapshotNode* c = firstChild(parent); c; c = nextSibling(c)) {
        if (c->isLeaf() == leaf && nameEquals(c, name, nameLength)) {
            if (walked > kIndexAfterWalking) buildIndex(parent, linkOf(parent));
            return c;
        }
        ++walked;
    }
    if (walked > kIndexAfterWalking) buildIndex(parent, linkOf(parent));
    return nullptr;
}

SnapshotNode* SnapshotTree::findTopLevel(const char16_t* name) const {
    if (!name) return nullptr;
    u32 nameLength = length16(name);
    for (SnapshotNode* n = firstTopLevel(); n; n = nextSibling(n))
        if (nameEquals(n, name, nameLength)) return n;
    return nullptr;
}

void SnapshotTree::buildPath(const SnapshotNode* node, char16_t* buffer, u32 capacityBytes) const {
    u32 capacity = capacityBytes / 2;
    if (!buffer || capacity == 0) return;
    buffer[0] = 0;
    if (!node) return;
    const SnapshotNode* chain[1024];
    u32 depth = 0;
    for (const SnapshotNode* n = node; n && depth < 1024; n = parent(n)) chain[depth++] = n;
    u32 used = 0;
    auto append = [&](const char16_t* text) {
        while (*text && used + 1 < capacity) buffer[used++] = *text++;
        buffer[used] = 0;
    };
    for (u32 i = depth; i-- > 0;) {
        if (i + 1 != depth) append(u"\\");
        append(chain[i]->name());
    }
}

void SnapshotTree::reportUnseen(SnapshotNode* start, const char* label, u32* changeCount) {
    constexpr u32 kPathUnits = 8192;
    std::unique_ptr<char16_t[]> path(new (std::nothrow) char16_t[kPathUnits]);
    if (!path) return;
    if (!start) start = firstTopLevel();

    // Depth first without recursion: the stack holds the siblings still to visit.
    std::vector<SnapshotNode*> pending;
    // A corrupt snapshot file could link nodes in a cycle; a tree never visits more nodes than
    // it holds.
    u64 budget = static_cast<u64>(nodeCount_) + 1;
    SnapshotNode* n = start;
    try {
        while (n || !pending.empty()) {
            if (!n) {
                n = pending.back();
                pending.pop_back();
                continue;
            }
            if (budget-- == 0) return;
            if (!(n->flags() & NODE_SEEN)) {
                buildPath(n, path.get(), kPathUnits * 2);
                bool excluded = kind_ == TREE_REGISTRY ? isExcludedValue(path.get(), n->name())
                                                       : isExcludedFile(path.get());
                if (!excluded) {
                    if (sink_) {
                        sink_->addChange(kind_ == TREE_REGISTRY ? 4 : 9, n->name(), path.get(), 0, nullptr);
                        sink_->showStatus(STATUS_RUNNING, kind_ == TREE_REGISTRY ? 4 : 7, "%s %ls %ls",
                                          label, n->name(), path.get());
                    }
                    if (changeCount) ++*changeCount;
                }
            }
            SnapshotNode* child = firstChild(n);
            if (child) {
                pending.push_back(nextSibling(n));
                n = child;
            } else {
                n = nextSibling(n);
            }
        }
    } catch (const std::bad_alloc&) {
        // Out of memory for the walk's stack: the report stops where it is.
    }
}

bool SnapshotTree::isExcludedFile(const char16_t* path) const {
    if (!path || !path[0]) return false;
    for (u32 i = 0; i < windowsDirectoryLength_; ++i)
        if (path[i] != windowsDirectory_[i]) return false;  // also when the path ends earlier
    const char16_t* rest = path + windowsDirectoryLength_;
    if (*rest != 0 && *rest != u'\\') return false;
    return exclusions_.matchesFile(rest);
}

bool SnapshotTree::isExcludedValue(const char16_t* path, const char16_t* valueName) const {
    if (!path || exclusions_.count() == 0) return false;
    return exclusions_.matchesValue(path, valueName);
}

bool SnapshotTree::resetForLoading(u32 nodeCount, u32 nextSerial, u32 largestNodeSize, u32 blockSize) {
    indexes_.clear();
    indexBytes_ = 0;
    firstTopLevel_ = 0;
    pool_.reset(checkedNew<NodePool>());
    if (pool_ && blockSize) pool_->setBlockSize(blockSize);
    nodeCount_ = nodeCount;
    nextSerial_ = nextSerial;
    largestNodeSize_ = largestNodeSize;
    return pool_ != nullptr;
}

SnapshotNode* SnapshotTree::allocateRecord(u32 size, u32* link) {
    if (!pool_) return nullptr;
    return static_cast<SnapshotNode*>(pool_->allocate((size + 1) & ~1u, link));
}

}  // namespace pelorin
