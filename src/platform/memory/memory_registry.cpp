#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "runtime/text.h"

namespace pelorin::platform {
namespace {

constexpr u32 kFileNotFound = 2;
constexpr u32 kAccessDenied = 5;
constexpr u32 kInvalidHandle = 6;
constexpr u32 kMoreData = 234;
constexpr u32 kInvalidDataType = 1804;

// Windows orders and matches names by their upper-case form.
char16_t foldUnit(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

int compareFolded(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = foldUnit(a[i]), y = foldUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The components of a key path; empty ones (doubled or outer backslashes) are skipped.
std::vector<std::u16string_view> splitPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

struct MemoryRegistry::StoredValue {
    std::u16string name;
    Value value;
};

struct MemoryRegistry::Key {
    std::u16string name;
    std::vector<std::unique_ptr<Key>> subkeys;  // in folded name order
    std::vector<StoredValue> values;            // in creation order
    u32 openFailure = 0;
    u32 queryFailure = 0;
    std::function<void()> afterQuery;

    Key* findSubkey(std::u16string_view wanted) const {
        for (const auto& k : subkeys)
            if (compareFolded(k->name, wanted) == 0) return k.get();
        return nullptr;
    }
    Key* addSubkey(std::u16string_view subkeyName) {
        auto key = std::make_unique<Key>();
        key->name.assign(subkeyName);
        auto at = std::lower_bound(subkeys.begin(), subkeys.end(), subkeyName,
                                   [](const std::unique_ptr<Key>& k, std::u16string_view n) {
                                       return compareFolded(k->name, n) < 0;
                                   });
        return subkeys.insert(at, std::move(key))->get();
    }
    void resort() {
        std::stable_sort(subkeys.begin(), subkeys.end(), [](const std::unique_ptr<Key>& a, const std::unique_ptr<Key>& b) {
            return compareFolded(a->name, b->name) < 0;
        });
    }
    // The key at `path` below this one (this one for an empty path), or null.
    Key* findPath(std::u16string_view path) {
        Key* key = this;
        for (std::u16string_view part : splitPath(path)) {
            key = key->findSubkey(part);
            if (!key) break;
        }
        return key;
    }
    StoredValue* findValue(std::u16string_view wanted) {
        for (StoredValue& v : values)
            if (compareFolded(v.name, wanted) == 0) return &v;
        return nullptr;
    }
};

MemoryRegistry::MemoryRegistry() {
    const char16_t* names[] = {u"", u"HKCU", u"HKLM", u"HKCR", u"HKU"};
    for (std::size_t i = 1; i < roots_.size(); ++i) {
        roots_[i] = std::make_unique<Key>();
        roots_[i]->name = names[i];
    }
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::rootOf(RegistryRoot root) const {
    const auto code = static_cast<u32>(root);
    return code >= 1 && code < roots_.size() ? roots_[code].get() : nullptr;
}

MemoryRegistry::Key* MemoryRegistry::findKey(RegistryRoot root, std::u16string_view keyPath) const {
    Key* key = rootOf(root);
    return key ? key->findPath(keyPath) : nullptr;
}

MemoryRegistry::Key* MemoryRegistry::makeKey(RegistryRoot root, std::u16string_view keyPath) {
    Key* key = rootOf(root);
    for (std::u16string_view part : splitPath(keyPath)) {
        if (!key) break;
        Key* sub = key->findSubkey(part);
        key = sub ? sub : key->addSubkey(part);
    }
    return key;
}

MemoryRegistry::StoredValue* MemoryRegistry::findStoredValue(RegistryRoot root, std::u16string_view keyPath,
                                                             std::u16string_view valueName) const {
    Key* key = findKey(root, keyPath);
    return key ? key->findValue(valueName) : nullptr;
}

// ---- string functions and their helpers ------------------------------------------------------

void MemoryRegistry::putValue(RegistryRoot root, const std::string& keyPath, const std::string& valueName, u32 type,
                              std::vector<u8> data) {
    putValue(root, widen(keyPath), widen(valueName), type, std::move(data));
}

void MemoryRegistry::putString(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                               const std::string& text) {
    std::vector<u8> data(text.begin(), text.end());
    data.push_back(0);
    putValue(root, keyPath, valueName, REGISTRY_TYPE_SZ, std::move(data));
}

bool MemoryRegistry::hasKey(RegistryRoot root, const std::string& keyPath) const {
    return findKey(root, widen(keyPath)) != nullptr;
}

const MemoryRegistry::Value* MemoryRegistry::findValue(RegistryRoot root, const std::string& keyPath,
                                                       const std::string& valueName) const {
    StoredValue* value = findStoredValue(root, widen(keyPath), widen(valueName));
    return value ? &value->value : nullptr;
}

u32 MemoryRegistry::queryStringValue(RegistryRoot root, const char* keyPath, const char* valueName, u32, char* buffer,
                                     u32 size) {
    if (buffer && size) buffer[0] = 0;
    if (failure) return failure;
    if (!buffer || !size) return kMoreData;
    if (!hasKey(root, keyPath)) return kFileNotFound;
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
    if (!hasKey(root, keyPath)) return kFileNotFound;
    return deleteValue(root, widen(keyPath), widen(valueName)) ? 0 : kFileNotFound;
}

// ---- building and changing the content -------------------------------------------------------

void MemoryRegistry::putValue(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName, u32 type,
                              std::vector<u8> data) {
    Key* key = makeKey(root, keyPath);
    if (!key) return;
    StoredValue* value = key->findValue(valueName);
    if (!value) {
        key->values.push_back(StoredValue{std::u16string(valueName), {}});
        value = &key->values.back();
    }
    value->value.type = type;
    value->value.data = std::move(data);
}

void MemoryRegistry::createKey(RegistryRoot root, std::u16string_view keyPath) { makeKey(root, keyPath); }

bool MemoryRegistry::deleteValue(RegistryRoot root, std::u16string_view keyPath, std::u16string_view valueName) {
    Key* key = findKey(root, keyPath);
    if (!key) return false;
    StoredValue* value = key->findValue(valueName);
    if (!value) return false;
    key->values.erase(key->values.begin() + (value - key->values.data()));
    return true;
}

bool MemoryRegistry::deleteKey(RegistryRoot root, std::u16string_view keyPath) {
    std::vector<std::u16string_view> parts = splitPath(keyPath);
    if (parts.empty()) return false;  // a root stays
    std::u16string_view last = parts.back();
    Key* parent = findKey(root, keyPath.substr(0, static_cast<std::size_t>(last.data() - keyPath.data())));
    if (!parent) return false;
    for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
        if (compareFolded((*it)->name, last) == 0) {
            parent->subkeys.erase(it);
            return true;
        }
    }
    return false;
}

u32 MemoryRegistry::removeKey(RegistryRoot root, const char16_t* path) {
    Key* key = path ? findKey(root, path) : nullptr;
    if (!key || key == rootOf(root)) return kFileNotFound;
    if (!key->subkeys.empty()) return kAccessDenied;
    return deleteKey(root, path) ? 0 : kFileNotFound;
}

u32 MemoryRegistry::removeValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName) {
    Key* key = keyPath ? findKey(root, keyPath) : nullptr;
    if (!key) return kFileNotFound;
    if (key->openFailure) return key->openFailure;
    return deleteValue(root, keyPath, valueName ? valueName : u"") ? 0 : kFileNotFound;
}

u32 MemoryRegistry::writeBackValue(RegistryRoot root, const char16_t* keyPath, const char16_t* valueName,
                                   const u8* data, u32 size) {
    Key* key = keyPath ? findKey(root, keyPath) : nullptr;
    if (!key) return kFileNotFound;
    if (key->openFailure) return key->openFailure;
    StoredValue* value = key->findValue(valueName ? valueName : u"");
    if (!value) return kFileNotFound;
    value->value.data.assign(data, data + size);
    return 0;
}

bool MemoryRegistry::renameKey(RegistryRoot root, std::u16string_view keyPath, std::u16string_view newName) {
    std::vector<std::u16string_view> parts = splitPath(keyPath);
    if (parts.empty()) return false;
    Key* parent = findKey(root, keyPath.substr(0, static_cast<std::size_t>(parts.back().data() - keyPath.data())));
    Key* key = parent ? parent->findSubkey(parts.back()) : nullptr;
    if (!key) return false;
    Key* clash = parent->findSubkey(newName);
    if (clash && clash != key) return false;
    key->name.assign(newName);
    parent->resort();
    return true;
}

bool MemoryRegistry::failOpening(RegistryRoot root, std::u16string_view keyPath, u32 code) {
    Key* key = findKey(root, keyPath);
    if (!key) return false;
    key->openFailure = code;
    return true;
}

bool MemoryRegistry::failQuerying(RegistryRoot root, std::u16string_view keyPath, u32 code) {
    Key* key = findKey(root, keyPath);
    if (!key) return false;
    key->queryFailure = code;
    return true;
}

bool MemoryRegistry::changeAfterQuery(RegistryRoot root, std::u16string_view keyPath, std::function<void()> change) {
    Key* key = findKey(root, keyPath);
    if (!key) return false;
    key->afterQuery = std::move(change);
    return true;
}

// ---- scanning -------------------------------------------------------------------------------

RegistryKey MemoryRegistry::predefinedKey(RegistryRoot root) { return RegistryKey(this, rootOf(root), false); }

u32 MemoryRegistry::openKey(const RegistryKey& parent, const char16_t* name, RegistryKey& key) {
    key.close();
    auto* from = static_cast<Key*>(parent.handle());
    if (!from || !name) return kInvalidHandle;
    Key* found = from->findPath(name);
    if (!found) return kFileNotFound;
    if (found->openFailure) return found->openFailure;
    key = RegistryKey(this, found, true);
    ++openKeys_;
    return 0;
}

void MemoryRegistry::closeKey(void* handle) {
    if (handle && openKeys_) --openKeys_;
}

u32 MemoryRegistry::queryKeyInfo(const RegistryKey& key, RegistryKeyInfo& info) {
    auto* k = static_cast<Key*>(key.handle());
    if (!k) return kInvalidHandle;
    if (k->queryFailure) return k->queryFailure;
    info = RegistryKeyInfo{};
    info.subkeyCount = static_cast<u32>(k->subkeys.size());
    for (const auto& s : k->subkeys)
        info.longestSubkeyName = std::max(info.longestSubkeyName, static_cast<u32>(s->name.size()));
    info.valueCount = static_cast<u32>(k->values.size());
    for (const StoredValue& v : k->values) {
        info.longestValueName = std::max(info.longestValueName, static_cast<u32>(v.name.size()));
        info.longestValueData = std::max(info.longestValueData, static_cast<u32>(v.value.data.size()));
    }
    if (k->afterQuery) {
        std::function<void()> change = std::move(k->afterQuery);
        k->afterQuery = nullptr;
        change();
    }
    return 0;
}

u32 MemoryRegistry::enumerateValue(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity, u8* data,
                                   u32 dataCapacity, RegistryValueInfo& value) {
    auto* k = static_cast<Key*>(key.handle());
    if (!k) return kInvalidHandle;
    if (index >= k->values.size()) return REGISTRY_NO_MORE_ITEMS;
    const StoredValue& v = k->values[index];
    if (!name || v.name.size() + 1 > nameCapacity) return REGISTRY_MORE_DATA;
    if (v.value.data.size() > dataCapacity || (!data && !v.value.data.empty())) return REGISTRY_MORE_DATA;
    std::memcpy(name, v.name.data(), v.name.size() * sizeof(char16_t));
    name[v.name.size()] = 0;
    if (!v.value.data.empty()) std::memcpy(data, v.value.data.data(), v.value.data.size());
    value.nameLength = static_cast<u32>(v.name.size());
    value.type = v.value.type;
    value.dataSize = static_cast<u32>(v.value.data.size());
    return 0;
}

u32 MemoryRegistry::enumerateSubkey(const RegistryKey& key, u32 index, char16_t* name, u32 nameCapacity,
                                    u32& nameLength) {
    auto* k = static_cast<Key*>(key.handle());
    if (!k) return kInvalidHandle;
    if (index >= k->subkeys.size()) return REGISTRY_NO_MORE_ITEMS;
    const std::u16string& subkeyName = k->subkeys[index]->name;
    if (!name || subkeyName.size() + 1 > nameCapacity) return REGISTRY_MORE_DATA;
    std::memcpy(name, subkeyName.data(), subkeyName.size() * sizeof(char16_t));
    name[subkeyName.size()] = 0;
    nameLength = static_cast<u32>(subkeyName.size());
    return 0;
}

}  // namespace pelorin::platform
