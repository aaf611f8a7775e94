// The rules of the comparing pass: what counts as a difference between the live registry and
// the recorded tree, and how it is reported. They change the tree only by marking NODE_SEEN.
#include <cstring>

#include "snapshot/registry_scanner.h"
#include "snapshot/snapshot_tree.h"

namespace pelorin {

namespace {

// Kinds of difference, numbered as the result list has them.
enum RegistryChange : u32 {
    CHANGE_KEY_ADDED = 1,
    CHANGE_VALUE_ADDED = 2,
    CHANGE_VALUE_CHANGED = 3,
    CHANGE_TYPE_CHANGED = 5,
};

}  // namespace

void RegistryScanner::reportChange(u32 kind, u32 line, const char16_t* text1, const char16_t* text2, u32 dataSize,
                                   const u8* data, u32* changeCount) {
    if (sink_) sink_->addChange(kind, text1, text2, dataSize, data);
    if (text2) {
        status(STATUS_RUNNING, line, "%ls %ls", text1, text2);
    } else {
        status(STATUS_RUNNING, line, "%ls", text1);
    }
    if (changeCount) ++*changeCount;
}

void RegistryScanner::compareValue(SnapshotTree* tree, SnapshotNode* keyNode, const LiveValue& value,
                                   char16_t* pathBuffer, u32 pathBufferBytes, u32* changeCount) {
    // The key's path is built from the records only when there is something to report; it
    // equals the live path, as names are matched exactly.
    auto reportUnlessExcluded = [&](u32 kind, u32 line, u32 dataSize, const u8* data) {
        tree->buildPath(keyNode, pathBuffer, pathBufferBytes);
        if (tree->isExcludedValue(pathBuffer, value.name)) return;
        reportChange(kind, line, value.name, pathBuffer, dataSize, data, changeCount);
    };

    SnapshotNode* recorded = tree->findChild(keyNode, value.name, true);
    if (!recorded) {
        reportUnlessExcluded(CHANGE_VALUE_ADDED, 4, 0, nullptr);
        return;
    }
    // Seen even when the difference below turns out to be excluded: an excluded value must not
    // come back as removed.
    recorded->markSeen();
    if (recorded->valueType() != value.type) {
        // The content of a value that changed its type is not compared.
        reportUnlessExcluded(CHANGE_TYPE_CHANGED, 3, 0, nullptr);
        return;
    }

    bool changed;
    u32 oldLength = 0;
    const u8* oldData = recorded->dataOf(&oldLength);
    if (oldData) {
        changed = oldLength != value.size || std::memcmp(oldData, value.data, value.size) != 0;
    } else if (const u8* oldDigest = recorded->digestOf()) {
        // Recorded as a digest: compared by digest whatever this pass's threshold says.
        u8 computed[MD5_DIGEST_SIZE];
        const u8* digest = value.digest;
        if (!digest) {
            computeDigest(value.data, value.size, computed);
            digest = computed;
        }
        changed = std::memcmp(oldDigest, digest, MD5_DIGEST_SIZE) != 0;
    } else {
        changed = value.size != 0;  // recorded empty
    }
    if (changed) reportUnlessExcluded(CHANGE_VALUE_CHANGED, 4, oldData ? oldLength : 0, oldData);
}

SnapshotNode* RegistryScanner::matchSubkey(SnapshotTree* tree, SnapshotNode* keyNode, const char16_t* name,
                                           const char16_t* childPath, u32* changeCount) {
    SnapshotNode* recorded = tree->findChild(keyNode, name, false);
    if (recorded) {
        recorded->markSeen();
        return recorded;
    }
    // A new key is one difference, whatever lies below it.
    if (!tree->isExcludedValue(childPath, nullptr))
        reportChange(CHANGE_KEY_ADDED, 4, childPath, nullptr, 0, nullptr, changeCount);
    return nullptr;
}

void RegistryScanner::reportRemovals(SnapshotTree* tree, u32* changeCount) {
    char label[256];
    loadText(label, sizeof label, TEXT_REGISTRY_VALUE_LABEL);
    tree->reportUnseen(nullptr, label, changeCount);
}

}  // namespace pelorin
