#include "platform/win32/win32_platform.h"

#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace pelorin::platform {

void installWin32Platform() {
    // They live as long as the process: worker threads may still hold them at exit.
    static Win32FileSystem fileSystem;
    static Win32Registry registry;
    static Win32System system;
    Platform platform;
    platform.fileSystem = &fileSystem;
    platform.registry = &registry;
    platform.system = &system;
    install(platform);
}

}  // namespace pelorin::platform
