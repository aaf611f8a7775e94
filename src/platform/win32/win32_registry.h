#pragma once
#include "platform/registry.h"

namespace pelorin::platform {

// The real registry through advapi32.
class Win32Registry : public Registry {
public:
    u32 queryStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags, char* buffer,
                         u32 size) override;
    u32 setStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags,
                       const char* text) override;
    u32 deleteStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags) override;
};

}  // namespace pelorin::platform
