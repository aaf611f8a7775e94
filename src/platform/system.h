#pragma once
// System part of the platform seam: directories of the system, the user's environment.
#include <string>

#include "runtime/types.h"

namespace pelorin::platform {

class System {
public:
    virtual ~System() = default;
    // The Windows directory (GetWindowsDirectoryW), without a trailing backslash; empty on failure.
    virtual std::u16string windowsDirectory() = 0;
};

// The Windows directory of the installed platform, or empty when no system is installed.
std::u16string windowsDirectoryOrEmpty();

}  // namespace pelorin::platform
