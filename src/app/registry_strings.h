#pragma once
// The runtime's registry string functions. Roots by code: 1 HKEY_CURRENT_USER,
// 2 HKEY_LOCAL_MACHINE, 3 HKEY_CLASSES_ROOT, 4 HKEY_USERS. Any other code, an empty key path or
// a missing value name fails at once. Flags bit 0 asks for the 64-bit view of the registry.
#include "runtime/types.h"

namespace pelorin {

// Where the name of the last completely saved snapshot file is remembered.
constexpr u32 REMEMBERED_SNAPSHOT_ROOT = 1;
constexpr const char* REMEMBERED_SNAPSHOT_KEY = "Software\\Orvex\\Pelorin";
constexpr const char* REMEMBERED_SNAPSHOT_VALUE = "SnapShotFileName";

// Empties the buffer first; true only when the value exists, fits and is of type REG_SZ.
bool readRegistryString(u32 root, const char* keyPath, const char* valueName, u32 flags, char* buffer, u32 size);
// Creates the key when missing; true when the REG_SZ value was set.
bool writeRegistryString(u32 root, const char* keyPath, const char* valueName, u32 flags, const char* text);
// True when the value was deleted.
bool deleteRegistryString(u32 root, const char* keyPath, const char* valueName, u32 flags);

}  // namespace pelorin
