#include "app/argument_list.h"

namespace pelorin {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool ArgumentList::append(std::string_view text) {
    if (isFull()) return false;
    entries_.emplace_back(text);
    return true;
}

bool ArgumentList::insert(u32 index, std::string_view text) {
    if (isFull()) return false;
    if (index > entries_.size()) index = count();
    entries_.emplace(entries_.begin() + index, text);
    return true;
}

void ArgumentList::removeAt(u32 index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + index);
}

bool ArgumentList::contains(std::string_view text) const {
    for (const auto& entry : entries_) {
        if (entry == text) return true;
    }
    return false;
}

bool nextToken(const char*& cursor, std::string& token) {
    token.clear();
    if (!cursor) return false;
    while (isBlank(*cursor)) ++cursor;
    if (!*cursor) return false;
    bool quoted = false;
    for (; *cursor; ++cursor) {
        const char c = *cursor;
        if (c == '"') {
            quoted = !quoted;
        } else if (isBlank(c) && !quoted) {
            break;
        } else {
            token += c;
        }
    }
    return true;
}

bool splitCommandLine(const char* commandLine, ArgumentList& out) {
    bool complete = true;
    std::string token;
    while (nextToken(commandLine, token)) {
        if (!out.append(token)) complete = false;
    }
    return complete;
}

bool insertAfterProgram(const char* text, ArgumentList& list) {
    bool complete = true;
    std::string token;
    while (nextToken(text, token)) {
        if (!list.insert(1, token)) complete = false;
    }
    return complete;
}

void moveRuntimeSwitches(ArgumentList& arguments, ArgumentList& runtimeSwitches) {
    u32 i = 1;
    while (i < arguments.count()) {
        const std::string_view entry = arguments.at(i);
        if (entry.starts_with("-~") && runtimeSwitches.append(entry)) {
            arguments.removeAt(i);
        } else {
            ++i;
        }
    }
}

ArgumentList& programArguments() {
    static ArgumentList list;
    return list;
}

ArgumentList& runtimeSwitches() {
    static ArgumentList list;
    return list;
}

}  // namespace pelorin
