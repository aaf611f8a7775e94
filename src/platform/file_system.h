#pragma once
// File-system part of the platform seam. Paths are UTF-16, NUL-terminated, as Windows takes them.
#include <memory>

#include "runtime/types.h"

namespace pelorin::platform {

// An open file; the destructor closes it. Every operation gives 0 or a system error code.
class File {
public:
    virtual ~File() = default;
    // Reads up to `size` bytes at the current position; `got` is 0 at the end of the file.
    virtual u32 read(void* buffer, u32 size, u32& got) = 0;
    // Writes `size` bytes at the current position; `written` may come out short.
    virtual u32 write(const void* data, u32 size, u32& written) = 0;
    virtual u32 seek(u64 position) = 0;
    virtual u32 size(u64& out) = 0;
    // Ends the file at the current position.
    virtual u32 setEndOfFile() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file (or a stream path "a.txt:s") for reading, sharing read and write
    // with other processes. A file locked against reading gives its error code.
    virtual u32 openForReading(const char16_t* path, std::unique_ptr<File>& out) = 0;
};

}  // namespace pelorin::platform
