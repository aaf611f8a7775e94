#include "snapshot/snapshot_file.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/registry_strings.h"
#include "app/run_options.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "runtime/allocation_hook.h"
#include "runtime/file_stream.h"
#include "runtime/format.h"
#include "runtime/string_table.h"
#include "runtime/text.h"
#include "snapshot/snapshot_node.h"
#include "snapshot/snapshot_tree.h"
#include "ui/progress_sink.h"

namespace pelorin {

// Records are copied between memory and file as they lie, so their fields are little-endian in
// memory as well.
static_assert(std::endian::native == std::endian::little, "snapshot records are copied in host byte order");

namespace {

constexpr u32 kParentOffset = 8;
constexpr u32 kFirstChildOffset = 12;
constexpr u32 kNextSiblingOffset = 16;
// The largest record the tree itself would create (SnapshotTree::addNode refuses larger ones).
constexpr u32 kLargestRecord = 0xFFFFFFF0u;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using HeapArray = std::unique_ptr<T, FreeDeleter>;

u32 getU32(const u8* p) {
    u32 v;
    std::memcpy(&v, p, 4);
    return v;
}
void putU32(u8* p, u32 v) { std::memcpy(p, &v, 4); }
u16 getU16(const u8* p) {
    u16 v;
    std::memcpy(&v, p, 2);
    return v;
}
void putU16(u8* p, u16 v) { std::memcpy(p, &v, 2); }

// Bits 0 and 1 of the checksum over everything after the flags word, placed in bits 14 and 15.
u16 checkBits(const u8* record, u32 length) {
    return static_cast<u16>((recordChecksum(record + 2, length - 2) & 3u) << 14);
}

// A scratch buffer that grows to the largest record met so far.
class Scratch {
public:
    bool reserve(u32 bytes) {
        if (bytes <= capacity_) return true;
        void* grown = checkedRealloc(data_.get(), bytes);
        if (!grown) return false;
        data_.release();
        data_.reset(static_cast<u8*>(grown));
        capacity_ = bytes;
        return true;
    }
    u8* data() { return data_.get(); }
    u32 capacity() const { return capacity_; }

private:
    HeapArray<u8> data_;
    u32 capacity_ = 0;
};

// ---- writing ------------------------------------------------------------------------------

u32 serialOf(const SnapshotTree& tree, u32 link) {
    const SnapshotNode* node = tree.resolve(link);
    return node ? node->serial() : 0;
}

// Builds the file form of one node in `scratch` and writes its length and bytes.
u32 writeRecord(const SnapshotTree& tree, const SnapshotNode* node, Scratch& scratch, FileStream& stream) {
    const u32 size = recordSize(node);
    // A record beyond largestNodeSize would make the file unreadable.
    if (size > tree.largestNodeSize()) return ERR_INVALID_DATA;
    if (!scratch.reserve(size)) return ERR_NO_MEMORY;
    u8* record = scratch.data();
    std::memcpy(record, node->bytes(), size);

    const char16_t* name = node->name();
    const u32 nameLength = node->nameLength();
    bool narrowable = true;
    for (u32 i = 0; i < nameLength && narrowable; ++i) narrowable = name[i] <= 0xFF;

    u16 flags = node->flags() & ~(NODE_MEMORY_ONLY_FLAGS | NODE_NARROW_NAME | NODE_CHECK_BITS);
    u32 length = size;
    if (narrowable) {
        // One byte per unit and a zero byte; the blocks move down behind it.
        const u32 wideEnd = NODE_HEADER_SIZE + 2 * (nameLength + 1);
        u8* out = record + NODE_HEADER_SIZE;
        for (u32 i = 0; i < nameLength; ++i) out[i] = static_cast<u8>(name[i]);
        out[nameLength] = 0;
        std::memmove(out + nameLength + 1, record + wideEnd, size - wideEnd);
        length = size - (nameLength + 1);
        flags |= NODE_NARROW_NAME;
    }
    putU32(record + kParentOffset, serialOf(tree, node->parentLink()));
    putU32(record + kFirstChildOffset, serialOf(tree, node->firstChildLink()));
    putU32(record + kNextSiblingOffset, serialOf(tree, node->nextSiblingLink()));
    putU16(record, flags | checkBits(record, length));

    if (u32 code = stream.writeU32(length)) return code;
    return stream.write(record, length);
}

// ---- reading ------------------------------------------------------------------------------
//
// The reader takes nothing in a file on trust. Its decisions beyond the plain format rules:
//  - Sizes are weighed against what the file still holds before anything is allocated: a
//    nodeCount that needs more than the rest of the file (every record takes at least 24
//    bytes), or a record length beyond it, gives 256 at once, as the short read would. The
//    table and the scratch buffer therefore never exceed a fraction of the file's size.
//  - A record must consist exactly of its parts: a narrow name needs its zero byte and a wide
//    name its zero unit within the L bytes, the blocks its flags announce must end exactly at L,
//    and a data length below 128 must have the one-byte prefix (the node's size is computed
//    from it later). Anything else is refused with 11. So is a record whose size in memory
//    (with the name widened) exceeds largestNodeSize, since the writer relies on that bound.
//  - The links must form the tree the writer walked: the records must come in exactly the
//    pre-order that starting at the first top-level node and following firstChild and
//    nextSibling gives, every node's parent must be the node whose list holds it, every serial
//    must occur once, and the walk must end with the last record. Otherwise 11. Every later
//    walk (writing, reporting removals, building paths) can then trust the links: no cycles,
//    nothing pointing outside the tree, no node left unreachable.
//  - NODE_INDEXED (memory only) is cleared; the other flags stay as read.
//  - In the options section a directory text whose byte length is odd or that holds no zero
//    unit is refused with 11, and units after the first zero are ignored; its length is checked
//    against the rest of the file before the text is allocated.

struct RecordLayout {
    u32 nameLength = 0;  // characters
    bool narrow = false;
};

// Checks that the record's name and blocks fill exactly its `length` bytes.
bool parseRecord(const u8* record, u32 length, RecordLayout& layout) {
    const u16 flags = getU16(record);
    u64 at = NODE_HEADER_SIZE;
    layout.narrow = flags & NODE_NARROW_NAME;
    if (layout.narrow) {
        const void* zero = std::memchr(record + at, 0, length - at);
        if (!zero) return false;
        layout.nameLength = static_cast<u32>(static_cast<const u8*>(zero) - (record + at));
        at += layout.nameLength + 1;
    } else {
        u64 end = at;
        while (end + 1 < length && (record[end] | record[end + 1])) end += 2;
        if (end + 1 >= length) return false;
        layout.nameLength = static_cast<u32>((end - at) / 2);
        at = end + 2;
    }
    if (flags & NODE_HAS_DIGEST) at += NODE_DIGEST_SIZE;
    if (flags & NODE_HAS_SIZE) at += 8;
    if (flags & NODE_HAS_ATTRIBUTES) at += 2;
    if (flags & NODE_HAS_TIME) at += 8;
    if (flags & NODE_HAS_DATA) {
        if (at + 1 > length) return false;
        const u32 prefix = record[at] < 0x80 ? 1 : 4;
        if (at + prefix > length) return false;
        u32 prefixSize = 0;
        const u32 dataLength = readDataLength(record + at, &prefixSize);
        if (dataPrefixSize(dataLength) != prefix) return false;
        at += prefix + static_cast<u64>(dataLength);
    }
    return at == length;
}

// Where the next record must stand in the pre-order walk: its serial and its parent's serial
// (serial 0: no record may follow). Siblings still to come after a subtree wait on a stack.
class WalkCheck {
public:
    explicit WalkCheck(u32 firstSerial) : expectedSerial_(firstSerial) {}

