#pragma once
// The differences found by the comparisons: one entry per difference, appended through the
// sink's addChange (possibly from two worker threads), classified and sorted after pass 2, then
// shown in the result window or written to the result file.
#include <mutex>

#include "runtime/ptr_list.h"
#include "runtime/types.h"
#include "snapshot/node_pool.h"

namespace pelorin {

enum ResultKind : u32 {
    RESULT_REG_KEY_ADDED = 1,
    RESULT_REG_VALUE_ADDED = 2,
    RESULT_REG_VALUE_CHANGED = 3,
    RESULT_REG_VALUE_REMOVED = 4,
    RESULT_REG_TYPE_CHANGED = 5,
    RESULT_FILE_ADDED = 6,
    RESULT_DIR_ADDED = 7,
    RESULT_FILE_CHANGED = 8,
    RESULT_FILE_REMOVED = 9,
    RESULT_FILE_NOT_FOUND = 10,
};

// "RegKeyAdded" ... "FileNotFound"; null for an unknown kind.
const char* resultKindName(u32 kind);
// The string id of the kind's display text (143..151, 198); 0 for an unknown kind.
u32 resultKindTextId(u32 kind);

class ResultEntry : public PtrListItem {
public:
    u32 kind = 0;
    const char16_t* text1 = nullptr;  // null when absent; owned by the list's text pool
    const char16_t* text2 = nullptr;
    u32 priority = 0;
    u32 dataSize = 0;
    const u8* data = nullptr;  // old data of a changed registry value, when recorded whole
    bool undone = false;
};

class ResultList {
public:
    static constexpr u32 INITIAL_CAPACITY = 1024;
    static constexpr u32 GROW_BY = 32;

    ResultList();
    ResultList(const ResultList&) = delete;
    ResultList& operator=(const ResultList&) = delete;

    // Appends one entry with copies of the texts and the data, under the list's change lock.
    // Nothing is appended when memory runs out; a text or data that cannot be copied is left
    // empty. Gives whether an entry was appended.
    bool addChange(u32 kind, const char16_t* text1, const char16_t* text2, u32 dataSize, const u8* data);

    u32 count() const { return entries_.count(); }
    ResultEntry* entry(u32 index) const { return static_cast<ResultEntry*>(entries_.at(index)); }
    PtrList& entries() { return entries_; }

private:
    const char16_t* copyText(const char16_t* text);

    std::mutex changeLock_;
    PtrList entries_;
    NodePool textPool_;
};

}  // namespace pelorin
