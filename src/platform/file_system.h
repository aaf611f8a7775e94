#pragma once
// File-system part of the platform seam. Paths are UTF-16, NUL-terminated, as Windows takes them.
#include <memory>

#include "runtime/types.h"

namespace pelorin::platform {

constexpr u32 FILE_ATTRIBUTES_INVALID = 0xFFFFFFFF;
constexpr u32 FILE_ATTRIBUTE_DIRECTORY_BIT = 0x10;
constexpr u32 FILE_ATTRIBUTE_ARCHIVE_BIT = 0x20;
constexpr u32 FILE_ATTRIBUTE_READONLY_BIT = 0x01;
constexpr u32 FILE_ATTRIBUTE_HIDDEN_BIT = 0x02;
constexpr u32 FILE_ATTRIBUTE_SYSTEM_BIT = 0x04;

// Answer of an operation an implementation does not offer (ERROR_CALL_NOT_IMPLEMENTED).
constexpr u32 PLATFORM_NOT_IMPLEMENTED = 120;
constexpr u32 FILE_ATTRIBUTE_REPARSE_POINT_BIT = 0x400;

// Volume flag: the file system keeps named (alternate) data streams.
constexpr u32 VOLUME_NAMED_STREAMS = 0x40000;

// NTSTATUS answers of the stream query. The three "too small" answers differ by file system
// (and by how much of the list fitted); the query is simply retried with a larger buffer.
constexpr u32 NT_STATUS_SUCCESS = 0;
constexpr u32 NT_STATUS_BUFFER_OVERFLOW = 0x80000005;
constexpr u32 NT_STATUS_DATATYPE_MISALIGNMENT = 0x80000002;
constexpr u32 NT_STATUS_NOT_IMPLEMENTED = 0xC0000002;
constexpr u32 NT_STATUS_INFO_LENGTH_MISMATCH = 0xC0000004;
constexpr u32 NT_STATUS_BUFFER_TOO_SMALL = 0xC0000023;

// The fixed part of one FILE_STREAM_INFORMATION record: next-entry offset u32 (relative to
// this record, 0 for the last), name length u32 in bytes, stream size u64, allocation size u64;
// the UTF-16 name (":name:$DATA", no NUL) follows.
constexpr u32 STREAM_RECORD_HEADER_SIZE = 24;

// One entry of a directory listing, as FindFirstFileW/FindNextFileW give it. `name` stays
// valid until the next call on the listing.
struct ListingEntry {
    const char16_t* name = nullptr;
    u32 attributes = 0;
    u64 lastWriteTime = 0;  // FILETIME, UTC
    u64 size = 0;
};

// An open directory listing; the destructor closes it.
class DirectoryListing {
public:
    virtual ~DirectoryListing() = default;
    // The next entry in the order the system lists them (with "." and ".." where the system
    // gives them); false at the end.
    virtual bool next(ListingEntry& out) = 0;
};

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
    // Lists the file's data streams (FILE_STREAM_INFORMATION records) into `buffer`, which must
    // be 8-byte aligned, and gives the NTSTATUS. Only files opened with openForStreams can.
    virtual u32 queryStreamInformation(void* buffer, u32 size) {
        (void)buffer, (void)size;
        return NT_STATUS_NOT_IMPLEMENTED;
    }
    // Closes the handle now and tells whether that worked; the destructor closes silently.
    virtual u32 close() { return 0; }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file (or a stream path "a.txt:s") for reading, sharing read and write
    // with other processes. A file locked against reading gives its error code.
    virtual u32 openForReading(const char16_t* path, std::unique_ptr<File>& out) = 0;

    // The operations below fail unless an implementation gives them (test doubles need not).

