// The scanning half of the real registry. The wide functions come from the run-time lookup of
// start-up; a program that could not resolve them never gets here, but a test or tool that
// forgot to is told so by ERROR_PROC_NOT_FOUND instead of crashing.
#include <windows.h>

#include "platform/win32/wide_apis.h"
#include "platform/win32/win32_registry.h"

namespace pelorin::platform {
namespace {

HKEY predefinedHandle(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::CURRENT_USER: return HKEY_CURRENT_USER;
    case RegistryRoot::LOCAL_MACHINE: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CLASSES_ROOT: return HKEY_CLASSES_ROOT;
    case RegistryRoot::USERS: return HKEY_USERS;
    }
    return nullptr;
}

HKEY handleOf(const RegistryKey& key) { return static_cast<HKEY>(key.handle()); }

// Performance data is served through pseudo handles that look like predefined keys. Wine hands
// out HKEY_PERFORMANCE_TEXT when Perflib\009 is opened, and RegQueryInfoKeyW then fails with
// ERROR_INVALID_HANDLE, which would end the whole scan; such a key counts as one that cannot
// be opened.
bool isPerformanceHandle(HKEY key) {
    return key == HKEY_PERFORMANCE_DATA || key == HKEY_PERFORMANCE_TEXT || key == HKEY_PERFORMANCE_NLSTEXT;
}

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

}  // namespace

RegistryKey Win32Registry::predefinedKey(RegistryRoot root) { return RegistryKey(this, predefinedHandle(root), false); }

u32 Win32Registry::openKey(const RegistryKey& parent, const char16_t* name, RegistryKey& key) {
    key.close();
    if (!resolveWideApis()) return ERROR_PROC_NOT_FOUND;
    if (!parent.isOpen()) return ERROR_INVALID_HANDLE;
    HKEY opened = nullptr;
    const LONG status = wideApis().regOpenKeyExW(handleOf(parent), wide(name), 0, KEY_READ, &opened);
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    if (isPerformanceHandle(opened)) {
        RegCloseKey(opened);
        return ERROR_INVALID_HANDLE;
    }
    key = RegistryKey(this, opened, true);
    return 0;
}

void Win32Registry::closeKey(void* handle) { RegCloseKey(static_cast<HKEY>(handle)); }

u32 Win32Registry::queryKeyInfo(const RegistryKey& key, RegistryKeyInfo& info) {
    if (!resolveWideApis()) return ERROR_PROC_NOT_FOUND;
    DWORD subkeys = 0, longestSubkey = 0, longestClass = 0, values = 0, longestValueName = 0, longestData = 0;
    DWORD securityBytes = 0;
    FILETIME lastWrite;
    const LONG status = wideApis().regQueryInfoKeyW(handleOf(key), nullptr, nullptr, nullptr, &subkeys, &longestSubkey,
                                                    &longestClass, &values, &longestValueName, &longestData,
                                                    &securityBytes, &lastWrite);
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    info.subkeyCount = subkeys;
    info.longestSubkeyName = longestSubkey;
    info.valueCount = values;
    info.longestValueName = longestValueName;
    info.longestValueData = longestData;
    return 0;
}

u32 Win32Registry::enumerateValue(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity, u8* data,
                                  u32 dataCapacity, RegistryValueInfo& value) {
    if (!resolveWideApis()) return ERROR_PROC_NOT_FOUND;
    DWORD nameLength = nameCapacity;
    DWORD type = 0;
    DWORD dataSize = dataCapacity;
    const LONG status =
        wideApis().regEnumValueW(handleOf(key), index, wide(name), &nameLength, nullptr, &type, data, &dataSize);
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    value.nameLength = nameLength;
    value.type = type;
    value.dataSize = dataSize;
    return 0;
}

u32 Win32Registry::enumerateSubkey(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity,
                                   u32& nameLength) {
    if (!resolveWideApis()) return ERROR_PROC_NOT_FOUND;
    DWORD length = nameCapacity;
    const LONG status =
        wideApis().regEnumKeyExW(handleOf(key), index, wide(name), &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    nameLength = length;
    return 0;
}

}  // namespace pelorin::platform
