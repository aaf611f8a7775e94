#include "results/sort_results.h"

namespace pelorin {
namespace {

// By UTF-16 code unit values, a proper prefix first.
i32 compareTexts(const char16_t* a, const char16_t* b) {
    if (!a) a = u"";
    if (!b) b = u"";
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b ? 0 : (*a < *b ? -1 : 1);
}

i32 compareNumbers(u32 a, u32 b) { return a == b ? 0 : (a < b ? -1 : 1); }

}  // namespace

i32 compareResults(const ResultEntry& a, const ResultEntry& b, SortOrder order) {
    i32 c = 0;
    switch (order) {
        case SORT_BY_PRIORITY:
            if ((c = compareNumbers(b.priority, a.priority))) return c;
            if ((c = compareNumbers(a.kind, b.kind))) return c;
            if ((c = compareTexts(a.text1, b.text1))) return c;
            return compareTexts(a.text2, b.text2);
        case SORT_BY_KIND:
            if ((c = compareNumbers(a.kind, b.kind))) return c;
            if ((c = compareNumbers(b.priority, a.priority))) return c;
            if ((c = compareTexts(a.text1, b.text1))) return c;
            return compareTexts(a.text2, b.text2);
        case SORT_BY_FIRST_TEXT:
            if ((c = compareTexts(a.text1, b.text1))) return c;
            return compareTexts(a.text2, b.text2);
        case SORT_BY_SECOND_TEXT:
            if ((c = compareTexts(a.text2, b.text2))) return c;
            return compareTexts(a.text1, b.text1);
    }
    return 0;
}

void sortResults(ResultList& list, SortOrder order) {
    list.entries().sort([order](const PtrListItem* a, const PtrListItem* b) -> i32 {
        return compareResults(*static_cast<const ResultEntry*>(a), *static_cast<const ResultEntry*>(b), order);
    });
}

}  // namespace pelorin
