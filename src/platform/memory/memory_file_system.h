#pragma once
// In-memory file system for tests and fuzzing. It stages what a real system shows only with
// effort (or not at all under Wine): files locked against reading, and failures on demand.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace pelorin::platform {

class MemoryFileSystem : public FileSystem {
public:
    struct FileData {
        std::vector<u8> bytes;
        u32 openError = 0;  // non-zero: opening gives this code (e.g. 32, a sharing violation)
    };

    // Creates or replaces a file with the given contents.
    FileData& putFile(const std::u16string& path, std::vector<u8> bytes);
    FileData* findFile(const std::u16string& path);

    u32 openForReading(const char16_t* path, std::unique_ptr<File>& out) override;

private:
    std::map<std::u16string, std::shared_ptr<FileData>> files_;
};

}  // namespace pelorin::platform
