#pragma once
// The settings of the process, built once by appMain from the remembered snapshot and the
// command line, and the directories of the file-system pass with their modes.
#include <memory>
#include <string_view>

#include "runtime/ptr_list.h"
#include "runtime/types.h"

namespace pelorin {

class ArgumentList;

// Directory modes: time stamps only, or time stamps and the MD5 digest of each file.
constexpr u32 MODE_QUICK = 1;
constexpr u32 MODE_COMPLETE = 2;

// The size of every text field of RunOptions; a copy keeps at most TEXT_FIELD_SIZE - 1 chars.
constexpr u32 TEXT_FIELD_SIZE = 1024;

struct DirectoryEntry : PtrListItem {
    std::unique_ptr<char16_t[]> path;  // NUL-terminated
    u32 mode = MODE_COMPLETE;

    // Null when memory runs out.
    static DirectoryEntry* create(std::u16string_view path, u32 mode);
};


struct RunOptions {
    bool showDetails = true;
    bool checkRegistry = true;
    bool checkFileSystem = true;
    bool skipWindowsUpdateFiles = false;
    bool disableParallel = false;
    u32 regDataSizeThreshold = 16;
    bool phase2Pending = false;
    bool loadSnapshot = false;
    bool saveSnapshot = false;
    char snapshotFileName[TEXT_FIELD_SIZE] = {};
    char setupFileName[TEXT_FIELD_SIZE] = {};
    bool saveResult = false;
    char resultFileName[TEXT_FIELD_SIZE] = {};
    PtrList paths{true, 1024, 32, true};  // of DirectoryEntry, owned

    u32 directoryCount() const { return paths.count(); }
    DirectoryEntry* directoryAt(u32 index) const { return static_cast<DirectoryEntry*>(paths.at(index)); }
};

// Set by "-SkipMD5": new directory arguments get MODE_QUICK, and no digests are computed.
extern bool skipMD5;

// Appends a directory; false (the list unchanged) when memory runs out.
bool appendDirectory(RunOptions& options, std::u16string_view path, u32 mode);

// The number of "-RegDataSizeThreshold:": leading blanks and tabs, then "0x"/"0X" and hex digits
// or decimal digits, nothing else. False for an empty number or one that overflows 32 bits.
bool parseThreshold(const char* text, u32& value);

// Makes an ANSI name absolute in place (at most TEXT_FIELD_SIZE bytes); unchanged on failure.
void makeAbsolute(char* name);

// True when `name` (relative names against the current directory) is an existing directory.
bool isExistingDirectory(const char* name);

// Reads the remembered snapshot: when it names an existing file, it becomes the snapshot to
// load in phase 2.
void readRememberedSnapshot(RunOptions& options);

// Applies the arguments from entry 1 on. A refused argument stops the loop after its messages
// (136 for a directory that fails its check, then 137 always); gives false then.
bool applyArguments(const ArgumentList& arguments, RunOptions& options);

// Only while `paths` is empty: the Windows directory, the common program files folder and the
// folder of the user profiles, each when it can be determined.
void addDefaultPaths(RunOptions& options);

// The whole build: remembered snapshot, arguments, default paths. False when an argument was
// refused (the messages have been shown).
bool buildRunOptions(const ArgumentList& arguments, RunOptions& options);

}  // namespace pelorin
