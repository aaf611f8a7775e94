#pragma once
#include "platform/file_system.h"

namespace pelorin::platform {

// The real file system through the wide-character Win32 calls.
class Win32FileSystem : public FileSystem {
public:
    u32 openForReading(const char16_t* path, std::unique_ptr<File>& out) override;
};

}  // namespace pelorin::platform
