#pragma once
#include <string>

#include "runtime/types.h"

namespace pelorin::platform {

// The full path of the running executable (GetModuleFileNameW of the process), however long.
// Gives 0 or the system error code.
u32 getModulePath(std::u16string& out);

}  // namespace pelorin::platform
