#include "platform/memory/memory_registry.h"

#include <cstring>

namespace pelorin::platform {
namespace {

constexpr u32 kFileNotFound = 2;
constexpr u32 kMoreData = 234;
constexpr u32 kInvalidDataType = 1804;

std::string fold(const std::string& text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
}

}  // namespace

std::string MemoryRegistry::keyOf(RegistryRoot root, const std::string& keyPath) {
    return std::to_string(static_cast<u32>(root)) + ":" + fold(keyPath);
}

void MemoryRegistry::putValue(RegistryRoot root, const std::string& keyPath, const std::string& valueName, u32 type,
                              std::vector<u8> data) {
    Value& value = keys_[keyOf(root, keyPath)][fold(valueName)];
    value.type = type;
    value.data = std::move(data);
}

void MemoryRegistry::putString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                               const std::string& text) {
    std::vector<u8> data(text.begin(), text.end());
    data.push_back(0);
    putValue(root, keyPath, valueName, REGISTRY_TYPE_SZ, std::move(data));
}

const MemoryRegistry::Values* MemoryRegistry::findKey(RegistryRoot root, const std::string& keyPath) const {
    auto it = keys_.find(keyOf(root, keyPath));
    return it == keys_.end() ? nullptr : &it->second;
}

bool MemoryRegistry::hasKey(RegistryRoot root, const std::string& keyPath) const {
    return findKey(root, keyPath) != nullptr;
}

const MemoryRegistry::Value* MemoryRegistry::findValue(RegistryRoot root, const std::string& keyPath,
                                                       const std::string& valueName) const {
    const Values* values = findKey(root, keyPath);
    if (!values) return nullptr;
    auto it = values->find(fold(valueName));
    return it == values->end() ? nullptr : &it->second;
}

u32 MemoryRegistry::queryStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32, char* buffer,
                                     u32 size) {
    if (buffer && size) buffer[0] = 0;
    if (failure) return failure;
    if (!buffer || !size) return kMoreData;
    if (!findKey(root, keyPath)) return kFileNotFound;
    const Value* value = findValue(root, keyPath, valueName);
    if (!value) return kFileNotFound;
    if (value->data.size() > size) return kMoreData;
    if (value->type != REGISTRY_TYPE_SZ) return kInvalidDataType;
    std::memcpy(buffer, value->data.data(), value->data.size());
    // Data stored without its NUL still reads as a terminated text, cut if need be.
    buffer[value->data.size() < size ? value->data.size() : size - 1] = 0;
    return 0;
}

u32 MemoryRegistry::setStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32,
                                   const char* text) {
    if (failure) return failure;
    putString(root, keyPath, valueName, text);
    return 0;
}

u32 MemoryRegistry::deleteStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32) {
    if (failure) return failure;
    auto key = keys_.find(keyOf(root, keyPath));
    if (key == keys_.end()) return kFileNotFound;
    return key->second.erase(fold(valueName)) ? 0 : kFileNotFound;
}

}  // namespace pelorin::platform
