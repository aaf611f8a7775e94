#pragma once
// The snapshot file: a pass-1 snapshot carried from one process to the next. Three sections back
// to back, each opened by its magic: the registry tree, the file-system tree, and part of the run
// options. A tree section is a 20-byte header (magic, nodeCount, nextSerial, largestNodeSize,
// serial of the first top-level node) and the records in depth-first pre-order, each a u32
// length and the node's packed record with serials for links, a narrowed name where possible and
// two check bits in its flags. All integers are little-endian.
#include "runtime/types.h"

namespace pelorin {

class FileStream;
class ProgressSink;
class SnapshotTree;
struct RunOptions;

constexpr u32 SNAPSHOT_REGISTRY_MAGIC = 0xA5C20001;
constexpr u32 SNAPSHOT_FILE_SYSTEM_MAGIC = 0xA5C20002;
constexpr u32 SNAPSHOT_OPTIONS_MAGIC = 0xA5C30000;

// Size of a tree section's header, and the least room a record takes (its length and header).
constexpr u32 SNAPSHOT_TREE_HEADER_SIZE = 20;
constexpr u32 SNAPSHOT_MIN_RECORD_BYTES = 4 + 20;

// Items of the options section: a tag byte and its value.
enum OptionTag : u8 {
    OPTION_END = 0,
    OPTION_SHOW_DETAILS = 1,             // u8
    OPTION_CHECK_REGISTRY = 2,           // u8
    OPTION_CHECK_FILE_SYSTEM = 3,        // u8
    OPTION_DISABLE_PARALLEL = 4,         // u8
    OPTION_REG_DATA_SIZE_THRESHOLD = 5,  // u32
    OPTION_DIRECTORY = 6,                // u32 mode, u32 byte length, UTF-16 path with its NUL
    OPTION_SKIP_WINDOWS_UPDATE_FILES = 7,  // u8
};

// Messages of the save, shown in line 0.
constexpr u32 MSG_SAVING_SNAPSHOT = 131;       // "Saving snapshot file to '%s'..."
constexpr u32 MSG_SNAPSHOT_SAVE_FAILED = 182;  // "Error saving snapshot data to '%s'."

// Writes one tree section. 296 without a stream, 260 without the scratch buffer, 13 when the
// tree's links or record sizes do not agree with its counters, otherwise the stream's code of the first
// failing write, or 0. The tree is left as it was (recordsWritten apart).
u32 writeTree(SnapshotTree& tree, FileStream* stream, u32 magic);
// Replaces the tree's nodes and counters by one tree section. On 0 the tree holds exactly what
// was written; after a failure its contents are undefined and it should only be freed.
u32 readTree(SnapshotTree& tree, FileStream* stream, u32 magic);

u32 writeOptions(const RunOptions& options, FileStream* stream, u32 magic);
// Reads the options section into the seven stored fields. A stream already at its end (a file
// without the section) gives 0 and changes nothing.
u32 readOptions(RunOptions& options, FileStream* stream, u32 magic);

// Shows message 131, writes both trees and the options to `fileName` (replacing the file) and,
// when all of it worked, remembers the name in the registry and gives true. Otherwise shows
// message 182, deletes what it wrote and gives false; the remembered name stays as it was.
bool saveSnapshotFile(ProgressSink* sink, const char* fileName, SnapshotTree& registryTree,
                      SnapshotTree& fileSystemTree, const RunOptions& options);
// Reads both trees and the options from `fileName`; the first failure gives its code (260 when
// the stream cannot be created, the system's code when the file cannot be opened).
u32 loadSnapshotFile(const char* fileName, SnapshotTree& registryTree, SnapshotTree& fileSystemTree,
                     RunOptions& options);

// The proposed name of a snapshot: the computer name, a hyphen and the local date and time as
// fourteen digits (YYYYMMDDhhmmss), without an extension.
void defaultSnapshotName(char* buffer, u32 size);

}  // namespace pelorin
