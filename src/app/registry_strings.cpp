#include "app/registry_strings.h"

#include "platform/platform.h"
#include "platform/registry.h"

namespace pelorin {
namespace {

bool checkArguments(u32 root, const char* keyPath, const char* valueName, platform::RegistryRoot& out) {
    if (root < 1 || root > 4 || !keyPath || !*keyPath || !valueName) return false;
    out = static_cast<platform::RegistryRoot>(root);
    return true;
}

}  // namespace

bool readRegistryString(u32 root, const char* keyPath, const char* valueName, u32 flags, char* buffer, u32 size) {
    if (!buffer || !size) return false;
    buffer[0] = 0;
    platform::RegistryRoot key;
    if (!checkArguments(root, keyPath, valueName, key)) return false;
    return platform::registry().queryStringValue(key, keyPath, valueName, flags, buffer, size) == 0;
}

bool writeRegistryString(u32 root, const char* keyPath, const char* valueName, u32 flags, const char* text) {
    platform::RegistryRoot key;
    if (!text || !checkArguments(root, keyPath, valueName, key)) return false;
    return platform::registry().setStringValue(key, keyPath, valueName, flags, text) == 0;
}

bool deleteRegistryString(u32 root, const char* keyPath, const char* valueName, u32 flags) {
    platform::RegistryRoot key;
    if (!checkArguments(root, keyPath, valueName, key)) return false;
    return platform::registry().deleteStringValue(key, keyPath, valueName, flags) == 0;
}

}  // namespace pelorin