    bool matches(u32 serial, u32 parent) const { return serial == expectedSerial_ && parent == expectedParent_; }
    bool atEnd() const { return expectedSerial_ == 0; }

    // Moves on past a record; false without memory for the stack.
    bool advance(u32 serial, u32 parent, u32 firstChild, u32 nextSibling) {
        if (firstChild) {
            if (nextSibling && !push(nextSibling, parent)) return false;
            expectedSerial_ = firstChild;
            expectedParent_ = serial;
        } else if (nextSibling) {
            expectedSerial_ = nextSibling;
            expectedParent_ = parent;
        } else if (depth_) {
            --depth_;
            expectedSerial_ = stack_.get()[2 * depth_];
            expectedParent_ = stack_.get()[2 * depth_ + 1];
        } else {
            expectedSerial_ = expectedParent_ = 0;
        }
        return true;
    }

private:
    bool push(u32 serial, u32 parent) {
        if (depth_ == capacity_) {
            const u32 grown = capacity_ ? capacity_ * 2 : 64;
            void* p = checkedRealloc(stack_.get(), sizeof(u32) * 2 * static_cast<std::size_t>(grown));
            if (!p) return false;
            stack_.release();
            stack_.reset(static_cast<u32*>(p));
            capacity_ = grown;
        }
        stack_.get()[2 * depth_] = serial;
        stack_.get()[2 * depth_ + 1] = parent;
        ++depth_;
        return true;
    }

