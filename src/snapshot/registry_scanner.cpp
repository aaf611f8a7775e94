#include "snapshot/registry_scanner.h"

#include <cstring>
#include <new>

#include "platform/platform.h"
#include "runtime/format.h"
#include "runtime/string_table.h"
#include "runtime/text.h"
#include "snapshot/snapshot_tree.h"

namespace pelorin {
namespace {

const RegistryScanRoot kHives[] = {
    {u"HKLM", platform::RegistryRoot::LOCAL_MACHINE, nullptr},
    {u"HKU", platform::RegistryRoot::USERS, nullptr},
};

// Makes `buffer` hold at least `needed` elements. A buffer that is too small is released first
// and replaced by one of exactly that size; its contents are not kept.
template <typename T>
bool reserveBuffer(std::unique_ptr<T[]>& buffer, u32& capacity, u64 needed) {
    if (buffer && capacity >= needed) return true;
    buffer.reset();
    capacity = 0;
    if (needed > 0xFFFFFFFFu) return false;
    buffer.reset(new (std::nothrow) T[static_cast<std::size_t>(needed)]);
    if (!buffer) return false;
    capacity = static_cast<u32>(needed);
    return true;
}

// Appends to a NUL-terminated text in a buffer of `capacity` units, cutting at its end.
void appendBounded(char16_t* buffer, u32 capacity, u32& used, const char16_t* text) {
    while (*text && used + 1 < capacity) buffer[used++] = *text++;
    if (used < capacity) buffer[used] = 0;
}

}  // namespace

RegistryScanner::RegistryScanner(ProgressSink* sink, u32 dataSizeThreshold, StringLoader loader)
    : sink_(sink),
      dataSizeThreshold_(dataSizeThreshold),
      digestEngine_(new (std::nothrow) Md5Engine()),
      loader_(loader ? loader : &loadString),
      registry_(platform::current().registry),
      roots_(kHives),
      rootCount_(sizeof kHives / sizeof kHives[0]) {}

RegistryScanner::~RegistryScanner() = default;

void RegistryScanner::setRoots(const RegistryScanRoot* roots, u32 count) {
    roots_ = roots;
    rootCount_ = roots ? count : 0;
}

void RegistryScanner::loadText(char* buffer, u32 capacity, u32 id) {
    // A loader with no string table leaves the buffer alone; a missing text reads "?".
    copyBounded(buffer, capacity, "?");
    loader_(buffer, capacity, id, false);
}

u32 RegistryScanner::runRegistryPass(bool showDetails, bool compareMode, SnapshotTree* tree, u32* changeCount) {
    valueCount_ = 0;
    totalDataBytes_ = 0;
    if (!tree || !registry_) return ERR_BAD_VALUE;
    std::unique_ptr<char16_t[]> pathBuffer(new (std::nothrow) char16_t[REGISTRY_PATH_BUFFER_BYTES / 2]);
    if (!pathBuffer) return ERR_NO_MEMORY;

    u32 result = ERR_OK;
    for (u32 i = 0; i < rootCount_ && result == ERR_OK; ++i) {
        const RegistryScanRoot& root = roots_[i];
        SnapshotNode* node;
        if (compareMode) {
            node = tree->findTopLevel(root.name);
            if (!node) continue;  // nothing recorded to compare this hive with
        } else {
            node = tree->addNode(0, false, nullptr, root.name, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
            if (!node) {
                result = ERR_NO_MEMORY;
                break;
            }
            node->markSeen();  // a top-level record is never reported as removed
        }
        platform::RegistryKey key;
        if (root.subkeyPath) {
            result = registry_->openPath(root.root, root.subkeyPath, key);
            if (result != ERR_OK) break;
        } else {
            key = registry_->predefinedKey(root.root);
        }
        result = walkKey(showDetails, compareMode, tree, node, root.name, key, pathBuffer.get(),
                         REGISTRY_PATH_BUFFER_BYTES, changeCount);
    }
    if (result == ERR_OK && compareMode) reportRemovals(tree, changeCount);
    pathBuffer.reset();
    if (result != ERR_OK) return result;
    showTotals();
    return ERR_OK;
}

void RegistryScanner::showTotals() {
    char number[80];
    char format[1024];
    formatText(number, sizeof number, "%$lu", valueCount_);
    loadText(format, sizeof format, TEXT_REGISTRY_COUNT);
    status(STATUS_ALWAYS, 3, format, static_cast<const char*>(number));
    formatText(number, sizeof number, "%$hu", totalDataBytes_);
    loadText(format, sizeof format, TEXT_REGISTRY_SIZE);
    status(STATUS_ALWAYS, 3, format, static_cast<const char*>(number));
}

u32 RegistryScanner::walkKey(bool showDetails, bool compareMode, SnapshotTree* tree, SnapshotNode* keyNode,
                             const char16_t* keyPath, const platform::RegistryKey& key, char16_t* pathBuffer,
                             u32 pathBufferBytes, u32* changeCount) {
    if (sink_ && sink_->isCancelled()) return ERR_CANCELLED;
    if (compareMode && !keyNode) return ERR_OK;  // nothing recorded to compare with
    platform::RegistryKeyInfo info;
    if (registry_->queryKeyInfo(key, info) != 0) return ERR_ACCESS_DENIED;

    if (info.valueCount > 0) {
        if (!reserveBuffer(valueNameBuffer_, valueNameCapacity_, u64{info.longestValueName} + REGISTRY_BUFFER_SLACK) ||
            !reserveBuffer(valueDataBuffer_, valueDataCapacity_, u64{info.longestValueData} + REGISTRY_BUFFER_SLACK))
            return ERR_NO_MEMORY;
        for (u32 index = 0;; ++index) {
            platform::RegistryValueInfo value;
            // Any failure ends this key's values: the last one, or one that outgrew the slack.
            if (registry_->enumerateValue(key, index, valueNameBuffer_.get(), valueNameCapacity_,
                                          valueDataBuffer_.get(), valueDataCapacity_, value) != 0 ||
                value.dataSize > valueDataCapacity_)
                break;
            handleValue(showDetails, compareMode, tree, keyNode, keyPath, value, pathBuffer, pathBufferBytes,
                        changeCount);
        }
    }

    if (info.subkeyCount > 0) {
        if (!reserveBuffer(subkeyNameBuffer_, subkeyNameCapacity_, u64{info.longestSubkeyName} + REGISTRY_BUFFER_SLACK))
            return ERR_NO_MEMORY;
        // This key's own child path: a subkey walked below overwrites the shared name buffer.
        const u64 childPathUnits = textLength(keyPath) + u64{info.longestSubkeyName} + 10;
        std::unique_ptr<char16_t[]> childPath;
        u32 childPathCapacity = 0;
        if (!reserveBuffer(childPath, childPathCapacity, childPathUnits)) return ERR_NO_MEMORY;
        const u32 keyPathUnits = static_cast<u32>(copyBounded(childPath.get(), childPathCapacity, keyPath));

        for (u32 index = 0;; ++index) {
            u32 nameLength = 0;
            // The buffer is looked up anew each time: a deeper level may have replaced it.
            if (registry_->enumerateSubkey(key, index, subkeyNameBuffer_.get(), subkeyNameCapacity_, nameLength) != 0)
                break;
            const char16_t* name = subkeyNameBuffer_.get();
            u32 used = keyPathUnits;
            appendBounded(childPath.get(), childPathCapacity, used, u"\\");
            appendBounded(childPath.get(), childPathCapacity, used, name);
            if (showDetails) status(STATUS_DETAIL, 3, "%ls", static_cast<const char16_t*>(childPath.get()));

            SnapshotNode* childNode = nullptr;
            if (compareMode) {
                childNode = matchSubkey(tree, keyNode, name, childPath.get(), changeCount);
                if (!childNode) continue;  // new: reported once, its content not looked at
            } else if (keyNode) {
                childNode = tree->addNode(0, false, keyNode, name, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
            }

            platform::RegistryKey child;
            if (registry_->openKey(key, name, child) != 0) continue;  // e.g. access denied
            const u32 result = walkKey(showDetails, compareMode, tree, childNode, childPath.get(), child, pathBuffer,
                                       pathBufferBytes, changeCount);
            if (result != ERR_OK) return result;
        }
    }
    return ERR_OK;
}

void RegistryScanner::computeDigest(const u8* data, u32 size, u8* digest) {
    if (!digestEngine_) {
        std::memset(digest, 0, MD5_DIGEST_SIZE);
        return;
    }
    digestEngine_->init();
    digestEngine_->update(data, size);
    digestEngine_->finalize();
    digestEngine_->copyDigest(digest);
}

void RegistryScanner::handleValue(bool showDetails, bool compareMode, SnapshotTree* tree, SnapshotNode* keyNode,
                                  const char16_t* keyPath, const platform::RegistryValueInfo& value,
                                  char16_t* pathBuffer, u32 pathBufferBytes, u32* changeCount) {
    u8 digest[MD5_DIGEST_SIZE];
    const bool digested = value.dataSize >= dataSizeThreshold_;
    if (digested) computeDigest(valueDataBuffer_.get(), value.dataSize, digest);
    const LiveValue live{valueNameBuffer_.get(), static_cast<u8>(value.type & 0xFF), valueDataBuffer_.get(),
                         value.dataSize, digested ? digest : nullptr};

    if (showDetails) {
        const char* digestText = !digested ? "-" : digestEngine_ ? digestEngine_->buildHexText() : "?";
        status(STATUS_DETAIL, 4, "%ls %ls", live.name, keyPath);
        status(STATUS_DETAIL, 5, digestText);
    }
    if (compareMode) {
        compareValue(tree, keyNode, live, pathBuffer, pathBufferBytes, changeCount);
    } else if (keyNode) {
        recordValue(tree, keyNode, live);
    }
    ++valueCount_;
    totalDataBytes_ += value.dataSize;
}

void RegistryScanner::recordValue(SnapshotTree* tree, SnapshotNode* keyNode, const LiveValue& value) {
    // A value that fails to be recorded (no memory) is left out; the walk goes on.
    if (value.digest) {
        tree->addNode(value.type, true, keyNode, value.name, value.digest, nullptr, nullptr, nullptr, nullptr, 0);
    } else {
        // An empty value gets no data block: addNode leaves it out for a zero length.
        tree->addNode(value.type, true, keyNode, value.name, nullptr, nullptr, nullptr, nullptr, value.data,
                      value.size);
    }
}

}  // namespace pelorin
