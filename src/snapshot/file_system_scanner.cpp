#include "snapshot/file_system_scanner.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/run_options.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "runtime/file_digest.h"
#include "runtime/format.h"
#include "runtime/md5.h"
#include "runtime/string_table.h"
#include "runtime/text.h"
#include "snapshot/snapshot_tree.h"
#include "ui/progress_sink.h"

// The walk recurses once per directory level, up to MAX_DIRECTORY_DEPTH levels on a worker
// thread's stack: everything that needs a large frame (status texts are formatted into 4 KiB
// on the stack) stays out of scanDirectory's own frame.
#define PELORIN_NOINLINE __attribute__((noinline))

namespace pelorin {
namespace {

constexpr u32 TEXT_IDS[] = {TEXT_FILE_SYSTEM_COMPLETE, TEXT_PROCESSING_ROOT, TEXT_DETAIL_SIZE,
                            TEXT_DETAIL_TIMESTAMP,     TEXT_DETAIL_MD5,      TEXT_FILE_LABEL,
                            TEXT_TOTAL_FILE_COUNT,     TEXT_TOTAL_FILE_SIZE, TEXT_ROOT_ERROR};

// Runs of lower-case letters with the distance to their upper-case partners, taken from the
// simple case mappings of Unicode where the pair maps back onto itself (so dotless i, long s
// and final sigma stay as they are: each upper-case letter has exactly one lower-case partner).
struct CaseRun {
    char16_t first;
    char16_t last;
    u8 step;  // 1: every unit of the run; 2: every other one
    i32 delta;
};

constexpr CaseRun CASE_RUNS[] = {
    {0x0061, 0x007A, 1, -32},  {0x00E0, 0x00F6, 1, -32},  {0x00F8, 0x00FE, 1, -32}, {0x00FF, 0x00FF, 1, 121},
    {0x0101, 0x012F, 2, -1},   {0x0133, 0x0137, 2, -1},   {0x013A, 0x0148, 2, -1},  {0x014B, 0x0177, 2, -1},
    {0x017A, 0x017E, 2, -1},   {0x0180, 0x0180, 1, 195},  {0x0183, 0x0185, 2, -1},  {0x0188, 0x0188, 1, -1},
    {0x018C, 0x018C, 1, -1},   {0x0192, 0x0192, 1, -1},   {0x0195, 0x0195, 1, 97},  {0x0199, 0x0199, 1, -1},
    {0x019A, 0x019A, 1, 163},  {0x019E, 0x019E, 1, 130},  {0x01A1, 0x01A5, 2, -1},  {0x01A8, 0x01A8, 1, -1},
    {0x01AD, 0x01AD, 1, -1},   {0x01B0, 0x01B0, 1, -1},   {0x01B4, 0x01B6, 2, -1},  {0x01B9, 0x01B9, 1, -1},
    {0x01BD, 0x01BD, 1, -1},   {0x01BF, 0x01BF, 1, 56},   {0x01C6, 0x01C6, 1, -2},  {0x01C9, 0x01C9, 1, -2},
    {0x01CC, 0x01CC, 1, -2},   {0x01CE, 0x01DC, 2, -1},   {0x01DD, 0x01DD, 1, -79}, {0x01DF, 0x01EF, 2, -1},
    {0x01F3, 0x01F3, 1, -2},   {0x01F5, 0x01F5, 1, -1},   {0x01F9, 0x021F, 2, -1},  {0x0223, 0x0233, 2, -1},
    {0x023C, 0x023C, 1, -1},   {0x023F, 0x0240, 1, 10815}, {0x0242, 0x0242, 1, -1}, {0x0247, 0x024F, 2, -1},
    {0x0371, 0x0373, 2, -1},   {0x0377, 0x0377, 1, -1},   {0x037B, 0x037D, 1, 130}, {0x03AC, 0x03AC, 1, -38},
    {0x03AD, 0x03AF, 1, -37},  {0x03B1, 0x03C1, 1, -32},  {0x03C3, 0x03CB, 1, -32}, {0x03CC, 0x03CC, 1, -64},
    {0x03CD, 0x03CE, 1, -63},  {0x03D7, 0x03D7, 1, -8},   {0x03D9, 0x03EF, 2, -1},  {0x03F2, 0x03F2, 1, 7},
    {0x03F3, 0x03F3, 1, -116}, {0x03F8, 0x03F8, 1, -1},   {0x03FB, 0x03FB, 1, -1},  {0x0430, 0x044F, 1, -32},
    {0x0450, 0x045F, 1, -80},  {0x0461, 0x0481, 2, -1},   {0x048B, 0x04BF, 2, -1},  {0x04C2, 0x04CE, 2, -1},
    {0x04CF, 0x04CF, 1, -15},  {0x04D1, 0x04FF, 2, -1},
};

// The Windows Update directories below the Windows directory that are never scanned.
struct SkippedDirectory {
    const char16_t* name;
    bool prefixOnly;  // anything may follow; otherwise the name must end or go on with "\"
};

constexpr SkippedDirectory SKIPPED_UPDATE_DIRECTORIES[] = {
    {u"$HF_MIG$", false},         {u"IE7UPDATES", false},
    {u"PREFETCH", false},         {u"SYMBOLS", false},
    {u"SERVICEPACKFILES", false}, {u"INSTALLER\\$PATCHCACHE$", false},
    {u"$NTSERVICEPACK", true},    {u"$NTUNINSTALL", true},
};

const char16_t STREAM_DATA_SUFFIX[] = u":$DATA";
constexpr u32 STREAM_DATA_SUFFIX_LENGTH = 6;

u32 length16(const char16_t* text) {
    u32 n = 0;
    while (text[n]) ++n;
    return n;
}

bool isDotEntry(const char16_t* name) {
    return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
}

// A growable UTF-16 text from the heap; the scanners' paths can be far longer than any frame
// should hold.
struct PathBuffer {
    std::unique_ptr<char16_t[]> data;
    u32 capacity = 0;  // units, NUL included