    u32 expectedSerial_;
    u32 expectedParent_ = 0;
    HeapArray<u32> stack_;  // pairs of serial and parent serial
    u32 depth_ = 0;
    u32 capacity_ = 0;
};

// What the stream still holds from its position on; false with the stream's code set.
bool remainingBytes(FileStream& stream, u64& remaining) {
    u64 position = 0, size = 0;
    if (stream.position(position) || stream.size(size)) return false;
    remaining = size > position ? size - position : 0;
    return true;
}

void showMessage(ProgressSink* sink, u32 id, const char* fileName) {
    if (!sink) return;
    char format[256];
    // A missing text reads "?".
    if (!loadString(format, sizeof format, id, false)) copyBounded(format, sizeof format, "?");
    sink->showStatus(STATUS_ALWAYS, 0, format, fileName ? fileName : "");
}

}  // namespace

u32 writeTree(SnapshotTree& tree, FileStream* stream, u32 magic) {
    if (!stream) return ERR_BAD_VALUE;
    // The scratch buffer grows to the largest record met rather than to largestNodeSize at
    // once: that is only a bound, and a loaded file may state any bound it likes.
    Scratch scratch;
    const SnapshotNode* node = tree.firstTopLevel();
    u8 head[SNAPSHOT_TREE_HEADER_SIZE];
    putU32(head, magic);
    putU32(head + 4, tree.nodeCount());
    putU32(head + 8, tree.nextSerial());
    putU32(head + 12, tree.largestNodeSize());
    putU32(head + 16, node ? node->serial() : 0);
    tree.recordsWritten = 0;
    if (u32 code = stream->write(head, sizeof head)) return code;

    // Pre-order along the links: down to the first child, else on to the next sibling of the
    // node or of its nearest ancestor that has one. Both counts are bounded by nodeCount, so
    // even a damaged tree cannot keep the walk going.
    u64 climbs = 0;
    while (node) {
        if (tree.recordsWritten == tree.nodeCount()) return ERR_INVALID_DATA;
        if (u32 code = writeRecord(tree, node, scratch, *stream)) return code;
        ++tree.recordsWritten;
        if (const SnapshotNode* child = tree.firstChild(node)) {
            node = child;
            continue;
        }
        while (node) {
            if (const SnapshotNode* sibling = tree.nextSibling(node)) {
                node = sibling;
                break;
            }
            node = tree.parent(node);
            if (++climbs > tree.nodeCount()) return ERR_INVALID_DATA;
        }
    }
    return tree.recordsWritten == tree.nodeCount() ? ERR_OK : ERR_INVALID_DATA;
}

u32 readTree(SnapshotTree& tree, FileStream* stream, u32 magic) {
    if (!stream) return ERR_BAD_VALUE;
    u8 head[SNAPSHOT_TREE_HEADER_SIZE];
    if (u32 code = stream->read(head, sizeof head)) return code;
    if (getU32(head) != magic) return ERR_BAD_FORMAT;
    const u32 nodeCount = getU32(head + 4);
    const u32 largestNodeSize = getU32(head + 12);
    const u32 firstSerial = getU32(head + 16);
    u64 remaining = 0;
    if (!remainingBytes(*stream, remaining)) return stream->error();
    // In memory a record takes at most twice its file size (a narrow name widened, one byte to
    // an even length), so a small file needs no pool block of the default size.
    const u64 needed = 2 * remaining + 2 * static_cast<u64>(nodeCount) + 2;
    const u32 blockSize = needed < NodePool::DEFAULT_BLOCK_SIZE ? static_cast<u32>(needed < 2048 ? 2048 : needed) : 0;
    if (!tree.resetForLoading(nodeCount, getU32(head + 8), largestNodeSize, blockSize)) return ERR_NO_MEMORY;

    if (static_cast<u64>(nodeCount) * SNAPSHOT_MIN_RECORD_BYTES > remaining) return ERR_READ;
    if (nodeCount == 0) return firstSerial == 0 ? ERR_OK : ERR_BAD_FORMAT;
    if (firstSerial == 0 || firstSerial > nodeCount) return ERR_BAD_FORMAT;

    // Serials run from 1 to nodeCount, each once: the table of handles by serial is complete
    // once all records are in.
    HeapArray<u32> handles(static_cast<u32*>(checkedCalloc(static_cast<std::size_t>(nodeCount) + 1, sizeof(u32))));
    if (!handles) return ERR_NO_MEMORY;
    Scratch scratch;
    WalkCheck walk(firstSerial);

    for (u32 i = 0; i < nodeCount; ++i) {
        u32 length = 0;
        if (u32 code = stream->readU32(length)) return code;
        remaining -= 4;
        if (length < NODE_HEADER_SIZE || length > largestNodeSize) return ERR_BAD_FORMAT;
        if (length > remaining) return ERR_READ;
        if (!scratch.reserve(length)) return ERR_NO_MEMORY;
        u8* record = scratch.data();
        if (u32 code = stream->read(record, length)) return code;
        remaining -= length;

        const u16 flags = getU16(record);
        if ((flags & NODE_CHECK_BITS) != checkBits(record, length)) return ERR_BAD_FORMAT;
        RecordLayout layout;
        if (!parseRecord(record, length, layout)) return ERR_BAD_FORMAT;
        const u64 memorySize = length + (layout.narrow ? static_cast<u64>(layout.nameLength) + 1 : 0);
        if (memorySize > largestNodeSize || memorySize > kLargestRecord) return ERR_BAD_FORMAT;

        const u32 serial = getU32(record + 4);
        const u32 parent = getU32(record + kParentOffset);
        const u32 firstChild = getU32(record + kFirstChildOffset);
        const u32 nextSibling = getU32(record + kNextSiblingOffset);
        if (serial == 0 || serial > nodeCount || parent > nodeCount || firstChild > nodeCount ||
            nextSibling > nodeCount) {
            return ERR_BAD_FORMAT;
        }
        if (handles.get()[serial] || !walk.matches(serial, parent)) return ERR_BAD_FORMAT;
        if (!walk.advance(serial, parent, firstChild, nextSibling)) return ERR_NO_MEMORY;

        u32 link = 0;
        SnapshotNode* node = tree.allocateRecord(static_cast<u32>(memorySize), &link);
        if (!node) return ERR_NO_MEMORY;
        u8* out = node->bytes();
        std::memcpy(out, record, NODE_HEADER_SIZE);
        const u8* rest = record + NODE_HEADER_SIZE;
        if (layout.narrow) {
            for (u32 k = 0; k <= layout.nameLength; ++k) node->write<u16>(NODE_HEADER_SIZE + 2 * k, rest[k]);
            rest += layout.nameLength + 1;
        } else {
            std::memcpy(out + NODE_HEADER_SIZE, rest, 2 * (layout.nameLength + 1));
            rest += 2 * (layout.nameLength + 1);
        }
        const u32 nameEnd = NODE_HEADER_SIZE + 2 * (layout.nameLength + 1);
        std::memcpy(out + nameEnd, rest, static_cast<u32>(memorySize) - nameEnd);
        node->setFlags(static_cast<u16>(flags & ~NODE_MEMORY_ONLY_FLAGS));
        handles.get()[serial] = link;
    }
    if (!walk.atEnd()) return ERR_BAD_FORMAT;

    // Serials to handles; the walk check has made sure every link names a record.
    const u32* bySerial = handles.get();
    for (u32 serial = 1; serial <= nodeCount; ++serial) {
        SnapshotNode* node = tree.resolve(bySerial[serial]);
        for (u32 offset : {kParentOffset, kFirstChildOffset, kNextSiblingOffset}) {
            const u32 target = node->read<u32>(offset);
            node->write<u32>(offset, target ? bySerial[target] : 0);
        }
    }
    tree.setFirstTopLevel(bySerial[firstSerial]);
    return ERR_OK;
}

u32 writeOptions(const RunOptions& options, FileStream* stream, u32 magic) {
    if (!stream) return ERR_BAD_VALUE;
    stream->writeU32(magic);
    stream->writeU8(OPTION_SHOW_DETAILS);
    stream->writeU8(options.showDetails);
    stream->writeU8(OPTION_CHECK_REGISTRY);
    stream->writeU8(options.checkRegistry);
    stream->writeU8(OPTION_CHECK_FILE_SYSTEM);
    stream->writeU8(options.checkFileSystem);
    stream->writeU8(OPTION_DISABLE_PARALLEL);
    stream->writeU8(options.disableParallel);
    stream->writeU8(OPTION_REG_DATA_SIZE_THRESHOLD);
    stream->writeU32(options.regDataSizeThreshold);
    for (u32 i = 0; i < options.directoryCount(); ++i) {
        const DirectoryEntry* entry = options.directoryAt(i);
        const char16_t* path = entry->path ? entry->path.get() : u"";
        const u32 units = static_cast<u32>(textLength(path)) + 1;
        stream->writeU8(OPTION_DIRECTORY);
        stream->writeU32(entry->mode);
        stream->writeU32(2 * units);
        stream->write(path, 2 * units);
    }
    stream->writeU8(OPTION_SKIP_WINDOWS_UPDATE_FILES);
    stream->writeU8(options.skipWindowsUpdateFiles);
    // The stream keeps the first failure and refuses every write after it.
    return stream->writeU8(OPTION_END);
}

u32 readOptions(RunOptions& options, FileStream* stream, u32 magic) {
    if (!stream) return ERR_BAD_VALUE;
    u64 remaining = 0;
    if (!remainingBytes(*stream, remaining)) return stream->error();
    if (remaining == 0) return ERR_OK;  // a file written without the options
    u32 value = 0;
    if (u32 code = stream->readU32(value)) return code;
    if (value != magic) return ERR_BAD_FORMAT;
    options.paths.clear();

    for (;;) {
        u8 tag = 0;
        if (u32 code = stream->readU8(tag)) return code;
        if (tag > OPTION_SKIP_WINDOWS_UPDATE_FILES) return ERR_BAD_VALUE;
        u8 flag = 0;
        switch (tag) {
        case OPTION_END:
            return ERR_OK;
        case OPTION_REG_DATA_SIZE_THRESHOLD:
            if (u32 code = stream->readU32(value)) return code;
            options.regDataSizeThreshold = value;
            break;
        case OPTION_DIRECTORY: {
            u32 mode = 0, bytes = 0;
            if (u32 code = stream->readU32(mode)) return code;
            if (u32 code = stream->readU32(bytes)) return code;
            if (!remainingBytes(*stream, remaining)) return stream->error();
            if (bytes > remaining) return ERR_READ;
            if (bytes < 2 || bytes % 2) return ERR_BAD_FORMAT;
            const u32 units = bytes / 2;
            std::unique_ptr<char16_t[]> path(checkedNewArray<char16_t>(units));
            if (!path) return ERR_NO_MEMORY;
            if (u32 code = stream->read(path.get(), bytes)) return code;
            u32 end = 0;
            while (end < units && path[end]) ++end;
            if (end == units) return ERR_BAD_FORMAT;  // no zero unit inside the text
            DirectoryEntry* entry = checkedNew<DirectoryEntry>();
            if (!entry) return ERR_NO_MEMORY;
            entry->path = std::move(path);
            entry->mode = mode;
            if (!options.paths.append(entry)) {
                delete entry;
                return ERR_NO_MEMORY;
            }
            break;
        }
        default:
            if (u32 code = stream->readU8(flag)) return code;
            // The fields are bools: any non-zero byte means set.
            if (tag == OPTION_SHOW_DETAILS) options.showDetails = flag != 0;
            else if (tag == OPTION_CHECK_REGISTRY) options.checkRegistry = flag != 0;
            else if (tag == OPTION_CHECK_FILE_SYSTEM) options.checkFileSystem = flag != 0;
            else if (tag == OPTION_DISABLE_PARALLEL) options.disableParallel = flag != 0;
            else options.skipWindowsUpdateFiles = flag != 0;
            break;
        }
    }
}

bool saveSnapshotFile(ProgressSink* sink, const char* fileName, SnapshotTree& registryTree,
                      SnapshotTree& fileSystemTree, const RunOptions& options) {
    showMessage(sink, MSG_SAVING_SNAPSHOT, fileName);
    std::unique_ptr<FileStream> stream;
    u32 code = FileStream::create(fileName, stream);
    bool created = false;
    if (!code) code = stream->openForWriting();
    if (!code) {
        created = true;
        code = writeTree(registryTree, stream.get(), SNAPSHOT_REGISTRY_MAGIC);
    }
    if (!code) code = writeTree(fileSystemTree, stream.get(), SNAPSHOT_FILE_SYSTEM_MAGIC);
    if (!code) code = writeOptions(options, stream.get(), SNAPSHOT_OPTIONS_MAGIC);
    if (stream) {
        const u32 closed = stream->close();
        if (!code) code = closed;
    }
    if (!code) {
        // A name that cannot be remembered leaves a good file behind: the save still counts.
        writeRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0, fileName);
        return true;
    }
    showMessage(sink, MSG_SNAPSHOT_SAVE_FAILED, fileName);
    // Only a file this save created or replaced is deleted: when the creation was refused, the
    // file of that name (if any) is someone else's.
    if (created) {
        if (platform::FileSystem* files = platform::current().fileSystem) files->deleteFileAnsi(fileName);
    }
    return false;
}

