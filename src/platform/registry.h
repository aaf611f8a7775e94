#pragma once
// Registry part of the platform seam. Root keys are named by the program's own codes so that
// code above the seam never needs the Windows handles.
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
};

}  // namespace pelorin::platform
