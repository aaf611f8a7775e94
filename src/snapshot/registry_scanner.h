#pragma once
// Walks the registry hives HKLM and HKU key by key. Pass 1 records every key and value into the
// registry SnapshotTree; pass 2 walks the live registry again and compares it on the fly against
// that tree: what is found again is marked NODE_SEEN, what is new or different is reported at
// once, and after both hives every unseen record is reported as removed.
//
// Values whose data reach the size threshold are recorded as their MD5 digest only, smaller
// ones whole. The three name and data buffers are reused for the whole run and only grow.
#include <memory>

#include "platform/registry.h"
#include "runtime/md5.h"
#include "runtime/types.h"
#include "snapshot/exclusion_list.h"
#include "ui/progress_sink.h"

namespace pelorin {

class SnapshotNode;
class SnapshotTree;

// String ids of the texts the scanner shows.
constexpr u32 TEXT_REGISTRY_VALUE_LABEL = 167;  // "Registry value"
constexpr u32 TEXT_REGISTRY_COUNT = 170;        // "Total registry count:  %s"
constexpr u32 TEXT_REGISTRY_SIZE = 171;         // "Total registry size:   %s"

// Slack over the sizes RegQueryInfoKeyW reports, so that a name or value that grew a little in
// between does not cost a reallocation or end the enumeration.
constexpr u32 REGISTRY_BUFFER_SLACK = 1024;
// The scratch buffer for paths of recorded keys: 8192 UTF-16 units.
constexpr u32 REGISTRY_PATH_BUFFER_BYTES = 16384;

// One key a pass walks, under the name of its top-level record. The program walks the two hives
// themselves; measurements may walk a key below one instead.
struct RegistryScanRoot {
    const char16_t* name;        // "HKLM", "HKU"
    platform::RegistryRoot root;
    const char16_t* subkeyPath;  // null: the hive's own key
};

class RegistryScanner {
public:
    // Reads the registry of the platform installed at construction. `loader` null means the
    // program's string table.
    RegistryScanner(ProgressSink* sink, u32 dataSizeThreshold, StringLoader loader = nullptr);
    ~RegistryScanner();
    RegistryScanner(const RegistryScanner&) = delete;
    RegistryScanner& operator=(const RegistryScanner&) = delete;

    // One pass over HKLM, then HKU: records into `tree` (compareMode false) or compares against
    // it. Gives 0, 5 (a key could not be queried), 260 (out of memory) or 270 (cancelled). The
    // totals are shown only after a pass without error; removals are reported only after a
    // comparison of both hives without error. `changeCount` (may be null) counts every
    // difference reported.
    //
    // A top-level record that cannot be created ends the recording with 260. When comparing, a
    // hive whose top-level record the tree lacks (a snapshot taken without it) is not walked at
    // all: with nothing recorded there is no difference to tell, and reporting the whole hive
    // as added would only bury the real ones.
    u32 runRegistryPass(bool showDetails, bool compareMode, SnapshotTree* tree, u32* changeCount);

    // Handles one open key and recurses into its subkeys. keyNode is the record of this key
    // (recording: the parent of new records; comparing: its recorded record); keyPath is its
    // display path ("HKLM\SOFTWARE\..."); pathBuffer is scratch space for paths of records.
    // Recording below a key whose record could not be created goes on walking (the totals stay
    // right) but records nothing: there is no record to link the children to. Comparing without
    // a record walks nothing.
    u32 walkKey(bool showDetails, bool compareMode, SnapshotTree* tree, SnapshotNode* keyNode,
                const char16_t* keyPath, const platform::RegistryKey& key, char16_t* pathBuffer,
                u32 pathBufferBytes, u32* changeCount);

    // Replaces the default roots (HKLM, HKU). The array must outlive the scanner's passes.
    void setRoots(const RegistryScanRoot* roots, u32 count);

    u32 dataSizeThreshold() const { return dataSizeThreshold_; }
    // Values enumerated in the current (or last) pass, and the sum of their data sizes.
    u32 valueCount() const { return valueCount_; }
    u64 totalDataBytes() const { return totalDataBytes_; }

    // A text of the scanner's string loader ("?" when it is missing); also for the lines shown
    // when a registry pass has ended.
    void loadText(char* buffer, u32 capacity, u32 id);

private:
    struct LiveValue {
        const char16_t* name;
        u8 type;  // low 8 bits
        const u8* data;
        u32 size;
        const u8* digest;  // the value's digest when its size reached the threshold, else null
    };

    void handleValue(bool showDetails, bool compareMode, SnapshotTree* tree, SnapshotNode* keyNode,
                     const char16_t* keyPath, const platform::RegistryValueInfo& value, char16_t* pathBuffer,
                     u32 pathBufferBytes, u32* changeCount);
    void recordValue(SnapshotTree* tree, SnapshotNode* keyNode, const LiveValue& value);
    void computeDigest(const u8* data, u32 size, u8* digest);
    void showTotals();

    // The comparison rules (registry_comparison.cpp).
    void compareValue(SnapshotTree* tree, SnapshotNode* keyNode, const LiveValue& value, char16_t* pathBuffer,
                      u32 pathBufferBytes, u32* changeCount);
    // The recorded record of a live subkey, marked seen; or null after reporting it as added.
    SnapshotNode* matchSubkey(SnapshotTree* tree, SnapshotNode* keyNode, const char16_t* name,
                              const char16_t* childPath, u32* changeCount);
    void reportRemovals(SnapshotTree* tree, u32* changeCount);
    void reportChange(u32 kind, u32 line, const char16_t* text1, const char16_t* text2, u32 dataSize,
                      const u8* data, u32* changeCount);

    template <typename... Args>
    void status(u32 mode, u32 line, const char* format, const Args&... args) {
        if (sink_) sink_->showStatus(mode, line, format, args...);
    }

    ProgressSink* sink_;
    u32 dataSizeThreshold_;
    std::unique_ptr<char16_t[]> valueNameBuffer_;
    u32 valueNameCapacity_ = 0;  // units
    std::unique_ptr<u8[]> valueDataBuffer_;
    u32 valueDataCapacity_ = 0;  // bytes
    std::unique_ptr<char16_t[]> subkeyNameBuffer_;
    u32 subkeyNameCapacity_ = 0;  // units
    std::unique_ptr<Md5Engine> digestEngine_;
    u32 valueCount_ = 0;
    u64 totalDataBytes_ = 0;

    StringLoader loader_;
    platform::Registry* registry_;
    const RegistryScanRoot* roots_;
    u32 rootCount_;
};

}  // namespace pelorin
