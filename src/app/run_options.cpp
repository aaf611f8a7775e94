#include "app/run_options.h"

#include <cstring>
#include <new>
#include <string>

#include "app/argument_list.h"
#include "app/message_box.h"
#include "app/message_ids.h"
#include "app/registry_strings.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "runtime/text.h"

namespace pelorin {

bool skipMD5 = false;

namespace {

bool isDirectoryAttributes(u32 attributes) {
    return attributes != platform::FILE_ATTRIBUTES_INVALID && (attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT);
}

// "\\?\" lifts the length limit of the wide calls; UNC names take the "\\?\UNC\" form.
std::u16string longPathName(const char* fullPath) {
    const std::string_view path(fullPath);
    if (path.starts_with("\\\\?\\")) return widen(path);
    if (path.starts_with("\\\\")) return u"\\\\?\\UNC\\" + widen(path.substr(2));
    return u"\\\\?\\" + widen(path);
}

void copyField(char* field, const char* text) { copyBounded(field, TEXT_FIELD_SIZE, text ? text : ""); }

// ---- the argument table -------------------------------------------------------------------

// Gives false when the argument is refused.
using ApplyArgument = bool (*)(RunOptions& options, const char* value);

struct ArgumentRule {
    const char* text;
    bool isPrefix;  // the rest of the argument is the value
    ApplyArgument apply;
};

const ArgumentRule kArgumentRules[] = {
    {"-Debug", false, [](RunOptions&, const char*) { return true; }},
    {"-SkipMD5", false,
     [](RunOptions&, const char*) {
         skipMD5 = true;
         return true;
     }},
    {"-DisableParallel", false,
     [](RunOptions& o, const char*) {
         o.disableParallel = true;
         return true;
     }},
    {"-RegDataSizeThreshold:", true,
     [](RunOptions& o, const char* value) {
         u32 number = 0;
         if (!parseThreshold(value, number)) return false;
         o.regDataSizeThreshold = number;
         return true;
     }},
    {"-Phase2:", true,
     [](RunOptions& o, const char* value) {
         if (o.saveSnapshot) return false;
         copyField(o.snapshotFileName, value);
         o.loadSnapshot = true;
         o.phase2Pending = true;
         return true;
     }},
    {"-Load:", true,
     [](RunOptions& o, const char* value) {
         if (o.saveSnapshot) return false;
         copyField(o.snapshotFileName, value);
         o.loadSnapshot = true;
         return true;
     }},
    {"-Save:", true,
     [](RunOptions& o, const char* value) {
         // Also refused while a remembered snapshot waits: it has set loadSnapshot already.
         if (o.loadSnapshot) return false;
         copyField(o.snapshotFileName, value);
         o.saveSnapshot = true;
         return true;
     }},
    {"-SetupFileName:", true,
     [](RunOptions& o, const char* value) {
         copyField(o.setupFileName, value);
         return true;
     }},
    {"-SaveResult:", true,
     [](RunOptions& o, const char* value) {
         o.saveResult = true;
         copyField(o.resultFileName, value);
         makeAbsolute(o.resultFileName);
         return true;
     }},
};

const ArgumentRule* findRule(std::string_view argument) {
    for (const auto& rule : kArgumentRules) {
        if (!rule.isPrefix && argument == rule.text) return &rule;
    }
    for (const auto& rule : kArgumentRules) {
        if (rule.isPrefix && argument.starts_with(rule.text)) return &rule;
    }
    return nullptr;
}

// A bare argument: a directory, "*" in front asking for the quick mode.
bool applyDirectory(RunOptions& options, const char* argument, const char*& shownName) {
    const bool quick = argument[0] == '*';
    const char* name = quick ? argument + 1 : argument;
    shownName = name;
    if (!isExistingDirectory(name)) return false;
    char path[TEXT_FIELD_SIZE];
    copyBounded(path, sizeof path, name);
    makeAbsolute(path);
    // "-SkipMD5" counts only for the directories after it.
    const u32 mode = quick || skipMD5 ? MODE_QUICK : MODE_COMPLETE;
    appendDirectory(options, widen(path), mode);  // out of memory: skipped without a message
    return true;
}

bool findSpecialFolder(u32 folder, std::string& out) {
    return platform::system().specialFolder(folder, true, out) &&
           isDirectoryAttributes(platform::fileSystem().queryAttributesAnsi(out.c_str()));
}

// Cuts everything from the last backslash, `count` times; false when a backslash is missing.
bool cutLastComponents(std::string& path, int count) {
    for (int i = 0; i < count; ++i) {
        const size_t cut = path.rfind('\\');
        if (cut == std::string::npos) return false;
        path.resize(cut);
    }
    return true;
}

}  // namespace

DirectoryEntry* DirectoryEntry::create(std::u16string_view path, u32 mode) {
    auto* entry = new (std::nothrow) DirectoryEntry;
    if (!entry) return nullptr;
    entry->path.reset(new (std::nothrow) char16_t[path.size() + 1]);
    if (!entry->path) {
        delete entry;
        return nullptr;
    }
    std::memcpy(entry->path.get(), path.data(), path.size() * sizeof(char16_t));
    entry->path[path.size()] = 0;
    entry->mode = mode;
    return entry;
}

bool appendDirectory(RunOptions& options, std::u16string_view path, u32 mode) {
    DirectoryEntry* entry = DirectoryEntry::create(path, mode);
    if (!entry) return false;
    if (options.paths.append(entry)) return true;
    delete entry;
    return false;
}

bool parseThreshold(const char* text, u32& value) {
    if (!text) return false;
    while (*text == ' ' || *text == '\t') ++text;
    u32 base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;  // "0x" alone is 0
    } else if (!*text) {
        return false;
    }
    u32 result = 0;
    for (; *text; ++text) {
        const char c = *text;
        u32 digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<u32>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<u32>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<u32>(c - 'A' + 10);
        } else {
            return false;
        }
        // Every wrap-around is refused, not only those that leave a smaller value behind.
        if (result > (0xFFFFFFFFu - digit) / base) return false;
        result = result * base + digit;
    }
    value = result;
    return true;
}

