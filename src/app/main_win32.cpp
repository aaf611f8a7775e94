// The program's entry point.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "runtime/resource_container.h"

using namespace pelorin;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    static platform::Win32FileSystem fileSystem;
    platform::Platform system;
    system.fileSystem = &fileSystem;
    platform::install(system);

    // Without its texts the program cannot say anything in its own words, so this one message
    // is built in and shown before anything else exists.
    if (!openResourceContainer()) {
        MessageBoxA(nullptr, "Bad resource data!", nullptr, MB_OK);
        return 0;
    }
    closeResourceContainer();
    return 0;
}
