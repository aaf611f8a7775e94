#pragma once
// The runtime's argument lists: the program's arguments (entry 0 is the program as typed) and
// the runtime's own "-~" switches, each holding at most 256 owned texts.
#include <string>
#include <string_view>
#include <vector>

#include "runtime/types.h"

namespace pelorin {

class ArgumentList {
public:
    static constexpr u32 CAPACITY = 256;

    u32 count() const { return static_cast<u32>(entries_.size()); }
    bool isFull() const { return entries_.size() >= CAPACITY; }
    // Null past the end.
    const char* at(u32 index) const { return index < entries_.size() ? entries_[index].c_str() : nullptr; }
    // False, and nothing changes, when the list is full.
    bool append(std::string_view text);
    bool insert(u32 index, std::string_view text);
    void removeAt(u32 index);
    void clear() { entries_.clear(); }
    bool contains(std::string_view text) const;

private:
    std::vector<std::string> entries_;
};

// Takes the next token of a command line and advances `cursor` past it. Blanks (space and tab)
// separate tokens; a double quote toggles quoting and is dropped; inside quotes blanks belong to
// the token; there is no escape character. False when no token is left.
bool nextToken(const char*& cursor, std::string& token);

// Appends every token of `commandLine` while the list has room. False when tokens were dropped.
bool splitCommandLine(const char* commandLine, ArgumentList& out);

// Inserts the tokens of `text` one by one directly after entry 0 (so they end up in reverse
// order, ahead of the user's arguments). False when tokens were dropped.
bool insertAfterProgram(const char* text, ArgumentList& list);

// Moves every entry after entry 0 that begins with "-~" to `runtimeSwitches` (while it has
// room), closing up the argument list.
void moveRuntimeSwitches(ArgumentList& arguments, ArgumentList& runtimeSwitches);

// The process-wide lists, filled by the start-up.
ArgumentList& programArguments();
ArgumentList& runtimeSwitches();

}  // namespace pelorin
