#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <cstring>

#include "runtime/text.h"

namespace pelorin::platform {
namespace {

constexpr u32 kFileNotFound = 2;
constexpr u32 kPathNotFound = 3;
constexpr u32 kAccessDenied = 5;
constexpr u32 kAlreadyExists = 183;

char16_t foldCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool sameName(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char16_t x, char16_t y) { return foldCase(x) == foldCase(y); });
}

bool isDriveRoot(const std::u16string& path) {
    return path.size() == 3 && path[1] == u':' && path[2] == u'\\';
}

// Windows treats "\\?\C:\x" as "C:\x" and "\\?\UNC\s\x" as "\\s\x"; a trailing backslash
// names the same directory.
std::u16string normalize(std::u16string path) {
    if (path.rfind(u"\\\\?\\UNC\\", 0) == 0) {
        path = u"\\\\" + path.substr(8);
    } else if (path.rfind(u"\\\\?\\", 0) == 0) {
        path = path.substr(4);
    }
    while (path.size() > 1 && path.back() == u'\\' && !isDriveRoot(path)) path.pop_back();
    return path;
}

class MemoryFile : public File {
public:
    MemoryFile(MemoryFileSystem& owner, std::shared_ptr<MemoryFileSystem::FileData> data)
        : owner_(owner), data_(std::move(data)) {}

    u32 read(void* buffer, u32 size, u32& got) override {
        const auto& bytes = data_->bytes;
        u64 available = position_ < bytes.size() ? bytes.size() - position_ : 0;
        got = static_cast<u32>(std::min<u64>(available, size));
        if (got) std::memcpy(buffer, bytes.data() + position_, got);
        position_ += got;
        return 0;
    }
    u32 write(const void* data, u32 size, u32& written) override {
        written = 0;
        if (++owner_.writeCalls == owner_.failWriteAt) {
            if (owner_.failWriteError) return owner_.failWriteError;
            size /= 2;
        }
        auto& bytes = data_->bytes;
        if (position_ + size > bytes.size()) bytes.resize(position_ + size);
        if (size) std::memcpy(bytes.data() + position_, data, size);
        position_ += size;
        written = size;
        return 0;
    }
    u32 seek(u64 position) override {
        position_ = position;
        return 0;
    }
    u32 size(u64& out) override {
        out = data_->bytes.size();
        return 0;
    }
    u32 setEndOfFile() override {
        if (owner_.failSetEndOfFileError) return owner_.failSetEndOfFileError;
        data_->bytes.resize(position_);
        return 0;
    }
    u32 close() override { return owner_.failCloseError; }

private:
    MemoryFileSystem& owner_;
    std::shared_ptr<MemoryFileSystem::FileData> data_;
    u64 position_ = 0;
};

}  // namespace

MemoryFileSystem::FileData& MemoryFileSystem::putFile(const std::u16string& path, std::vector<u8> bytes) {
    auto data = std::make_shared<FileData>();
    data->bytes = std::move(bytes);
    files_[path] = data;
    return *data;
}

MemoryFileSystem::FileData* MemoryFileSystem::findFile(const std::u16string& path) {
    auto it = files_.find(path);
    return it == files_.end() ? treeFile(path).get() : it->second.get();
}

void MemoryFileSystem::putDirectory(const std::u16string& path) { directories_.push_back(normalize(path)); }

u32 MemoryFileSystem::attributesOf(std::u16string path) {
    path = normalize(path);
    if (isDriveRoot(path)) return FILE_ATTRIBUTE_DIRECTORY_BIT;
    for (const auto& d : directories_) {
        if (sameName(d, path)) return FILE_ATTRIBUTE_DIRECTORY_BIT;
    }
    for (const auto& [name, data] : files_) {
        if (sameName(normalize(name), path)) return data->attributes;
    }
    return FILE_ATTRIBUTES_INVALID;
}

u32 MemoryFileSystem::queryAttributes(const char16_t* path) {
    if (!path) return FILE_ATTRIBUTES_INVALID;
    const std::u16string name = normalize(path);
    for (const auto& failing : wideLookupFailures) {
        if (sameName(normalize(failing), name)) return FILE_ATTRIBUTES_INVALID;
    }
    return attributesOf(name);
}

u32 MemoryFileSystem::queryAttributesAnsi(const char* path) {
    if (!path) return FILE_ATTRIBUTES_INVALID;
    // The ANSI form resolves relative names the way the system does.
    char full[1024];
    if (!makeFullPathAnsi(path, full, sizeof full)) return FILE_ATTRIBUTES_INVALID;
    return attributesOf(widen(full));
}

bool MemoryFileSystem::makeFullPathAnsi(const char* name, char* out, u32 size) {
    if (!name || !*name) return false;
    std::string text(name);
    std::replace(text.begin(), text.end(), '/', '\\');
    std::string prefix;  // "C:" or "\\server"
    std::string rest;
    if (text.size() >= 2 && text[1] == ':') {
        prefix = text.substr(0, 2);
        rest = text.substr(2);
        if (rest.empty() || rest[0] != '\\') rest = "\\" + rest;
    } else if (text.rfind("\\\\", 0) == 0) {
        if (text.size() + 1 > size) return false;
        copyBounded(out, size, text);
        return true;
    } else if (text[0] == '\\') {
        prefix = currentDirectory.substr(0, 2);
        rest = text;
    } else {
        prefix = currentDirectory.substr(0, 2);
        rest = currentDirectory.substr(2) + "\\" + text;
    }
    // Collapse "." and ".." as the system does; a trailing backslash stays.
    const bool trailing = rest.size() > 1 && rest.back() == '\\';
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result = prefix;
    for (const auto& part : parts) result += "\\" + part;
    if (parts.empty() || trailing) result += "\\";
    if (result.size() + 1 > size) return false;
    copyBounded(out, size, result);
    return true;
}

