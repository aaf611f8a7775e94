#include "results/undo.h"

#include <string>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/registry.h"

namespace pelorin {
namespace {

using platform::RegistryRoot;

// Only the two hives the scan covers can hold an added or changed item.
bool splitRegistryPath(const char16_t* path, RegistryRoot& root, const char16_t*& rest) {
    if (!path) return false;
    auto startsWith = [path](const char16_t* prefix) {
        u32 i = 0;
        for (; prefix[i]; ++i)
            if (path[i] != prefix[i]) return false;
        return true;
    };
    if (startsWith(u"HKLM\\")) {
        root = RegistryRoot::LOCAL_MACHINE;
        rest = path + 5;
        return true;
    }
    if (startsWith(u"HKU\\")) {
        root = RegistryRoot::USERS;
        rest = path + 4;
        return true;
    }
    return false;
}

bool isEmpty(const char16_t* text) { return !text || !*text; }

// The default value of a key has an empty name; an entry without a name means that one.
const char16_t* valueName(const ResultEntry& entry) { return entry.text1 ? entry.text1 : u""; }

bool undoRegistry(const ResultEntry& entry) {
    RegistryRoot root;
    const char16_t* rest = nullptr;
    platform::Registry& registry = platform::registry();
    switch (entry.kind) {
    case RESULT_REG_KEY_ADDED:
        return splitRegistryPath(entry.text1, root, rest) && registry.removeKey(root, rest) == 0;
    case RESULT_REG_VALUE_ADDED:
        return splitRegistryPath(entry.text2, root, rest) && registry.removeValue(root, rest, valueName(entry)) == 0;
    case RESULT_REG_VALUE_CHANGED:
        return entry.data && splitRegistryPath(entry.text2, root, rest) &&
               registry.writeBackValue(root, rest, valueName(entry), entry.data, entry.dataSize) == 0;
    default:
        return false;
    }
}

bool undoDirectory(const char16_t* path) {
    if (isEmpty(path)) return false;
    std::string narrowed;
    for (u32 i = 0; path[i] && i < UNDO_DIRECTORY_NAME_LIMIT; ++i)
        narrowed.push_back(path[i] < 256 ? static_cast<char>(path[i]) : '?');
    return platform::fileSystem().deleteTreeAnsi(narrowed.c_str()) == 0;
}

}  // namespace

bool canUndo(const ResultEntry& entry) {
    if (entry.undone) return false;
    switch (entry.kind) {
    case RESULT_REG_KEY_ADDED:
    case RESULT_REG_VALUE_ADDED:
    case RESULT_FILE_ADDED:
    case RESULT_DIR_ADDED:
        return true;
    case RESULT_REG_VALUE_CHANGED:
        return entry.data != nullptr;
    default:
        return false;
    }
}

bool undo(ResultEntry& entry) {
    bool done = false;
    switch (entry.kind) {
    case RESULT_FILE_ADDED:
        done = !isEmpty(entry.text1) && platform::fileSystem().deleteFile(entry.text1) == 0;
        break;
    case RESULT_DIR_ADDED:
        done = undoDirectory(entry.text1);
        break;
    default:
        done = undoRegistry(entry);
        break;
    }
    if (done) entry.undone = true;
    return done;
}

}  // namespace pelorin