u32 loadSnapshotFile(const char* fileName, SnapshotTree& registryTree, SnapshotTree& fileSystemTree,
                     RunOptions& options) {
    std::unique_ptr<FileStream> stream;
    if (u32 code = FileStream::create(fileName, stream)) return code;
    if (u32 code = stream->openForReading()) return code;
    if (u32 code = readTree(registryTree, stream.get(), SNAPSHOT_REGISTRY_MAGIC)) return code;
    if (u32 code = readTree(fileSystemTree, stream.get(), SNAPSHOT_FILE_SYSTEM_MAGIC)) return code;
    return readOptions(options, stream.get(), SNAPSHOT_OPTIONS_MAGIC);
}

void defaultSnapshotName(char* buffer, u32 size) {
    if (!buffer || !size) return;
    // GetComputerNameA is given at most 80 bytes; a name that does not fit leaves it empty.
    char computer[80] = {};
    platform::LocalTime time;
    if (platform::System* system = platform::current().system) {
        if (!system->computerName(computer, sizeof computer)) computer[0] = 0;
        time = system->localTime();
    }
    formatText(buffer, size, "%s-%04u%02u%02u%02u%02u%02u", computer, time.year, time.month, time.day, time.hour,
               time.minute, time.second);
}

}  // namespace pelorin
