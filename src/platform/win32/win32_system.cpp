#include "platform/win32/win32_system.h"

#include <windows.h>

namespace pelorin::platform {

std::u16string Win32System::windowsDirectory() {
    wchar_t buffer[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
}

}  // namespace pelorin::platform
