#include "results/result_list.h"

#include <cstring>
#include <new>

namespace pelorin {
namespace {

struct KindInfo {
    const char* name;
    u32 textId;
};

constexpr KindInfo kKinds[] = {
    {"RegKeyAdded", 143},  {"RegValueAdded", 144}, {"RegValueChanged", 145}, {"RegValueRemoved", 146},
    {"RegTypeChanged", 147}, {"FileAdded", 148},   {"DirAdded", 198},        {"FileChanged", 149},
    {"FileRemoved", 150},  {"FileNotFound", 151},
};

}  // namespace

const char* resultKindName(u32 kind) {
    return kind >= 1 && kind <= 10 ? kKinds[kind - 1].name : nullptr;
}

u32 resultKindTextId(u32 kind) {
    return kind >= 1 && kind <= 10 ? kKinds[kind - 1].textId : 0;
}

ResultList::ResultList() : entries_(true, INITIAL_CAPACITY, GROW_BY, true) {}

const char16_t* ResultList::copyText(const char16_t* text) {
    if (!text) return nullptr;
    u32 n = 0;
    while (text[n]) ++n;
    auto* copy = static_cast<char16_t*>(textPool_.allocate(2 * (n + 1)));
    if (copy) std::memcpy(copy, text, 2 * (n + 1));
    return copy;
}

bool ResultList::addChange(u32 kind, const char16_t* text1, const char16_t* text2, u32 dataSize,
                           const u8* data) {
    std::lock_guard<std::mutex> guard(changeLock_);
    auto* e = new (std::nothrow) ResultEntry;
    if (!e) return false;
    e->kind = kind;
    e->text1 = copyText(text1);
    e->text2 = copyText(text2);
    if (data && dataSize) {
        auto* copy = static_cast<u8*>(textPool_.allocate(dataSize));
        if (copy) {
            std::memcpy(copy, data, dataSize);
            e->data = copy;
            e->dataSize = dataSize;
        }
    }
    if (!entries_.append(e)) {
        delete e;
        return false;
    }
    return true;
}

}  // namespace pelorin
