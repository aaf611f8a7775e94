// The listable tree of the in-memory file system: directories with their entries in the order
// they were added, files, named streams, junctions, and the stream query's record lists.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/memory/memory_file_system.h"

namespace pelorin::platform {

struct MemoryFileSystem::TreeNode {
    std::u16string name;
    bool directory = true;
    DirectoryData dir;
    std::shared_ptr<FileData> file;
    TreeNode* parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> children;   // listing order
    std::map<std::u16string, TreeNode*> index;          // by folded name
    std::vector<std::pair<std::u16string, std::shared_ptr<FileData>>> streams;
};

namespace {

using TreeNode = MemoryFileSystem::TreeNode;

constexpr u32 kInvalidFunction = 1;
constexpr u32 kFileNotFound = 2;
constexpr u32 kPathNotFound = 3;
constexpr u32 kAccessDenied = 5;
constexpr u32 kInvalidName = 123;
constexpr u32 kNotADirectory = 267;
// A junction whose target is a junction again is followed at most this often per name.
constexpr u32 kJunctionHops = 64;

std::u16string fold(std::u16string text) {
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return text;
}

std::vector<std::u16string> splitPath(const std::u16string& path) {
    std::u16string p = path;
    if (p.rfind(u"\\\\?\\", 0) == 0) p = p.substr(4);
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find(u'\\', start);
        if (end == std::u16string::npos) end = p.size();
        if (end > start) parts.push_back(p.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// "C:\d\a.txt:s" names the stream "s" of C:\d\a.txt; a drive's colon does not count.
bool splitStream(const std::u16string& path, std::u16string& owner, std::u16string& stream) {
    std::size_t slash = path.rfind(u'\\');
    if (slash == std::u16string::npos) return false;
    std::size_t colon = path.find(u':', slash);
    if (colon == std::u16string::npos) return false;
    owner = path.substr(0, colon);
    stream = path.substr(colon + 1);
    const std::u16string data = u":$DATA";
    if (stream.size() >= data.size() && fold(stream.substr(stream.size() - data.size())) == fold(data))
        stream.resize(stream.size() - data.size());
    return true;
}

TreeNode* childOf(const TreeNode* node, const std::u16string& name) {
    auto it = node->index.find(fold(name));
    return it == node->index.end() ? nullptr : it->second;
}

TreeNode& attachChild(TreeNode& parent, const std::u16string& name, bool directory) {
    auto node = std::make_unique<TreeNode>();
    node->name = name;
    node->directory = directory;
    node->parent = &parent;
    TreeNode& added = *node;
    parent.children.push_back(std::move(node));
    parent.index[fold(name)] = &added;
    return added;
}

void makeDirectory(TreeNode& node) {
    if (node.directory) return;
    node.directory = true;
    node.file.reset();
    node.streams.clear();
    node.dir = MemoryFileSystem::DirectoryData();
}

void putLe32(std::vector<u8>& out, std::size_t at, u32 v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<u8>(v >> (8 * i));
}

void putLe64(std::vector<u8>& out, std::size_t at, u64 v) {
    for (int i = 0; i < 8; ++i) out[at + i] = static_cast<u8>(v >> (8 * i));
}

u64 listedSizeOf(const MemoryFileSystem::FileData& file) {
    return file.listedSize == MemoryFileSystem::SIZE_OF_CONTENTS ? file.bytes.size() : file.listedSize;
}

// FILE_STREAM_INFORMATION as NTFS lays it out: records at 8-byte boundaries, each pointing to
// the next, the last with offset 0; names ":name:$DATA", the unnamed stream "::$DATA".
std::vector<u8> buildStreamRecords(const TreeNode& node) {
    struct Stream {
        std::u16string name;
        u64 size;
    };
    std::vector<Stream> list;
    if (!node.directory) list.push_back({u"::$DATA", listedSizeOf(*node.file)});
    for (const auto& [name, data] : node.streams) list.push_back({u":" + name + u":$DATA", data->bytes.size()});

    std::vector<u8> out;
    std::size_t last = 0;
    for (const Stream& s : list) {
        std::size_t at = (out.size() + 7) & ~std::size_t(7);
        if (!out.empty()) putLe32(out, last, static_cast<u32>(at - last));
        u32 nameBytes = static_cast<u32>(2 * s.name.size());
        out.resize(at + STREAM_RECORD_HEADER_SIZE + nameBytes, 0);
        putLe32(out, at, 0);
        putLe32(out, at + 4, nameBytes);
        putLe64(out, at + 8, s.size);
        putLe64(out, at + 16, (s.size + 4095) & ~u64(4095));
        std::memcpy(out.data() + at + STREAM_RECORD_HEADER_SIZE, s.name.data(), nameBytes);
        last = at;
    }
    return out;
}

// How much of a record list fits into `size` bytes when only whole records are written; the
// last record written then gets offset 0.
std::size_t wholeRecordsThatFit(std::vector<u8>& records, u32 size) {
    std::size_t at = 0;
    std::size_t fitting = 0;
    std::size_t lastFitting = SIZE_MAX;
    while (at + STREAM_RECORD_HEADER_SIZE <= records.size()) {
        u32 next = 0;
        u32 nameBytes = 0;
        std::memcpy(&next, records.data() + at, 4);
        std::memcpy(&nameBytes, records.data() + at + 4, 4);
        std::size_t end = at + STREAM_RECORD_HEADER_SIZE + nameBytes;
        if (end > size) break;
        fitting = end;
        lastFitting = at;
        if (next == 0) break;
        at += next;
    }
    if (lastFitting != SIZE_MAX) putLe32(records, lastFitting, 0);
    return fitting;
}

class MemoryListing : public DirectoryListing {
public:
    struct Entry {
        std::u16string name;
        u32 attributes;
        u64 time;
        u64 size;
    };
    explicit MemoryListing(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    bool next(ListingEntry& out) override {
        if (position_ >= entries_.size()) return false;
        const Entry& e = entries_[position_++];
        out.name = e.name.c_str();
        out.attributes = e.attributes;
        out.lastWriteTime = e.time;
        out.size = e.size;
        return true;
    }

private:
    std::vector<Entry> entries_;
    std::size_t position_ = 0;
};

class MemoryStreamQuery : public File {
public:
    MemoryStreamQuery(MemoryFileSystem& owner, std::vector<u8> records)
        : owner_(owner), records_(std::move(records)) {}

    u32 read(void*, u32, u32& got) override { return got = 0, kInvalidFunction; }
    u32 write(const void*, u32, u32& written) override { return written = 0, kInvalidFunction; }
    u32 seek(u64) override { return kInvalidFunction; }
    u32 size(u64& out) override { return out = 0, kInvalidFunction; }
    u32 setEndOfFile() override { return kInvalidFunction; }

    u32 queryStreamInformation(void* buffer, u32 size) override {
        owner_.streamQuerySizes.push_back(size);
        if (owner_.streamQueryStatus) return owner_.streamQueryStatus;
        if (reinterpret_cast<std::uintptr_t>(buffer) % 8) return NT_STATUS_DATATYPE_MISALIGNMENT;
        if (records_.size() <= size) {
            if (!records_.empty()) std::memcpy(buffer, records_.data(), records_.size());
            return NT_STATUS_SUCCESS;
        }
        if (owner_.streamTooSmallStatus == NT_STATUS_BUFFER_OVERFLOW) {
            std::vector<u8> partial = records_;
            std::size_t fitting = wholeRecordsThatFit(partial, size);
            if (fitting) std::memcpy(buffer, partial.data(), fitting);
        }
        return owner_.streamTooSmallStatus;
    }

private:
    MemoryFileSystem& owner_;
    std::vector<u8> records_;
};

}  // namespace

MemoryFileSystem::TreeNode& MemoryFileSystem::treeRoot() {
    if (!tree_) tree_ = std::make_shared<TreeNode>();
    return *tree_;
}

MemoryFileSystem::TreeNode* MemoryFileSystem::locate(const std::u16string& path, bool followLastJunction) {
    std::vector<std::u16string> parts = splitPath(path);
    if (parts.empty()) return nullptr;
    TreeNode* node = &treeRoot();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        node = childOf(node, parts[i]);
        if (!node) return nullptr;
        bool last = i + 1 == parts.size();
        u32 hops = 0;
        while (node->directory && !node->dir.junctionTarget.empty() && (!last || followLastJunction)) {
            if (++hops > kJunctionHops) return nullptr;
            node = locate(node->dir.junctionTarget, false);
            if (!node) return nullptr;
        }
        if (!last && !node->directory) return nullptr;
    }
    return node;
}

MemoryFileSystem::TreeNode* MemoryFileSystem::locateParent(const std::u16string& path, std::u16string& name,
                                                           bool create) {
    std::vector<std::u16string> parts = splitPath(path);
    if (parts.empty()) return nullptr;
    name = parts.back();
    TreeNode* node = &treeRoot();
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        TreeNode* next = childOf(node, parts[i]);
        if (!next) {
            if (!create) return nullptr;
            next = &attachChild(*node, parts[i], true);
        }
        if (!next->directory) {
            if (!create) return nullptr;
            makeDirectory(*next);
        }
        node = next;
    }
    return node;
}

MemoryFileSystem::DirectoryData& MemoryFileSystem::addDirectory(const std::u16string& path, u64 writeTime) {
    std::u16string name;
    TreeNode* parent = locateParent(path, name, true);
    TreeNode* node = childOf(parent, name);
    if (!node) node = &attachChild(*parent, name, true);
    makeDirectory(*node);
    node->dir.writeTime = writeTime;
    return node->dir;
}

MemoryFileSystem::FileData& MemoryFileSystem::addFile(const std::u16string& path, std::vector<u8> bytes,
                                                      u64 writeTime) {
    std::u16string name;
    TreeNode* parent = locateParent(path, name, true);
    TreeNode* node = childOf(parent, name);
    if (!node) node = &attachChild(*parent, name, false);
    node->directory = false;
    node->children.clear();
    node->index.clear();
    node->streams.clear();
    node->dir = DirectoryData();
    node->file = std::make_shared<FileData>();
    node->file->bytes = std::move(bytes);
    node->file->writeTime = writeTime;
    return *node->file;
}

MemoryFileSystem::FileData& MemoryFileSystem::addStream(const std::u16string& ownerPath,
                                                        const std::u16string& streamName, std::vector<u8> bytes) {
    TreeNode* owner = locate(ownerPath, false);
    if (!owner) {
        addFile(ownerPath, {});
        owner = locate(ownerPath, false);
    }
    auto data = std::make_shared<FileData>();
    data->bytes = std::move(bytes);
    for (auto& [name, existing] : owner->streams) {
        if (fold(name) == fold(streamName)) {
            existing = data;
            return *data;
        }
    }
    owner->streams.emplace_back(streamName, data);
    return *data;
}

MemoryFileSystem::DirectoryData& MemoryFileSystem::addJunction(const std::u16string& path,
                                                               const std::u16string& target) {
    DirectoryData& dir = addDirectory(path);
    dir.attributes = FILE_ATTRIBUTE_DIRECTORY_BIT | FILE_ATTRIBUTE_REPARSE_POINT_BIT;
    dir.junctionTarget = target;
    return dir;
}

bool MemoryFileSystem::removeEntry(const std::u16string& path) {
    std::u16string name;
    TreeNode* parent = locateParent(path, name, false);
    TreeNode* node = parent ? childOf(parent, name) : nullptr;
    if (!node) return false;
    parent->index.erase(fold(name));
    auto& list = parent->children;
    list.erase(std::find_if(list.begin(), list.end(), [&](const auto& c) { return c.get() == node; }));
    return true;
}

u32 MemoryFileSystem::deleteFile(const char16_t* path) {
    TreeNode* node = path ? locate(path, false) : nullptr;
    if (!node) return kFileNotFound;
    if (node->directory || (node->file->attributes & FILE_ATTRIBUTE_READONLY_BIT)) return kAccessDenied;
    if (node->file->openError) return node->file->openError;
    removeEntry(path);
    return 0;
}

u32 MemoryFileSystem::deleteTreeAnsi(const char* path) {
    if (!path || !*path) return kInvalidName;
    std::u16string wide(path, path + std::strlen(path));
    for (char16_t& c : wide) c = static_cast<char16_t>(static_cast<unsigned char>(c));
    TreeNode* node = locate(wide, false);
    if (!node) return kPathNotFound;
    if (!node->directory) return kNotADirectory;
    // Depth-first, as a real delete has to go: a listing that fails keeps what it holds, and
    // so keeps every directory above it; a junction is removed without being followed.
    struct Walk {
        static u32 clear(TreeNode& dir) {
            if (!(dir.dir.attributes & FILE_ATTRIBUTE_REPARSE_POINT_BIT) && dir.dir.listError) return dir.dir.listError;
            if (dir.dir.attributes & FILE_ATTRIBUTE_REPARSE_POINT_BIT) return 0;
            u32 firstError = 0;
            for (std::size_t i = 0; i < dir.children.size();) {
                TreeNode& child = *dir.children[i];
                u32 error = child.directory ? clear(child) : child.file->openError;
                if (error) {
                    if (!firstError) firstError = error;
                    ++i;
                    continue;
                }
                dir.index.erase(fold(child.name));
                dir.children.erase(dir.children.begin() + static_cast<std::ptrdiff_t>(i));
            }
            return firstError;
        }
    };
    u32 error = Walk::clear(*node);
    if (error) return error;
    TreeNode* parent = node->parent;
    if (!parent) return kAccessDenied;  // the root of everything stays
    parent->index.erase(fold(node->name));
    auto& list = parent->children;
    list.erase(std::find_if(list.begin(), list.end(), [&](const auto& c) { return c.get() == node; }));
    return 0;
}

MemoryFileSystem::DirectoryData* MemoryFileSystem::findDirectory(const std::u16string& path) {
    TreeNode* node = locate(path, false);
    return node && node->directory ? &node->dir : nullptr;
}

std::shared_ptr<MemoryFileSystem::FileData> MemoryFileSystem::treeFile(const std::u16string& path) {
    std::u16string owner;
    std::u16string stream;
    if (splitStream(path, owner, stream)) {
        TreeNode* node = locate(owner, true);
        if (!node) return nullptr;
        for (const auto& [name, data] : node->streams)
            if (fold(name) == fold(stream)) return data;
        // "a.txt::$DATA" is the file itself.
        if (stream.empty() && !node->directory) return node->file;
        return nullptr;
    }
    TreeNode* node = locate(path, false);
    return node && !node->directory ? node->file : nullptr;
}

u32 MemoryFileSystem::listDirectory(const char16_t* directory, std::unique_ptr<DirectoryListing>& out) {
    out.reset();
    if (listingOutOfMemory) return ERR_NO_MEMORY;
    const std::u16string path = directory ? directory : u"";
    TreeNode* named = locate(path, false);
    if (!named || !named->directory) return kPathNotFound;
    if (named->dir.listError) return named->dir.listError;
    TreeNode* node = locate(path, true);
    if (!node || !node->directory) return kPathNotFound;
    if (node->dir.listError) return node->dir.listError;

    std::vector<MemoryListing::Entry> entries;
    bool driveRoot = node->parent == tree_.get();
    if (listDotEntries && !driveRoot) {
        entries.push_back({u".", FILE_ATTRIBUTE_DIRECTORY_BIT, node->dir.writeTime, 0});
        entries.push_back({u"..", FILE_ATTRIBUTE_DIRECTORY_BIT, node->dir.writeTime, 0});
    }
    for (const auto& child : node->children) {
        if (child->directory) {
            entries.push_back({child->name, child->dir.attributes, child->dir.writeTime, 0});
        } else {
            const FileData& f = *child->file;
            entries.push_back({child->name, f.attributes, f.writeTime, listedSizeOf(f)});
        }
    }
    // A drive root with nothing in it cannot be listed at all, as on Windows.
    if (entries.empty()) return kFileNotFound;
    out = std::make_unique<MemoryListing>(std::move(entries));
    return 0;
}

u32 MemoryFileSystem::openForStreams(const char16_t* path, bool directory, std::unique_ptr<File>& out) {
    out.reset();
    TreeNode* node = locate(path ? path : u"", true);
    if (!node) return kFileNotFound;
    if (node->directory) {
        // A directory opens only with backup semantics.
        if (!directory) return kAccessDenied;
        if (node->dir.openError) return node->dir.openError;
        out = std::make_unique<MemoryStreamQuery>(*this, buildStreamRecords(*node));
        return 0;
    }
    if (node->file->openError) return node->file->openError;
    std::vector<u8> records =
        node->file->streamRecords.empty() ? buildStreamRecords(*node) : node->file->streamRecords;
    out = std::make_unique<MemoryStreamQuery>(*this, std::move(records));
    return 0;
}

bool MemoryFileSystem::queryVolumePathName(const char16_t* path, char16_t* out, u32 capacity) {
    if (!volumePathNameWorks || !path || !out) return false;
    std::u16string p = path;
    if (p.rfind(u"\\\\?\\", 0) == 0) p = p.substr(4);
    if (p.size() < 2 || p[1] != u':' || capacity < 4) return false;
    out[0] = p[0];
    out[1] = u':';
    out[2] = u'\\';
    out[3] = 0;
    return true;
}

bool MemoryFileSystem::queryVolumeFlags(const char16_t* volumeRoot, u32& flags) {
    flags = 0;
    if (!volumeRoot) return false;
    for (const auto& [root, value] : volumeFlags) {
        if (fold(root) == fold(volumeRoot)) {
            flags = value;
            return true;
        }
    }
    return false;
}

}  // namespace pelorin::platform
