#pragma once
// One snapshot of one kind (registry or file system): packed node records in the tree's arena,
// children in singly linked lists, newest first. Pass 1 fills the tree; pass 2 only marks the
// nodes it finds again with NODE_SEEN; at the end the unseen ones are reported as removed.
#include <memory>
#include <unordered_map>

#include "runtime/types.h"
#include "snapshot/exclusion_list.h"
#include "snapshot/node_pool.h"
#include "snapshot/snapshot_node.h"

namespace pelorin {

class ProgressSink;

enum TreeKind : u32 {
    TREE_REGISTRY = 1,
    TREE_FILE_SYSTEM = 2,
};

// String ids of the built-in lists.
constexpr u32 REGISTRY_EXCLUSIONS_FIRST_ID = 10000;
constexpr u32 FILE_EXCLUSIONS_FIRST_ID = 20000;

class SnapshotTree {
public:
    // Kind 1 loads the registry exclusions, kind 2 the file exclusions (and reads the Windows
    // directory); other kinds load nothing. `loader` null means the program's string table.
    SnapshotTree(ProgressSink* sink, u32 kind, StringLoader loader = nullptr);
    ~SnapshotTree();
    SnapshotTree(const SnapshotTree&) = delete;
    SnapshotTree& operator=(const SnapshotTree&) = delete;

    // Creates a node under `parent` (or at top level) and gives it, or null without a name or
    // without memory. Optional blocks are given by pointer; data counts only with a non-zero
    // length.
    SnapshotNode* addNode(u8 valueType, bool leaf, SnapshotNode* parent, const char16_t* name,
                          const u8* digest, const u64* size, const u16* attributes, const u64* time,
                          const u8* data, u32 dataLength);

    // The newest child of `parent` with exactly this name and leaf bit. Without a parent the
    // first top-level node stands in as the parent.
    SnapshotNode* findChild(SnapshotNode* parent, const char16_t* name, bool leaf);
    // The newest top-level node with exactly this name, whatever its leaf bit.
    SnapshotNode* findTopLevel(const char16_t* name) const;

    // The node's full path: names from the top (at most 1024 of them) joined with "\",
    // truncated to the buffer (capacity in bytes).
    void buildPath(const SnapshotNode* node, char16_t* buffer, u32 capacityBytes) const;

    // Reports every node without NODE_SEEN from `start` (or the first top-level node) on, its
    // siblings and everything below, depth first, as removed (unless excluded).
    void reportUnseen(SnapshotNode* start, const char* label, u32* changeCount);

    bool isExcludedFile(const char16_t* path) const;
    bool isExcludedValue(const char16_t* path, const char16_t* valueName) const;

    // Links.
    SnapshotNode* resolve(u32 link) const {
        return link ? reinterpret_cast<SnapshotNode*>(pool_->resolve(link)) : nullptr;
    }
    SnapshotNode* parent(const SnapshotNode* node) const { return resolve(node->parentLink()); }
    SnapshotNode* firstChild(const SnapshotNode* node) const { return resolve(node->firstChildLink()); }
    SnapshotNode* nextSibling(const SnapshotNode* node) const { return resolve(node->nextSiblingLink()); }
    SnapshotNode* firstTopLevel() const { return resolve(firstTopLevel_); }
    u32 linkOf(const SnapshotNode* node) const;

    ProgressSink* sink() const { return sink_; }
    u32 kind() const { return kind_; }
    u32 nodeCount() const { return nodeCount_; }
    u32 nextSerial() const { return nextSerial_; }
    u32 largestNodeSize() const { return largestNodeSize_; }
    u32 recordsWritten = 0;  // counted by the snapshot file writer
    const char16_t* windowsDirectory() const { return windowsDirectory_; }
    u32 windowsDirectoryLength() const { return windowsDirectoryLength_; }
    const ExclusionList& exclusions() const { return exclusions_; }
    ExclusionList& exclusions() { return exclusions_; }
    void setWindowsDirectory(const char16_t* directory);

    // For the snapshot file reader: replaces all nodes by an empty new pool and sets the
    // counters; then records are placed with placeRecord and linked with setLinks.
    // A non-zero `blockSize` (above 1024) sizes the new pool's blocks: a small file needs no
    // block of the default size.
    bool resetForLoading(u32 nodeCount, u32 nextSerial, u32 largestNodeSize, u32 blockSize = 0);
    // Memory for one record of `size` bytes; `link` receives its handle.
    SnapshotNode* allocateRecord(u32 size, u32* link);
    void setFirstTopLevel(u32 link) { firstTopLevel_ = link; }

    // Heap bytes held by the arena, and by the child indexes.
    u64 arenaBytes() const { return pool_->totalBytes(); }
    u64 indexBytes() const { return indexBytes_; }

private:
    struct ChildIndex;
    bool buildIndex(SnapshotNode* parent, u32 parentLink);
    void indexInsert(ChildIndex& index, u32 link, SnapshotNode* node);
    SnapshotNode* indexFind(const ChildIndex& index, const char16_t* name, u32 nameLength, bool leaf) const;

    ProgressSink* sink_;
    u32 kind_;
    std::unique_ptr<NodePool> pool_;
    u32 firstTopLevel_ = 0;
    u32 nextSerial_ = 1;
    u32 nodeCount_ = 0;
    u32 largestNodeSize_ = 0;
    char16_t windowsDirectory_[257] = {};
    u32 windowsDirectoryLength_ = 0;
    ExclusionList exclusions_;
    std::unordered_map<u32, std::unique_ptr<ChildIndex>> indexes_;
    u64 indexBytes_ = 0;
};

}  // namespace pelorin
