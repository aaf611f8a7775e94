#pragma once
#include "results/result_list.h"

namespace pelorin {

enum SortOrder : u32 {
    SORT_BY_PRIORITY = 0,     // priority descending, kind, first text, second text
    SORT_BY_KIND = 1,         // kind, priority descending, first text, second text
    SORT_BY_FIRST_TEXT = 2,   // first text, second text
    SORT_BY_SECOND_TEXT = 3,  // second text, first text
};

// Sorts the entries in place. Entries equal in every key of the order keep no defined order.
void sortResults(ResultList& list, SortOrder order);

// Compares two entries in an order: negative when a goes first. Absent texts count as empty.
i32 compareResults(const ResultEntry& a, const ResultEntry& b, SortOrder order);

}  // namespace pelorin
