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
        u32 attributes = FILE_ATTRIBUTE_ARCHIVE_BIT;
    };

    // Creates or replaces a file with the given contents.
    FileData& putFile(const std::u16string& path, std::vector<u8> bytes);
    FileData* findFile(const std::u16string& path);
    // Adds a directory (its parents are not implied).
    void putDirectory(const std::u16string& path);

    // Relative names are resolved against this directory (no trailing backslash).
    std::string currentDirectory = "C:\\";
    // Names for which queryAttributes (the wide form) fails although the ANSI form finds them,
    // as with bytes that do not widen to the name's real characters.
    std::vector<std::u16string> wideLookupFailures;

    // Failures on demand for the files opened from now on. Writes are counted over all files
    // (1 = the first write); the write numbered failWriteAt fails with failWriteError, or, when
    // that is 0, writes only half of its bytes without an error (a full disk).
    u32 failWriteAt = 0;
    u32 failWriteError = 112;  // ERROR_DISK_FULL
    u32 writeCalls = 0;
    u32 failSetEndOfFileError = 0;
    u32 failCloseError = 0;

    u32 openForReading(const char16_t* path, std::unique_ptr<File>& out) override;
    u32 queryAttributes(const char16_t* path) override;
    u32 queryAttributesAnsi(const char* path) override;
    bool makeFullPathAnsi(const char* name, char* out, u32 size) override;
    u32 createDirectoryAnsi(const char* path) override;
    u32 openForReadingAnsi(const char* path, std::unique_ptr<File>& out) override;
    u32 createForWritingAnsi(const char* path, std::unique_ptr<File>& out) override;
    u32 setAttributesAnsi(const char* path, u32 attributes) override;
    u32 deleteFileAnsi(const char* path) override;

private:
    u32 attributesOf(std::u16string path);
    // The key of an existing file for an ANSI name (relative names against currentDirectory,
    // case ignored), or the end of the map.
    std::map<std::u16string, std::shared_ptr<FileData>>::iterator findAnsi(const char* path, std::u16string* full);

    std::map<std::u16string, std::shared_ptr<FileData>> files_;
    std::vector<std::u16string> directories_;
};

}  // namespace pelorin::platform
