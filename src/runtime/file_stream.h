#pragma once
// The runtime's buffered file: exact-count reads and writes of a snapshot or result file through
// a buffer of the system's allocation granularity. File names are ANSI texts (the run options
// keep them so) and go to the system's ANSI calls unchanged.
//
// The stream keeps an error code, 0 while all goes well. Every failing operation sets it, and
// once it is set every later read or write fails at once with it, so a caller may write a whole
// section and look at the code only at the end.
#include <memory>

#include "runtime/types.h"

namespace pelorin {

namespace platform {
class File;
}

// Buffer size when the system reports an allocation granularity of 0.
constexpr u32 FILE_STREAM_DEFAULT_BUFFER = 65536;

// Error of an operation on a stream that is not open (ERROR_INVALID_HANDLE).
constexpr u32 ERR_NOT_OPEN = 6;

class FileStream {
public:
    // A stream for `name`, not yet open: 5 for an empty or missing name, 260 without memory.
    static u32 create(const char* name, std::unique_ptr<FileStream>& out);
    // Closes (see close).
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Creates the file, replacing an existing one. An existing hidden file refuses that with
    // access denied; its hidden attribute is then removed and the creation tried once more.
    // Gives 0 or the system's error code.
    u32 openForWriting();
    // Opens an existing file. Gives 0 or the system's error code.
    u32 openForReading();

    // Exactly `count` bytes, or 256 (reading) / 257 (writing).
    u32 read(void* buffer, u32 count);
    u32 write(const void* data, u32 count);
    u32 readU8(u8& value) { return read(&value, 1); }
    u32 readU32(u32& value);  // little-endian
    u32 writeU8(u8 value) { return write(&value, 1); }
    u32 writeU32(u32 value);

    // The offset of the next byte read or written, and the file's size (written data included).
    u32 position(u64& out);
    u32 size(u64& out);

    // Writes out what is buffered, ends the file behind the written data and closes it; any
    // failure of these gives 257. Closing a stream that failed earlier gives that earlier code.
    // A stream that is not open gives its code (0 when none).
    u32 close();

    u32 error() const { return error_; }
    bool isOpen() const { return file_ != nullptr; }
    const char* name() const { return name_.get(); }
    u32 bufferSize() const { return capacity_; }

private:
    FileStream() = default;
    u32 fail(u32 code) { return error_ = code; }
    u32 flushBuffer();
    // One read of the underlying file; 0 bytes at its end.
    u32 readFile(void* buffer, u32 count, u32& got);

    std::unique_ptr<char[]> name_;
    std::unique_ptr<u8[]> buffer_;
    u32 capacity_ = 0;
    std::unique_ptr<platform::File> file_;
    bool writing_ = false;
    u32 error_ = 0;
    u64 position_ = 0;  // logical: what the caller has read or written
    // Reading: buffer_[next_, end_) holds the bytes after position_. Writing: buffer_[0, end_)
    // waits to be written.
    u32 next_ = 0;
    u32 end_ = 0;
};

}  // namespace pelorin
