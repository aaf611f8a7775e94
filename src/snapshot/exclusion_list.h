#pragma once
// The built-in patterns of paths, keys and values whose changes are not reported (and, in the
// same form, the autostart locations): entries of a path pattern and an optional value
// pattern, read from a range of ids of the language-neutral string table.
#include "runtime/types.h"
#include "snapshot/node_pool.h"

namespace pelorin {

// "*" matches any run of units (also none), "?" exactly one; case-sensitive; whole text.
bool wildcardMatch(const char16_t* pattern, const char16_t* text);

// How lists get their texts; the program passes loadString, tests their own tables.
using StringLoader = bool (*)(char* buffer, u32 capacity, u32 id, bool noDefaultLanguage);

class ExclusionList {
public:
    struct Entry {
        const char16_t* pathPattern;   // null when missing
        const char16_t* valuePattern;  // null when missing
    };

    ExclusionList() = default;
    ~ExclusionList();
    ExclusionList(const ExclusionList&) = delete;
    ExclusionList& operator=(const ExclusionList&) = delete;

    // Reads the 10,000 ids from `firstId` on. Missing, empty and oversized texts are skipped.
    void load(u32 firstId, StringLoader loader);
    // Adds one entry from a UTF-8 text "path|value" (tests and loading). False when no memory.
    bool addPattern(const char* utf8);

    u32 count() const { return count_; }
    const Entry& at(u32 index) const { return entries_[index]; }

    // The path pattern of some entry matches; value patterns are not looked at.
    bool matchesFile(const char16_t* path) const;
    // With a value name: entries whose value pattern does not match the name are skipped.
    // Without one: the path patterns alone decide.
    bool matchesValue(const char16_t* path, const char16_t* valueName) const;

private:
    const char16_t* copyText(const char16_t* text, u32 length);

    NodePool pool_;
    Entry* entries_ = nullptr;
    u32 count_ = 0;
    u32 capacity_ = 0;
};

}  // namespace pelorin
