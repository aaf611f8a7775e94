#pragma once
#include "platform/file_system.h"

namespace pelorin::platform {

// The real file system through the wide-character Win32 calls, and the ANSI ones for names
// kept as ANSI texts.
class Win32FileSystem : public FileSystem {
public:
    u32 openForReading(const char16_t* path, std::unique_ptr<File>& out) override;
    u32 queryAttributes(const char16_t* path) override;
    u32 queryAttributesAnsi(const char* path) override;
    bool makeFullPathAnsi(const char* name, char* out, u32 size) override;
    u32 createDirectoryAnsi(const char* path) override;
    u32 listDirectory(const char16_t* directory, std::unique_ptr<DirectoryListing>& out) override;
    u32 openForStreams(const char16_t* path, bool directory, std::unique_ptr<File>& out) override;
    bool queryVolumePathName(const char16_t* path, char16_t* out, u32 capacity) override;
    bool queryVolumeFlags(const char16_t* volumeRoot, u32& flags) override;
    u32 openForReadingAnsi(const char* path, std::unique_ptr<File>& out) override;
    u32 createForWritingAnsi(const char* path, std::unique_ptr<File>& out) override;
    u32 setAttributesAnsi(const char* path, u32 attributes) override;
    u32 deleteFileAnsi(const char* path) override;
    u32 deleteFile(const char16_t* path) override;
    u32 deleteTreeAnsi(const char* path) override;
};

}  // namespace pelorin::platform
