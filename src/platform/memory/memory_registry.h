#pragma once
// In-memory registry for tests: keys and values by name (compared without regard to ASCII case,
// as Windows does), values with any type, and failures on demand.
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace pelorin::platform {

constexpr u32 REGISTRY_TYPE_SZ = 1;
constexpr u32 REGISTRY_TYPE_DWORD = 4;

class MemoryRegistry : public Registry {
public:
    struct Value {
        u32 type = REGISTRY_TYPE_SZ;
        std::vector<u8> data;
    };

    // Creates the key when missing and sets the value.
    void putValue(RegistryRoot root, const std::string& keyPath, const std::string& valueName, u32 type,
                  std::vector<u8> data);
    // A REG_SZ value holding the text and its NUL.
    void putString(RegistryRoot root, const std::string& keyPath, const std::string& valueName, const std::string& text);
    const Value* findValue(RegistryRoot root, const std::string& keyPath, const std::string& valueName) const;
    bool hasKey(RegistryRoot root, const std::string& keyPath) const;

    // Non-zero: every operation gives this code (e.g. 5, access denied).
    u32 failure = 0;

    u32 queryStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags, char* buffer,
                         u32 size) override;
    u32 setStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags,
                       const char* text) override;
    u32 deleteStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags) override;

private:
    using Values = std::map<std::string, Value>;  // by folded name
    static std::string keyOf(RegistryRoot root, const std::string& keyPath);
    const Values* findKey(RegistryRoot root, const std::string& keyPath) const;

    std::map<std::string, Values> keys_;
};

}  // namespace pelorin::platform
