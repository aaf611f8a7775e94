#pragma once
// The result file: one line per difference, tab-separated UTF-16LE text without a byte-order
// mark: kind name, priority, first text, second text, CR LF.
#include "results/result_list.h"

namespace pelorin {

// Writes every entry in list order; an existing file is replaced. Gives 0, 296 without a name or
// a list, 260 without memory, or the file's error code (257 for a short write or a failed close).
u32 writeResultFile(const char* fileName, const ResultList* list);

}  // namespace pelorin
