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

    // Scanning (win32_registry_scan.cpp): RegOpenKeyExW, RegQueryInfoKeyW, RegEnumValueW and
    // RegEnumKeyExW as looked up at start-up; RegCloseKey imported.
    RegistryKey predefinedKey(RegistryRoot root) override;
    u32 openKey(const RegistryKey& parent, const char16_t* name, RegistryKey& key) override;
    u32 queryKeyInfo(const RegistryKey& key, RegistryKeyInfo& info) override;
    u32 enumerateValue(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity, u8* data,
                       u32 dataCapacity, RegistryValueInfo& value) override;
    u32 enumerateSubkey(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity,
                        u32& nameLength) override;

    // Undo (win32_registry.cpp).
    u32 removeKey(RegistryRoot root, const char16_t* path) override;
    u32 removeValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName) override;
    u32 writeBackValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName, const u8* data,
                       u32 size) override;

protected:
    void closeKey(void* handle) override;
};

}  // namespace pelorin::platform
