#include "snapshot/exclusion_list.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/text.h"

namespace pelorin {

bool wildcardMatch(const char16_t* pattern, const char16_t* text) {
    const char16_t* p = pattern;
    const char16_t* t = text;
    // Up to the first star the pattern must follow the text unit by unit.
    while (*t && *p != u'*') {
        if (*p != *t && *p != u'?') return false;
        ++p;
        ++t;
    }
    // Greedy with one back-track point: the last star and where its run could grow.
    const char16_t* starPattern = nullptr;
    const char16_t* starText = nullptr;
    while (*t) {
        if (*p == u'*') {
            if (!*++p) return true;
            starPattern = p;
            starText = t + 1;
        } else if (*p == *t || *p == u'?') {
            ++p;
            ++t;
        } else {
            p = starPattern;
            t = starText++;
        }
    }
    while (*p == u'*') ++p;
    return !*p;
}

ExclusionList::~ExclusionList() { std::free(entries_); }

const char16_t* ExclusionList::copyText(const char16_t* text, u32 length) {
    auto* out = static_cast<char16_t*>(pool_.allocate(2 * (length + 1)));
    if (!out) return nullptr;
    std::memcpy(out, text, 2 * length);
    out[length] = 0;
    return out;
}

bool ExclusionList::addPattern(const char* utf8) {
    std::u16string text = utf8ToUtf16(utf8);
    if (text.size() > 1023) text.resize(1023);
    std::size_t bar = text.find(u'|');
    const char16_t* path = nullptr;
    const char16_t* value = nullptr;
    if (bar == std::u16string::npos) {
        path = copyText(text.c_str(), static_cast<u32>(text.size()));
        if (!path) return false;
    } else {
        path = copyText(text.c_str(), static_cast<u32>(bar));
        value = copyText(text.c_str() + bar + 1, static_cast<u32>(text.size() - bar - 1));
        if (!path || !value) return false;
    }
    if (count_ == capacity_) {
        void* grown = std::realloc(entries_, sizeof(Entry) * (capacity_ + 100));
        if (!grown) return false;  // the entry is dropped, loading goes on
        entries_ = static_cast<Entry*>(grown);
        capacity_ += 100;
    }
    entries_[count_++] = Entry{path, value};
    return true;
}

void ExclusionList::load(u32 firstId, StringLoader loader) {
    if (!loader) return;
    char buffer[1024];
    for (u32 id = firstId; id < firstId + 10000; ++id) {
        if (!loader(buffer, sizeof buffer, id, true) || buffer[0] == '\0') continue;
        addPattern(buffer);
    }
}

bool ExclusionList::matchesFile(const char16_t* path) const {
    for (u32 i = 0; i < count_; ++i) {
        const Entry& e = entries_[i];
        if (e.pathPattern && wildcardMatch(e.pathPattern, path)) return true;
    }
    return false;
}

bool ExclusionList::matchesValue(const char16_t* path, const char16_t* valueName) const {
    if (!path) return false;
    for (u32 i = 0; i < count_; ++i) {
        const Entry& e = entries_[i];
        if (valueName && e.valuePattern && !wildcardMatch(e.valuePattern, valueName)) continue;
        if (e.pathPattern && wildcardMatch(e.pathPattern, path)) return true;
    }
    return false;
}

}  // namespace pelorin