    // Attributes of a file or directory (GetFileAttributesW); FILE_ATTRIBUTES_INVALID when it
    // does not exist or cannot be asked. Takes long-path-prefixed names ("\\?\C:\...").
    virtual u32 queryAttributes(const char16_t*) { return FILE_ATTRIBUTES_INVALID; }
    // The same through the ANSI interface, for names kept as ANSI texts.
    virtual u32 queryAttributesAnsi(const char*) { return FILE_ATTRIBUTES_INVALID; }
    // Makes an ANSI name absolute against the current directory (GetFullPathNameA) into out;
    // false, with out untouched, when that fails or the result does not fit into size bytes.
    virtual bool makeFullPathAnsi(const char*, char*, u32) { return false; }
    // Creates one directory (its parent must exist). Gives 0 or the system error code.
    virtual u32 createDirectoryAnsi(const char*) { return ERR_ACCESS_DENIED; }

    // Lists the directory `directory` (the pattern directory + "\*"). Gives 0, ERR_NO_MEMORY
    // when the listing's own memory cannot be had, or the system's error code when the listing
    // cannot be opened (access denied, path too long, missing directory).
    virtual u32 listDirectory(const char16_t* directory, std::unique_ptr<DirectoryListing>& out) {
        (void)directory;
        out.reset();
        return 3;  // ERROR_PATH_NOT_FOUND
    }
    // Opens a file, or a directory when `directory` is set, only to ask for its stream list
    // (queryStreamInformation). Gives 0 or the system error code.
    virtual u32 openForStreams(const char16_t* path, bool directory, std::unique_ptr<File>& out) {
        (void)path, (void)directory;
        out.reset();
        return 1;  // ERROR_INVALID_FUNCTION
    }
    // The root of the volume holding `path` (GetVolumePathNameW) into out (capacity in units,
    // NUL included); false when the call is missing or fails.
    virtual bool queryVolumePathName(const char16_t* path, char16_t* out, u32 capacity) {
        (void)path, (void)out, (void)capacity;
        return false;
    }
    // The file-system flags of the volume whose root is `volumeRoot` (GetVolumeInformationW, or
    // the ANSI form with the root narrowed when the wide one is missing); false on failure.
    virtual bool queryVolumeFlags(const char16_t* volumeRoot, u32& flags) {
        (void)volumeRoot;
        flags = 0;
        return false;
    }
    // Files named by ANSI texts (the snapshot and result files, whose names the run options
    // keep as ANSI): the ANSI calls of the system, so that a name means what it means to the
    // dialogs and the command line that produced it. The defaults answer
    // PLATFORM_NOT_IMPLEMENTED.

    // Opens an existing file for reading, sharing reading with others.
    virtual u32 openForReadingAnsi(const char* path, std::unique_ptr<File>& out) {
        (void)path, out.reset();
        return PLATFORM_NOT_IMPLEMENTED;
    }
    // Creates a file for writing, replacing an existing one (CREATE_ALWAYS). Windows refuses
    // this with 5 when the existing file is hidden, a system file or read-only (Wine replaces a
    // hidden one); the in-memory file system refuses as Windows does.
    virtual u32 createForWritingAnsi(const char* path, std::unique_ptr<File>& out) {
        (void)path, out.reset();
        return PLATFORM_NOT_IMPLEMENTED;
    }
    // Sets a file's attributes (SetFileAttributesA).
    virtual u32 setAttributesAnsi(const char* path, u32 attributes) {
        (void)path, (void)attributes;
        return PLATFORM_NOT_IMPLEMENTED;
    }
    // Deletes a file (DeleteFileA).
    virtual u32 deleteFileAnsi(const char* path) {
        (void)path;
        return PLATFORM_NOT_IMPLEMENTED;
    }

    // Undo of added files and directories.

    // Deletes one file (DeleteFileW).
    virtual u32 deleteFile(const char16_t* path) {
        (void)path;
        return PLATFORM_NOT_IMPLEMENTED;
    }
    // Deletes a directory with everything below it, read-only files included. A link below it
    // (a directory reparse point) is removed itself, never followed: undoing an added directory
    // must not reach into the tree a junction points at. Goes on past an entry that cannot be
    // deleted and gives the first error.
    virtual u32 deleteTreeAnsi(const char* path) {
        (void)path;
        return PLATFORM_NOT_IMPLEMENTED;
    }
};

}  // namespace pelorin::platform