    bool reserve(u32 units) {
        if (units <= capacity) return true;
        u32 grown = units + units / 2 + 64;
        std::unique_ptr<char16_t[]> bigger(new (std::nothrow) char16_t[grown]);
        if (!bigger) return false;
        if (capacity) std::memcpy(bigger.get(), data.get(), capacity * sizeof(char16_t));
        data = std::move(bigger);
        capacity = grown;
        return true;
    }
    // Puts `text` (length units) at `at` and ends the text there.
    bool place(u32 at, const char16_t* text, u32 length) {
        if (!reserve(at + length + 1)) return false;
        std::memcpy(data.get() + at, text, length * sizeof(char16_t));
        data[at + length] = 0;
        return true;
    }
};

bool growBuffer(std::unique_ptr<char16_t[]>& buffer, u32& capacity, u32 units) {
    if (units <= capacity) return true;
    u32 grown = units + 256;
    std::unique_ptr<char16_t[]> bigger(new (std::nothrow) char16_t[grown]);
    if (!bigger) return false;
    buffer = std::move(bigger);
    capacity = grown;
    return true;
}

void buildDigestText(const u8* digest, char* out) {
    static const char HEX[] = "0123456789abcdef";
    for (u32 i = 0; i < MD5_DIGEST_SIZE; ++i) {
        out[2 * i] = HEX[digest[i] >> 4];
        out[2 * i + 1] = HEX[digest[i] & 0xF];
    }
    out[2 * MD5_DIGEST_SIZE] = 0;
}

u32 readLe32(const u8* p) {
    u32 v;
    std::memcpy(&v, p, 4);
    return v;
}

u64 readLe64(const u8* p) {
    u64 v;
    std::memcpy(&v, p, 8);
    return v;
}

}  // namespace

char16_t upperCaseUnit(char16_t unit) {
    if (unit < 0x61 || unit > 0x04FF) return unit;
    for (const CaseRun& run : CASE_RUNS) {
        if (unit < run.first) break;
        if (unit <= run.last && (unit - run.first) % run.step == 0) return static_cast<char16_t>(unit + run.delta);
    }
    return unit;
}

// One file or stream as compared and shown.
struct FileSystemScanner::Item {
    const char16_t* path;
    const char16_t* nodeName;
    u64 size;
    u16 attributes;
    u64 time;
    const u8* digest;  // null: not computed ("-")
};

FileSystemScanner::FileSystemScanner(ProgressSink* sink, StringLoader loader)
    : sink_(sink), fileSystem_(platform::current().fileSystem) {
    if (platform::current().system) {
        std::u16string directory = platform::current().system->windowsDirectory();
        windowsDirectoryLength_ = static_cast<u32>(copyBounded(windowsDirectory_, 1025, directory));
    }
    if (!loader) loader = &loadString;
    for (u32 i = 0; i < TEXT_COUNT; ++i) {
        if (!loader(texts_[i], TEXT_CAPACITY, TEXT_IDS[i], false)) std::strcpy(texts_[i], "?");
    }
}

FileSystemScanner::~FileSystemScanner() { releaseStreamBuffer(); }

const char* FileSystemScanner::text(u32 id) const {
    for (u32 i = 0; i < TEXT_COUNT; ++i)
        if (TEXT_IDS[i] == id) return texts_[i];
    return "?";
}

bool FileSystemScanner::obtainStreamBuffer() {
    streamBlock_ = static_cast<u8*>(std::malloc(static_cast<std::size_t>(streamBufferSize_) + 8));
    if (!streamBlock_) return false;
    auto address = reinterpret_cast<std::uintptr_t>(streamBlock_);
    streamBuffer_ = reinterpret_cast<u8*>((address + 7) & ~static_cast<std::uintptr_t>(7));
    return true;
}

void FileSystemScanner::releaseStreamBuffer() {
    std::free(streamBlock_);
    streamBlock_ = nullptr;
    streamBuffer_ = nullptr;
}

bool FileSystemScanner::isSkippedUpdateDirectory(const char16_t* path) const {
    if (!skipWindowsUpdate_ || windowsDirectoryLength_ == 0) return false;
    for (u32 i = 0; i < windowsDirectoryLength_; ++i) {
        if (!path[i] || upperCaseUnit(path[i]) != upperCaseUnit(windowsDirectory_[i])) return false;
    }
    if (path[windowsDirectoryLength_] != u'\\') return false;
    const char16_t* rest = path + windowsDirectoryLength_ + 1;
    for (const SkippedDirectory& skipped : SKIPPED_UPDATE_DIRECTORIES) {
        u32 k = 0;
        while (skipped.name[k] && rest[k] && upperCaseUnit(rest[k]) == upperCaseUnit(skipped.name[k])) ++k;
        if (skipped.name[k]) continue;
        if (skipped.prefixOnly || rest[k] == 0 || rest[k] == u'\\') return true;
    }
    return false;
}

bool FileSystemScanner::hasNamedStreams(const char16_t* rootPath) {
    platform::System* system = platform::current().system;
    platform::OsVersion version;
    if (!system || !system->osVersion(version) || version.platformId != platform::PLATFORM_WIN32_NT) return false;
    constexpr u32 kVolumeCapacity = 512;
    char16_t volume[kVolumeCapacity];
    if (!fileSystem_->queryVolumePathName(rootPath, volume, kVolumeCapacity) || !volume[0]) {
        if (rootPath[0] < u'A' || rootPath[0] > u'Z' || rootPath[1] != u':') return false;
        volume[0] = rootPath[0];
        volume[1] = u':';
        volume[2] = 0;
    }
    u32 flags = 0;
    return fileSystem_->queryVolumeFlags(volume, flags) && (flags & platform::VOLUME_NAMED_STREAMS);
}

PELORIN_NOINLINE void FileSystemScanner::showTotals() {
    if (!sink_) return;
    char number[64];
    formatText(number, sizeof number, "%$lu", fileCount_);
    sink_->showStatus(STATUS_ALWAYS, LINE_FILE_TOTALS, text(TEXT_TOTAL_FILE_COUNT), number);
    formatText(number, sizeof number, "%$hu", totalSize_);
    sink_->showStatus(STATUS_ALWAYS, LINE_FILE_TOTALS, text(TEXT_TOTAL_FILE_SIZE), number);
}

u32 FileSystemScanner::scanRoot(bool showDetails, bool compareMode, const char16_t* rootPath, u32 mode,
                                SnapshotTree& tree, u32* changeCount, bool reportRemoved, bool skipWindowsUpdate) {
    fileCount_ = 0;
    totalSize_ = 0;
    skipWindowsUpdate_ = skipWindowsUpdate;
    if (!rootPath || !rootPath[0]) return ERR_BAD_VALUE;

    constexpr u32 kRootCapacity = 1024;
    std::unique_ptr<char16_t[]> root(new (std::nothrow) char16_t[kRootCapacity]);
    if (!root) return ERR_NO_MEMORY;
    u32 length = 0;
    while (rootPath[length] && length < kRootCapacity - 1) {
        root[length] = rootPath[length];
        ++length;
    }
    if (length && root[length - 1] == u'\\') --length;
    root[length] = 0;
    // "\" alone would leave no name for the root's node.
    if (length == 0) return ERR_BAD_VALUE;

    bool streams = hasNamedStreams(rootPath);

    SnapshotNode* node = nullptr;
    if (!compareMode) {
        // Without its root node nothing below could be recorded: out of memory ends the root.
        node = tree.addNode(0, false, nullptr, root.get(), nullptr, nullptr, nullptr, nullptr, nullptr, 0);
        if (!node) return ERR_NO_MEMORY;
        node->markSeen();
    } else {
        // A root pass 1 did not scan: everything below it is new.
        node = tree.findTopLevel(root.get());
    }

    u32 depth = 0;
    u32 result = scanDirectory(showDetails, compareMode, root.get(), mode, streams, depth, tree, node, changeCount);
    if (result) return result;
    if (compareMode && reportRemoved) tree.reportUnseen(nullptr, text(TEXT_FILE_LABEL), changeCount);
    showTotals();
    return 0;
}

u32 FileSystemScanner::scanDirectory(bool showDetails, bool compareMode, const char16_t* directory, u32 mode,
                                     bool streams, u32& depth, SnapshotTree& tree, SnapshotNode* parent,
                                     u32* changeCount) {
    if (sink_ && sink_->isCancelled()) return ERR_CANCELLED;
    if (++depth > MAX_DIRECTORY_DEPTH) return ERR_ACCESS_DENIED;  // ends the root: no need to count back
    struct DepthGuard {
        u32& depth;
        ~DepthGuard() { --depth; }
    } guard{depth};

    // The directory's path, with room behind it for the path of each entry.
    PathBuffer path;
    const u32 directoryLength = length16(directory);
    if (!path.reserve(directoryLength + 2 + 260) || !path.place(0, directory, directoryLength)) return ERR_NO_MEMORY;

    const bool digestsWanted = mode == MODE_COMPLETE && !skipMD5;
    if (isSkippedUpdateDirectory(path.data.get())) return 0;

    std::unique_ptr<platform::DirectoryListing> listing;
    u32 opened = fileSystem_->listDirectory(path.data.get(), listing);
    if (opened == ERR_NO_MEMORY) return ERR_NO_MEMORY;
    // A directory that cannot be listed simply has no entries.
    if (opened != 0 || !listing) return 0;

    path.data[directoryLength] = u'\\';
    platform::ListingEntry entry;
    while (listing->next(entry)) {
        if (sink_ && sink_->isCancelled()) return ERR_CANCELLED;
        const bool isDirectory = entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT;
        if (isDirectory && isDotEntry(entry.name)) continue;
        if (!path.place(directoryLength + 1, entry.name, length16(entry.name))) return ERR_NO_MEMORY;

        u32 result = 0;
        if (isDirectory) {
            SnapshotNode* node = nullptr;
            if (!compareMode) {
                u16 attributes = static_cast<u16>(entry.attributes);
                u64 time = entry.lastWriteTime;
                node = tree.addNode(0, false, parent, entry.name, nullptr, nullptr, &attributes, &time, nullptr, 0);
                // Nothing below a directory without its node may be recorded: see scanRoot.
                if (!node) return ERR_NO_MEMORY;
            } else {
                node = lookUpDirectory(path.data.get(), entry.name, tree, parent, changeCount);
            }
            result = scanDirectory(showDetails, compareMode, path.data.get(), mode, streams, depth, tree, node,
                                   changeCount);
        } else {
            result = scanFile(showDetails, compareMode, path.data.get(), entry, digestsWanted, tree, parent,
                              changeCount);
        }
        if (result) return result;
        if (streams) {
            result = scanStreams(showDetails, compareMode, path.data.get(), entry, digestsWanted, tree, parent,
                                 changeCount);
            if (result) return result;
        }
    }
    return 0;
}

PELORIN_NOINLINE SnapshotNode* FileSystemScanner::lookUpDirectory(const char16_t* path, const char16_t* name,
                                                                  SnapshotTree& tree, SnapshotNode* parent,
                                                                  u32* changeCount) {
    // Below a new directory nothing is looked up: it is all new.
    SnapshotNode* node = parent ? tree.findChild(parent, name, false) : nullptr;
    if (node) {
        node->markSeen();
    } else {
        // Directories are never excluded: a new one is always worth knowing about.
        report(CHANGE_DIR_ADDED, path, LINE_FILE_ITEM, changeCount);
    }
    return node;
}

u32 FileSystemScanner::computeDigest(const char16_t* path, u8* digest, bool& computed) {
    u32 result = computeFileDigest(*fileSystem_, path, digest);
    computed = result == 0;
    // A file that cannot be opened or read keeps a digest of zeros; only memory ends the scan.
    return result == ERR_NO_MEMORY ? result : 0;
}

PELORIN_NOINLINE u32 FileSystemScanner::scanFile(bool showDetails, bool compareMode, const char16_t* path,
                                                 const platform::ListingEntry& entry, bool digestsWanted,
                                                 SnapshotTree& tree, SnapshotNode* parent, u32* changeCount) {
    SnapshotNode* found = nullptr;
    bool computeWanted = digestsWanted;
    if (compareMode && parent) {
        found = tree.findChild(parent, entry.name, true);
        if (found) {
            found->markSeen();
            // Nothing to compare with: pass 1 stored no digest for this file.
            if (!found->digestOf()) computeWanted = false;
        }
    }

    u8 digest[MD5_DIGEST_SIZE] = {};
    bool computed = false;
    if (computeWanted) {
        if (u32 error = computeDigest(path, digest, computed)) return error;
    }

    Item item{path, entry.name, entry.size, static_cast<u16>(entry.attributes), entry.lastWriteTime,
              computed ? digest : nullptr};
    if (showDetails) showItemDetails(STATUS_DETAIL, item, true);

    if (!compareMode) {
        if (!tree.addNode(0, true, parent, entry.name, digestsWanted ? digest : nullptr, &item.size, &item.attributes,
                          &item.time, nullptr, 0))
            return ERR_NO_MEMORY;  // a file missing from the snapshot would show up as added
    } else {
        // The digest block of `found` is compared with `digest` only when it was computed above.
        compareItem(found, item, computeWanted, LINE_FILE_ITEM, tree, changeCount);
    }
    ++fileCount_;
    totalSize_ += entry.size;
    return 0;
}

void FileSystemScanner::compareItem(SnapshotNode* found, const Item& item, bool digestsWanted, u32 changedLine,
                                    SnapshotTree& tree, u32* changeCount) {
    if (!found) {
        if (!tree.isExcludedFile(item.path)) report(CHANGE_FILE_ADDED, item.path, LINE_FILE_ITEM, changeCount);
        return;
    }
    bool changed = false;
    if (found->timeOf() && found->timeValue() != item.time) {
        changed = true;
    } else if (found->sizeOf() && found->sizeValue() != item.size) {
        changed = true;
    } else if (digestsWanted && found->digestOf()) {
        u8 zero[MD5_DIGEST_SIZE] = {};
        const u8* digest = item.digest ? item.digest : zero;
        changed = std::memcmp(found->digestOf(), digest, MD5_DIGEST_SIZE) != 0;
    }
    if (changed && !tree.isExcludedFile(item.path)) report(CHANGE_FILE_CHANGED, item.path, changedLine, changeCount);
}

PELORIN_NOINLINE void FileSystemScanner::report(u32 kind, const char16_t* path, u32 line, u32* changeCount) {
    if (sink_) {
        sink_->addChange(kind, path, nullptr, 0, nullptr);
        sink_->showStatus(STATUS_RUNNING, line, "%ls", path);
    }
    if (changeCount) ++*changeCount;
}

PELORIN_NOINLINE void FileSystemScanner::showItemDetails(u32 mode, const Item& item, bool withTime) {
    if (!sink_) return;
    sink_->showStatus(mode, LINE_FILE_ITEM, "%ls", item.path);
    char text[64];
    formatText(text, sizeof text, "%$hu", item.size);
    sink_->showStatus(mode, LINE_FILE_SIZE, this->text(TEXT_DETAIL_SIZE), text);
    if (withTime) {
        platform::LocalTime local;
        platform::System* system = platform::current().system;
        if (!system || !system->fileTimeToLocalTime(item.time, local)) local = platform::LocalTime();
        formatText(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", local.day, local.month, local.year, local.hour,
                   local.minute, local.second);
        sink_->showStatus(mode, LINE_FILE_TIME, this->text(TEXT_DETAIL_TIMESTAMP), text);
    } else {
        sink_->showStatus(mode, LINE_FILE_TIME, "");
    }
    if (item.digest) {
        buildDigestText(item.digest, text);
    } else {
        std::strcpy(text, "-");
    }
    sink_->showStatus(mode, LINE_FILE_DIGEST, this->text(TEXT_DETAIL_MD5), text);
}

PELORIN_NOINLINE u32 FileSystemScanner::scanStreams(bool showDetails, bool compareMode, const char16_t* path,
                                                    const platform::ListingEntry& entry, bool digestsWanted,
                                                    SnapshotTree& tree, SnapshotNode* parent, u32* changeCount) {
    std::unique_ptr<platform::File> file;
    const bool isDirectory = entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT;
    if (fileSystem_->openForStreams(path, isDirectory, file) != 0 || !file) return 0;

    for (;;) {
        if (!streamBuffer_ && !obtainStreamBuffer()) return ERR_NO_MEMORY;
        // Cleared, so that an answer that writes nothing is seen as such.
        std::memset(streamBuffer_, 0, platform::STREAM_RECORD_HEADER_SIZE);
        u32 status = file->queryStreamInformation(streamBuffer_, streamBufferSize_);
        if (status == platform::NT_STATUS_BUFFER_OVERFLOW || status == platform::NT_STATUS_BUFFER_TOO_SMALL ||
            status == platform::NT_STATUS_INFO_LENGTH_MISMATCH) {
            if (streamBufferSize_ >= STREAM_BUFFER_MAX_SIZE) return 0;
            releaseStreamBuffer();
            streamBufferSize_ *= 2;
            continue;
        }
        if (status != platform::NT_STATUS_SUCCESS) return 0;
        break;
    }

    u32 offset = 0;
    for (;;) {
        if (static_cast<u64>(offset) + platform::STREAM_RECORD_HEADER_SIZE > streamBufferSize_) break;
        const u8* record = streamBuffer_ + offset;
        u32 next = readLe32(record);
        u32 nameBytes = readLe32(record + 4);
        u64 streamSize = readLe64(record + 8);
        // The first record untouched: the system listed nothing.
        if (offset == 0 && nameBytes == 0) break;
        if (next != 0 && nameBytes > next) break;
        if (static_cast<u64>(offset) + platform::STREAM_RECORD_HEADER_SIZE + nameBytes > streamBufferSize_) break;

        u32 nameLength = nameBytes / 2;
        // The name is copied out: the record walk must not depend on the name's alignment.
        if (!growBuffer(streamNodeName_, streamNodeNameCapacity_, nameLength + 1)) return ERR_NO_MEMORY;
        char16_t* name = streamNodeName_.get();
        std::memcpy(name, record + platform::STREAM_RECORD_HEADER_SIZE, nameLength * sizeof(char16_t));
        if (nameLength >= STREAM_DATA_SUFFIX_LENGTH &&
            std::memcmp(name + nameLength - STREAM_DATA_SUFFIX_LENGTH, STREAM_DATA_SUFFIX,
                        STREAM_DATA_SUFFIX_LENGTH * sizeof(char16_t)) == 0)
            nameLength -= STREAM_DATA_SUFFIX_LENGTH;
        // ":" is the unnamed main stream, which is the file itself; a name with nothing left would
        // stand for the file as well.
        if (nameLength > 0 && !(nameLength == 1 && name[0] == u':')) {
            u32 result = scanStream(showDetails, compareMode, path, entry, name, nameLength, streamSize, digestsWanted,
                                    tree, parent, changeCount);
            if (result) return result;
        }
        if (next == 0 || next > streamBufferSize_) break;
        offset += next;
    }
    return 0;
}

u32 FileSystemScanner::scanStream(bool showDetails, bool compareMode, const char16_t* path,
                                  const platform::ListingEntry& entry, const char16_t* streamName,
                                  u32 streamNameLength, u64 streamSize, bool digestsWanted, SnapshotTree& tree,
                                  SnapshotNode* parent, u32* changeCount) {
    // Stream path "C:\dir\a.txt:s" and node name "a.txt:s" share one buffer: path, NUL, name.
    const u32 pathLength = length16(path);
    const u32 entryLength = length16(entry.name);
    const u32 needed = pathLength + streamNameLength + 1 + entryLength + streamNameLength + 1;
    if (!growBuffer(streamPath_, streamPathCapacity_, needed)) return ERR_NO_MEMORY;
    char16_t* streamPath = streamPath_.get();
    std::memcpy(streamPath, path, pathLength * sizeof(char16_t));
    std::memcpy(streamPath + pathLength, streamName, streamNameLength * sizeof(char16_t));
    streamPath[pathLength + streamNameLength] = 0;
    char16_t* nodeName = streamPath + pathLength + streamNameLength + 1;
    std::memcpy(nodeName, entry.name, entryLength * sizeof(char16_t));
    std::memcpy(nodeName + entryLength, streamName, streamNameLength * sizeof(char16_t));
    nodeName[entryLength + streamNameLength] = 0;

    u8 digest[MD5_DIGEST_SIZE] = {};
    bool computed = false;
    if (digestsWanted) {
        if (u32 error = computeDigest(streamPath, digest, computed)) return error;
    }
    Item item{streamPath, nodeName, streamSize, static_cast<u16>(entry.attributes), entry.lastWriteTime,
              computed ? digest : nullptr};
    // A stream has no time stamp of its own.
    if (showDetails) showItemDetails(STATUS_RUNNING, item, false);

    if (!compareMode) {
        if (!tree.addNode(0, true, parent, nodeName, digestsWanted ? digest : nullptr, &item.size, &item.attributes,
                          &item.time, nullptr, 0))
            return ERR_NO_MEMORY;
    } else {
        SnapshotNode* found = parent ? tree.findChild(parent, nodeName, true) : nullptr;
        if (found) found->markSeen();
        compareItem(found, item, digestsWanted, LINE_FILE_TOTALS, tree, changeCount);
    }
    ++fileCount_;
    totalSize_ += streamSize;
    return 0;
}

u32 scanFileSystem(bool showDetails, ProgressSink* sink, FileSystemScanner& scanner, bool compareMode,
                   SnapshotTree& tree, const PtrList& paths, u32* changeCount, bool skipWindowsUpdateFiles) {
    u32 result = 0;
    const u32 count = paths.count();
    for (u32 i = 0; i < count; ++i) {
        const auto* root = static_cast<const DirectoryEntry*>(paths.at(i));
        const char16_t* rootPath = root ? root->path.get() : nullptr;
        if (showDetails && sink) sink->showStatus(STATUS_DETAIL, LINE_FILE_ITEM, scanner.text(TEXT_PROCESSING_ROOT), rootPath);
        result = scanner.scanRoot(showDetails, compareMode, rootPath, root ? root->mode : MODE_QUICK, tree, changeCount,
                                  i + 1 == count, skipWindowsUpdateFiles);
        if (result) {
            if (sink) {
                char code[16];
                formatText(code, sizeof code, "%u", result);
                sink->showStatus(STATUS_ALWAYS, LINE_FILE_TOTALS, scanner.text(TEXT_ROOT_ERROR), rootPath, code);
            }
            break;
        }
    }
    if (showDetails && sink) {
        sink->showStatus(STATUS_ALWAYS, LINE_FILE_ITEM, scanner.text(TEXT_FILE_SYSTEM_COMPLETE));
        for (u32 line = LINE_FILE_SIZE; line <= LINE_FILE_DIGEST; ++line) sink->showStatus(STATUS_ALWAYS, line, "");
    }
    return result;
}

}  // namespace pelorin
