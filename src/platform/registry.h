#pragma once
// Registry part of the platform seam. Root keys are named by the program's own codes so that
// code above the seam never needs the Windows handles.
#include <utility>

#include "runtime/types.h"

namespace pelorin::platform {

enum class RegistryRoot : u32 {
    CURRENT_USER = 1,
    LOCAL_MACHINE = 2,
    CLASSES_ROOT = 3,
    USERS = 4,
};

// Flag bit: address the 64-bit view of the registry (honoured from Windows XP on).
constexpr u32 REGISTRY_64BIT_VIEW = 0x1;

class Registry;

// An open key of the scanning functions. Closes itself; a root key is not closed.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(Registry* owner, void* handle, bool owned) : owner_(owner), handle_(handle), owned_(owned) {}
    ~RegistryKey() { close(); }
    RegistryKey(RegistryKey&& other) noexcept { *this = std::move(other); }
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool isOpen() const { return handle_ != nullptr; }
    void* handle() const { return handle_; }
    void close();

private:
    Registry* owner_ = nullptr;
    void* handle_ = nullptr;
    bool owned_ = false;
};

// What RegQueryInfoKeyW tells about a key: names in characters without their NUL, data in bytes.
struct RegistryKeyInfo {
    u32 subkeyCount = 0;
    u32 longestSubkeyName = 0;
    u32 valueCount = 0;
    u32 longestValueName = 0;
    u32 longestValueData = 0;
};

// One enumerated value; its name and data went into the caller's buffers.
struct RegistryValueInfo {
    u32 nameLength = 0;  // characters, without the NUL
    u32 type = 0;        // all 32 bits, as stored
    u32 dataSize = 0;    // bytes
};

// Status codes of the enumeration functions, as Windows gives them.
constexpr u32 REGISTRY_MORE_DATA = 234;      // a name or the data does not fit
constexpr u32 REGISTRY_NO_MORE_ITEMS = 259;  // the index is past the last item

class Registry {
public:
    virtual ~Registry() = default;

    // The string functions work through the ANSI interface, as the remembered snapshot name is an
    // ANSI text. Each gives 0 or a system error code.

    // Reads a value into buffer (size bytes, emptied first). A value that is not REG_SZ gives
    // ERROR_INVALID_DATATYPE and an empty buffer; one that does not fit gives ERROR_MORE_DATA.
    virtual u32 queryStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags,
                                 char* buffer, u32 size) = 0;
    // Creates the key when missing and sets a REG_SZ value (the text and its NUL).
    virtual u32 setStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags,
                               const char* text) = 0;
    // Deletes a value of an existing key.
    virtual u32 deleteStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags) = 0;

    // Scanning: keys are opened for reading (KEY_READ, no view flag) and enumerated by index.
    // Each operation gives 0 or a system error code.

    // The predefined key of a root; never closed.
    virtual RegistryKey predefinedKey(RegistryRoot root) = 0;
    // Opens `name` (one subkey or a path) below an open key.
    virtual u32 openKey(const RegistryKey& parent, const char16_t* name, RegistryKey& key) = 0;
    virtual u32 queryKeyInfo(const RegistryKey& key, RegistryKeyInfo& info) = 0;
    // Value number `index`: the name into `name` (capacity in characters, NUL included), the data
    // into `data` (capacity in bytes). REGISTRY_MORE_DATA when either does not fit,
    // REGISTRY_NO_MORE_ITEMS past the last value.
    virtual u32 enumerateValue(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity, u8* data,
                               u32 dataCapacity, RegistryValueInfo& value) = 0;
    // Subkey number `index`: its name into `name` (capacity in characters, NUL included);
    // `nameLength` receives its length without the NUL.
    virtual u32 enumerateSubkey(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity,
                                u32& nameLength) = 0;

    // Undo of single differences, through the wide functions (paths below a root). Each gives 0
    // or a system error code.

    // Deletes a key (RegDeleteKeyW); Windows refuses one that has subkeys.
    virtual u32 removeKey(RegistryRoot root, const char16_t* path) = 0;
    // Deletes a value of a key opened only for setting values.
    virtual u32 removeValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName) = 0;
    // Writes `data` into an existing value under the type the value has now (its type at the
    // time of the scan is not kept).
    virtual u32 writeBackValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName, const u8* data,
                               u32 size) = 0;

    // Opens a path below a root.
    u32 openPath(RegistryRoot root, const char16_t* path, RegistryKey& key) {
        RegistryKey top = predefinedKey(root);
        return openKey(top, path, key);
    }

protected:
    friend class RegistryKey;
    virtual void closeKey(void* handle) = 0;
};

inline void RegistryKey::close() {
    if (handle_ && owned_ && owner_) owner_->closeKey(handle_);
    handle_ = nullptr;
    owned_ = false;
}

inline RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        close();
        owner_ = other.owner_;
        handle_ = other.handle_;
        owned_ = other.owned_;
        other.handle_ = nullptr;
        other.owned_ = false;
    }
    return *this;
}

}  // namespace pelorin::platform
