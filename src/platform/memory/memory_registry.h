#pragma once
// In-memory registry for tests: a tree of keys and values per root, names compared without
// regard to ASCII case (as Windows does) but kept in the case they were created with, values
// with any type, and failures on demand.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
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

    MemoryRegistry();
    ~MemoryRegistry() override;

    // Creates the key (and the keys above it) when missing and sets the value.
    void putValue(RegistryRoot root, const std::string& keyPath, const std::string& valueName, u32 type,
                  std::vector<u8> data);
    // A REG_SZ value holding the text and its NUL.
    void putString(RegistryRoot root, const std::string& keyPath, const std::string& valueName, const std::string& text);
    const Value* findValue(RegistryRoot root, const std::string& keyPath, const std::string& valueName) const;
    bool hasKey(RegistryRoot root, const std::string& keyPath) const;

    // Non-zero: every string operation gives this code (e.g. 5, access denied).
    u32 failure = 0;

    u32 queryStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags, char* buffer,
                         u32 size) override;
    u32 setStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags,
                       const char* text) override;
    u32 deleteStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags) override;

    // ---- Scanning ----
    // Subkeys enumerate in case-insensitive name order (as Windows keeps them), values in the
    // order they were created. Change the content only while no key is open.

    void putValue(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName, u32 type,
                  std::vector<u8> data);
    void createKey(RegistryRoot root, std::u16string_view keyPath);
    bool deleteValue(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName);
    // Deletes the key with everything below it.
    bool deleteKey(RegistryRoot root, std::u16string_view keyPath);
    // Gives the key a new name (e.g. the same one in other letter case); its content stays.
    bool renameKey(RegistryRoot root, std::u16string_view keyPath, std::u16string_view newName);

    // Staging of what a live registry does now and then:
    // opening the key gives `code` (e.g. 5, access denied; 0 ends the failure);
    bool failOpening(RegistryRoot root, std::u16string_view keyPath, u32 code);
    // querying the key's info gives `code`;
    bool failQuerying(RegistryRoot root, std::u16string_view keyPath, u32 code);
    // `change` runs once, right after the next info query of the key has been answered: the
    // registry then differs from what the query told (a value or a name that grew in between).
    // It may change the key's values and rename its subkeys, but must not delete open keys.
    bool changeAfterQuery(RegistryRoot root, std::u16string_view keyPath, std::function<void()> change);

    // Undo as the wide functions do it: a key with subkeys is refused (5), a key that is staged
    // to fail opening gives that code for value operations.
    u32 removeKey(RegistryRoot root, const char16_t* path) override;
    u32 removeValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName) override;
    u32 writeBackValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName, const u8* data,
                       u32 size) override;

    // Keys opened and not yet closed (root keys do not count).
    u32 openKeyCount() const { return openKeys_; }

    RegistryKey predefinedKey(RegistryRoot root) override;
    u32 openKey(const RegistryKey& parent, const char16_t* name, RegistryKey& key) override;
    u32 queryKeyInfo(const RegistryKey& key, RegistryKeyInfo& info) override;
    u32 enumerateValue(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity, u8* data,
                       u32 dataCapacity, RegistryValueInfo& value) override;
    u32 enumerateSubkey(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity,
                        u32& nameLength) override;

protected:
    void closeKey(void* handle) override;

private:
    struct StoredValue;
    struct Key;

    Key* rootOf(RegistryRoot root) const;
    Key* findKey(RegistryRoot root, std::u16string_view keyPath) const;
    Key* makeKey(RegistryRoot root, std::u16string_view keyPath);
    StoredValue* findStoredValue(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName) const;

    std::array<std::unique_ptr<Key>, 5> roots_;  // by RegistryRoot code
    u32 openKeys_ = 0;
};

}  // namespace pelorin::platform
