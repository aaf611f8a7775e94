#pragma once
#include "platform/system.h"

namespace pelorin::platform {

// A system whose answers the test sets.
class MemorySystem : public System {
public:
    std::u16string windowsDirectoryValue = u"C:\\WINDOWS";

    std::u16string windowsDirectory() override { return windowsDirectoryValue; }
};

}  // namespace pelorin::platform
