#pragma once
// Undo of single differences from the result window: an added key, value, file or directory
// tree is deleted again; a changed value whose old data were recorded whole gets them back.
#include "results/result_list.h"

namespace pelorin {

// Whether `undo` can be tried for the entry: never twice, and a changed value only when its old
// data were recorded (not for a value kept as a digest).
bool canUndo(const ResultEntry& entry);

// Undoes the entry through the installed platform. True on success, which also marks the entry
// undone; a failure leaves the entry as it was.
bool undo(ResultEntry& entry);

// Longest directory name (in characters) the 8-bit delete of an added directory takes.
constexpr u32 UNDO_DIRECTORY_NAME_LIMIT = 1023;

}  // namespace pelorin
