// The Windows way to open the process-wide container: the program's own executable.
#include "platform/platform.h"
#include "platform/win32/win32_module.h"
#include "runtime/resource_container.h"

namespace pelorin {

bool openResourceContainer() {
    if (resourceContainer()) return true;
    platform::FileSystem* fileSystem = platform::current().fileSystem;
    std::u16string path;
    if (!fileSystem || platform::getModulePath(path) != 0) return false;
    return openResourceContainer(*fileSystem, path.c_str());
}

}  // namespace pelorin
