#pragma once
// The walk over the root directories of a run: every directory, file and alternate data stream
// below them. Pass 1 records each item as a node of the file-system tree; pass 2 walks the same
// way in compare mode, marks what it finds again and reports what was added or changed, and
// after the last root reports every node it did not see as removed.
#include <memory>

#include "runtime/ptr_list.h"
#include "runtime/types.h"
#include "snapshot/exclusion_list.h"

namespace pelorin {

namespace platform {
class FileSystem;
struct ListingEntry;
}  // namespace platform

class ProgressSink;
class SnapshotNode;
class SnapshotTree;

// Deepest directory level scanned, counting the root as level 1. Deeper means a junction loop
// (or a tree no one can use); the root ends with ERR_ACCESS_DENIED.
constexpr u32 MAX_DIRECTORY_DEPTH = 1024;
// First size of the stream-list buffer; it doubles whenever the list does not fit.
constexpr u32 STREAM_BUFFER_INITIAL_SIZE = 8192;
// The buffer stops growing here: a file system that still answers "too small" is not asked
// about that entry again (no file has anywhere near that many streams).
constexpr u32 STREAM_BUFFER_MAX_SIZE = 64u << 20;

// Result kinds of the file-system comparison.
constexpr u32 CHANGE_FILE_ADDED = 6;
constexpr u32 CHANGE_DIR_ADDED = 7;
constexpr u32 CHANGE_FILE_CHANGED = 8;
constexpr u32 CHANGE_FILE_REMOVED = 9;

// String ids of the scanner's texts.
constexpr u32 TEXT_FILE_SYSTEM_COMPLETE = 155;  // "File system processing complete."
constexpr u32 TEXT_PROCESSING_ROOT = 156;       // "Processing '%ls'..."
constexpr u32 TEXT_DETAIL_SIZE = 162;           // "Size: %s"
constexpr u32 TEXT_DETAIL_TIMESTAMP = 163;      // "Timestamp: %s"
constexpr u32 TEXT_DETAIL_MD5 = 164;            // "MD5: %s"
constexpr u32 TEXT_FILE_LABEL = 166;            // "File"
constexpr u32 TEXT_TOTAL_FILE_COUNT = 168;      // "Total file count:      %s"
constexpr u32 TEXT_TOTAL_FILE_SIZE = 169;       // "Total file size:       %s"
constexpr u32 TEXT_ROOT_ERROR = 179;            // "Error processing '%ls', error code %s"

// Status lines of the file-system pass.
constexpr u32 LINE_FILE_TOTALS = 6;
constexpr u32 LINE_FILE_ITEM = 7;
constexpr u32 LINE_FILE_SIZE = 8;
constexpr u32 LINE_FILE_TIME = 9;
constexpr u32 LINE_FILE_DIGEST = 10;

class FileSystemScanner {
public:
    // Reads the Windows directory and the texts (`loader` null: the program's string table).
    explicit FileSystemScanner(ProgressSink* sink, StringLoader loader = nullptr);
    ~FileSystemScanner();
    FileSystemScanner(const FileSystemScanner&) = delete;
    FileSystemScanner& operator=(const FileSystemScanner&) = delete;

    // One root: its node (pass 1) or lookup (pass 2), the walk, then in pass 2 with
    // `reportRemoved` the removals of the whole tree, then the totals. Gives 0, ERR_BAD_VALUE
    // for a missing root path, or the code that ended the walk.
    u32 scanRoot(bool showDetails, bool compareMode, const char16_t* rootPath, u32 mode, SnapshotTree& tree,
                 u32* changeCount, bool reportRemoved, bool skipWindowsUpdate);

    // One directory and everything below it. `parent` is the directory's node; in pass 2 null
    // means the directory is new. `depth` counts the levels entered in this root.
    u32 scanDirectory(bool showDetails, bool compareMode, const char16_t* directory, u32 mode, bool streams,
                      u32& depth, SnapshotTree& tree, SnapshotNode* parent, u32* changeCount);

    // Files and streams visited in the root scanned last, and their bytes.
    u32 fileCount() const { return fileCount_; }
    u64 totalSize() const { return totalSize_; }
    u32 streamBufferSize() const { return streamBufferSize_; }
    const char* text(u32 id) const;

private:
    struct Item;

    bool isSkippedUpdateDirectory(const char16_t* path) const;
    bool hasNamedStreams(const char16_t* rootPath);
    u32 scanFile(bool showDetails, bool compareMode, const char16_t* path, const platform::ListingEntry& entry,
                 bool digestsWanted, SnapshotTree& tree, SnapshotNode* parent, u32* changeCount);
    SnapshotNode* lookUpDirectory(const char16_t* path, const char16_t* name, SnapshotTree& tree,
                                  SnapshotNode* parent, u32* changeCount);
    u32 scanStreams(bool showDetails, bool compareMode, const char16_t* path, const platform::ListingEntry& entry,
                    bool digestsWanted, SnapshotTree& tree, SnapshotNode* parent, u32* changeCount);
    u32 scanStream(bool showDetails, bool compareMode, const char16_t* path, const platform::ListingEntry& entry,
                   const char16_t* streamName, u32 streamNameLength, u64 streamSize, bool digestsWanted,
                   SnapshotTree& tree, SnapshotNode* parent, u32* changeCount);
    u32 computeDigest(const char16_t* path, u8* digest, bool& computed);
    void compareItem(SnapshotNode* found, const Item& item, bool digestsWanted, u32 changedLine, SnapshotTree& tree,
                     u32* changeCount);
    void report(u32 kind, const char16_t* path, u32 line, u32* changeCount);
    void showItemDetails(u32 mode, const Item& item, bool withTime);
    void showTotals();
    bool obtainStreamBuffer();
    void releaseStreamBuffer();

    static constexpr u32 TEXT_CAPACITY = 512;
    static constexpr u32 TEXT_COUNT = 9;

    ProgressSink* sink_;
    platform::FileSystem* fileSystem_;
    u8 skipWindowsUpdate_ = 0;
    u32 streamBufferSize_ = STREAM_BUFFER_INITIAL_SIZE;
    u8* streamBlock_ = nullptr;   // as obtained, 8 bytes larger than streamBufferSize_
    u8* streamBuffer_ = nullptr;  // its first 8-byte boundary
    u32 fileCount_ = 0;
    u64 totalSize_ = 0;
    char16_t windowsDirectory_[1025] = {};
    u32 windowsDirectoryLength_ = 0;
    // Stream path and stream node name, reused from stream to stream.
    std::unique_ptr<char16_t[]> streamPath_;
    u32 streamPathCapacity_ = 0;
    std::unique_ptr<char16_t[]> streamNodeName_;
    u32 streamNodeNameCapacity_ = 0;
    char texts_[TEXT_COUNT][TEXT_CAPACITY] = {};
};

// The file-system pass over `paths` (DirectoryEntry items) in list order; the first root that
// fails ends it with the message of TEXT_ROOT_ERROR. In pass 2 the removals are reported after
// the last root.
u32 scanFileSystem(bool showDetails, ProgressSink* sink, FileSystemScanner& scanner, bool compareMode,
                   SnapshotTree& tree, const PtrList& paths, u32* changeCount, bool skipWindowsUpdateFiles);

// Upper case of one UTF-16 unit by a one-to-one mapping (ASCII, Latin-1, Latin Extended-A and
// -B, Greek, Cyrillic); other units are given back unchanged.
char16_t upperCaseUnit(char16_t unit);

}  // namespace pelorin