void makeAbsolute(char* name) {
    char full[TEXT_FIELD_SIZE];
    if (platform::fileSystem().makeFullPathAnsi(name, full, sizeof full)) copyBounded(name, TEXT_FIELD_SIZE, full);
}

bool isExistingDirectory(const char* name) {
    platform::FileSystem& fs = platform::fileSystem();
    u32 attributes = platform::FILE_ATTRIBUTES_INVALID;
    char full[TEXT_FIELD_SIZE];
    if (fs.makeFullPathAnsi(name, full, sizeof full)) attributes = fs.queryAttributes(longPathName(full).c_str());
    // Widening byte by byte misses names with characters outside Latin-1; the ANSI call finds them.
    if (attributes == platform::FILE_ATTRIBUTES_INVALID) attributes = fs.queryAttributesAnsi(name);
    return isDirectoryAttributes(attributes);
}

void readRememberedSnapshot(RunOptions& options) {
    char name[TEXT_FIELD_SIZE];
    if (!readRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0, name,
                            sizeof name)) {
        return;
    }
    const u32 attributes = platform::fileSystem().queryAttributesAnsi(name);
    // A file that is gone is ignored silently; the value stays for a later start.
    if (attributes == platform::FILE_ATTRIBUTES_INVALID || (attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT)) {
        return;
    }
    copyField(options.snapshotFileName, name);
    options.loadSnapshot = true;
    options.phase2Pending = true;
}

bool applyArguments(const ArgumentList& arguments, RunOptions& options) {
    for (u32 i = 1; i < arguments.count(); ++i) {
        const char* argument = arguments.at(i);
        const ArgumentRule* rule = findRule(argument);
        if (rule) {
            if (rule->apply(options, argument + std::strlen(rule->text))) continue;
        } else {
            const char* name = argument;
            if (applyDirectory(options, argument, name)) continue;
            showMessage(BOX_INFORMATION, MSG_DIRECTORY_NOT_ACCESSIBLE, ARGUMENT_MESSAGE_TEMPLATE_SIZE, name);
        }
        const char* program = arguments.at(0);
        showMessage(BOX_INFORMATION, MSG_USAGE, ARGUMENT_MESSAGE_TEMPLATE_SIZE, program ? program : "");
        return false;
    }
    return true;
}

void addDefaultPaths(RunOptions& options) {
    if (options.paths.count()) return;
    const u32 mode = skipMD5 ? MODE_QUICK : MODE_COMPLETE;
    const std::u16string windows = platform::system().windowsDirectory();
    if (!windows.empty()) appendDirectory(options, windows, mode);
    std::string folder;
    if (findSpecialFolder(platform::FOLDER_PROGRAM_FILES_COMMON, folder)) appendDirectory(options, widen(folder), mode);
    // The profiles folder is two levels above the user's documents.
    if (findSpecialFolder(platform::FOLDER_PERSONAL, folder) && cutLastComponents(folder, 2)) {
        appendDirectory(options, widen(folder), MODE_QUICK);
    }
}

bool buildRunOptions(const ArgumentList& arguments, RunOptions& options) {
    readRememberedSnapshot(options);
    if (!applyArguments(arguments, options)) return false;
    addDefaultPaths(options);
    return true;
}

}  // namespace pelorin
