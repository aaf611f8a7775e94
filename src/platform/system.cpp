#include "platform/system.h"

#include "platform/platform.h"

namespace pelorin::platform {

std::u16string windowsDirectoryOrEmpty() {
    System* s = current().system;
    return s ? s->windowsDirectory() : std::u16string();
}

}  // namespace pelorin::platform