u32 MemoryFileSystem::createDirectoryAnsi(const char* path) {
    char full[1024];
    if (!path || !makeFullPathAnsi(path, full, sizeof full)) return kPathNotFound;
    const std::u16string name = normalize(widen(full));
    if (attributesOf(name) != FILE_ATTRIBUTES_INVALID) return kAlreadyExists;
    const size_t cut = name.rfind(u'\\');
    if (cut == std::u16string::npos) return kPathNotFound;
    std::u16string parent = name.substr(0, cut);
    if (parent.size() == 2 && parent[1] == u':') parent += u'\\';
    const u32 parentAttributes = attributesOf(parent);
    if (parentAttributes == FILE_ATTRIBUTES_INVALID || !(parentAttributes & FILE_ATTRIBUTE_DIRECTORY_BIT)) {
        return kPathNotFound;
    }
    directories_.push_back(name);
    return 0;
}

u32 MemoryFileSystem::openForReading(const char16_t* path, std::unique_ptr<File>& out) {
    out.reset();
    auto it = files_.find(path ? std::u16string(path) : std::u16string());
    std::shared_ptr<FileData> data = it == files_.end() ? treeFile(path ? path : u"") : it->second;
    if (!data) return kFileNotFound;
    if (data->openError) return data->openError;
    out = std::make_unique<MemoryFile>(*this, data);
    return 0;
}

std::map<std::u16string, std::shared_ptr<MemoryFileSystem::FileData>>::iterator MemoryFileSystem::findAnsi(
    const char* path, std::u16string* full) {
    char buffer[1024];
    if (!path || !makeFullPathAnsi(path, buffer, sizeof buffer)) return files_.end();
    const std::u16string name = normalize(widen(buffer));
    if (full) *full = name;
    for (auto it = files_.begin(); it != files_.end(); ++it) {
        if (sameName(normalize(it->first), name)) return it;
    }
    return files_.end();
}

u32 MemoryFileSystem::openForReadingAnsi(const char* path, std::unique_ptr<File>& out) {
    out.reset();
    auto it = findAnsi(path, nullptr);
    if (it == files_.end()) return kFileNotFound;
    if (it->second->openError) return it->second->openError;
    out = std::make_unique<MemoryFile>(*this, it->second);
    return 0;
}

u32 MemoryFileSystem::createForWritingAnsi(const char* path, std::unique_ptr<File>& out) {
    out.reset();
    std::u16string full;
    auto it = findAnsi(path, &full);
    if (full.empty()) return kPathNotFound;
    if (it != files_.end()) {
        FileData& data = *it->second;
        if (data.openError) return data.openError;
        // CREATE_ALWAYS without the hidden or system attribute in its flags may not replace a
        // hidden or system file; nothing may replace a read-only one.
        if (data.attributes & (FILE_ATTRIBUTE_HIDDEN_BIT | FILE_ATTRIBUTE_SYSTEM_BIT | FILE_ATTRIBUTE_READONLY_BIT)) {
            return kAccessDenied;
        }
        data.bytes.clear();
        data.attributes |= FILE_ATTRIBUTE_ARCHIVE_BIT;
        out = std::make_unique<MemoryFile>(*this, it->second);
        return 0;
    }
    if (attributesOf(full) != FILE_ATTRIBUTES_INVALID) return kAccessDenied;  // a directory
    const size_t cut = full.rfind(u'\\');
    if (cut == std::u16string::npos) return kPathNotFound;
    std::u16string parent = full.substr(0, cut);
    if (parent.size() == 2 && parent[1] == u':') parent += u'\\';
    const u32 parentAttributes = attributesOf(parent);
    if (parentAttributes == FILE_ATTRIBUTES_INVALID || !(parentAttributes & FILE_ATTRIBUTE_DIRECTORY_BIT)) {
        return kPathNotFound;
    }
    auto data = std::make_shared<FileData>();
    files_[full] = data;
    out = std::make_unique<MemoryFile>(*this, data);
    return 0;
}

u32 MemoryFileSystem::setAttributesAnsi(const char* path, u32 attributes) {
    auto it = findAnsi(path, nullptr);
    if (it == files_.end()) return kFileNotFound;
    it->second->attributes = attributes & ~FILE_ATTRIBUTE_DIRECTORY_BIT;
    return 0;
}

u32 MemoryFileSystem::deleteFileAnsi(const char* path) {
    auto it = findAnsi(path, nullptr);
    if (it == files_.end()) return kFileNotFound;
    if (it->second->attributes & FILE_ATTRIBUTE_READONLY_BIT) return kAccessDenied;
    files_.erase(it);
    return 0;
}

}  // namespace pelorin::platform
