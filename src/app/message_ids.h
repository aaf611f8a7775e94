#pragma once
// Ids of the string-table messages shown by the start-up and the application entry.
#include "runtime/types.h"

namespace pelorin {

constexpr u32 MSG_UNSUPPORTED_SYSTEM = 100;
constexpr u32 MSG_COMMON_CONTROLS_TOO_OLD = 123;
constexpr u32 MSG_DIRECTORY_NOT_ACCESSIBLE = 136;
constexpr u32 MSG_USAGE = 137;
constexpr u32 MSG_32_BIT_ON_64_BIT = 203;

// The templates of the argument messages are read into this many bytes.
constexpr u32 ARGUMENT_MESSAGE_TEMPLATE_SIZE = 256;

}  // namespace pelorin
