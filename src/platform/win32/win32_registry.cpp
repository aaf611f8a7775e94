#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <cstring>

namespace pelorin::platform {
namespace {

HKEY rootKey(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::CURRENT_USER: return HKEY_CURRENT_USER;
    case RegistryRoot::LOCAL_MACHINE: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CLASSES_ROOT: return HKEY_CLASSES_ROOT;
    case RegistryRoot::USERS: return HKEY_USERS;
    }
    return nullptr;
}

// Windows 2000 rejects the view flags, so they are added only from XP (5.1) on.
REGSAM viewAccess(u32 flags) {
    if (!(flags & REGISTRY_64BIT_VIEW)) return 0;
    static const bool supported = [] {
        OSVERSIONINFOA info = {};
        info.dwOSVersionInfoSize = sizeof info;
        if (!GetVersionExA(&info)) return false;
        return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion >= 1);
    }();
    return supported ? KEY_WOW64_64KEY : 0;
}

class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

u32 Win32Registry::queryStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags,
                                    char* buffer, u32 size) {
    if (!buffer || !size) return ERROR_MORE_DATA;
    buffer[0] = 0;
    OpenKey key;
    LONG status = RegOpenKeyExA(rootKey(root), keyPath, 0, KEY_QUERY_VALUE | viewAccess(flags), key.out());
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    DWORD type = 0;
    DWORD got = size;
    status = RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got);
    if (status != ERROR_SUCCESS) {
        buffer[0] = 0;
        return static_cast<u32>(status);
    }
    if (type != REG_SZ) {
        buffer[0] = 0;
        return ERROR_INVALID_DATATYPE;
    }
    // Values written without their NUL still read as terminated texts.
    buffer[got < size ? got : size - 1] = 0;
    return 0;
}

u32 Win32Registry::setStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags,
                                  const char* text) {
    OpenKey key;
    LONG status = RegCreateKeyExA(rootKey(root), keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE | viewAccess(flags), nullptr, key.out(), nullptr);
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    const DWORD bytes = static_cast<DWORD>(std::strlen(text) + 1);
    status = RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    return static_cast<u32>(status);
}

u32 Win32Registry::deleteStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32 flags) {
    OpenKey key;
    LONG status = RegOpenKeyExA(rootKey(root), keyPath, 0, KEY_SET_VALUE | viewAccess(flags), key.out());
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    return static_cast<u32>(RegDeleteValueA(key.get(), valueName));
}

namespace {
const wchar_t* wideText(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
}  // namespace

u32 Win32Registry::removeKey(RegistryRoot root, const char16_t* path) {
    return static_cast<u32>(RegDeleteKeyW(rootKey(root), wideText(path)));
}

u32 Win32Registry::removeValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName) {
    OpenKey key;
    LONG status = RegOpenKeyExW(rootKey(root), wideText(keyPath), 0, KEY_SET_VALUE, key.out());
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    return static_cast<u32>(RegDeleteValueW(key.get(), wideText(valueName)));
}

u32 Win32Registry::writeBackValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName,
                                  const u8* data, u32 size) {
    OpenKey key;
    LONG status = RegOpenKeyExW(rootKey(root), wideText(keyPath), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.out());
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    DWORD type = 0;
    status = RegQueryValueExW(key.get(), wideText(valueName), nullptr, &type, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<u32>(status);
    return static_cast<u32>(RegSetValueExW(key.get(), wideText(valueName), 0, type, data, size));
}

}  // namespace pelorin::platform
