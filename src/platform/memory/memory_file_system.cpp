#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <cstring>

namespace pelorin::platform {
namespace {

constexpr u32 kFileNotFound = 2;

class MemoryFile : public File {
public:
    explicit MemoryFile(std::shared_ptr<MemoryFileSystem::FileData> data) : data_(std::move(data)) {}

    u32 read(void* buffer, u32 size, u32& got) override {
        const auto& bytes = data_->bytes;
        u64 available = position_ < bytes.size() ? bytes.size() - position_ : 0;
        got = static_cast<u32>(std::min<u64>(available, size));
        if (got) std::memcpy(buffer, bytes.data() + position_, got);
        position_ += got;
        return 0;
    }
    u32 write(const void* data, u32 size, u32& written) override {
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
        data_->bytes.resize(position_);
        return 0;
    }

private:
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
    return it == files_.end() ? nullptr : it->second.get();
}

u32 MemoryFileSystem::openForReading(const char16_t* path, std::unique_ptr<File>& out) {
    out.reset();
    auto it = files_.find(path ? std::u16string(path) : std::u16string());
    if (it == files_.end()) return kFileNotFound;
    if (it->second->openError) return it->second->openError;
    out = std::make_unique<MemoryFile>(it->second);
    return 0;
}

}  // namespace pelorin::platform
