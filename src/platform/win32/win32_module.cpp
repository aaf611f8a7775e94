#include "platform/win32/win32_module.h"

#include <windows.h>

#include <vector>

namespace pelorin::platform {

u32 getModulePath(std::u16string& out) {
    out.clear();
    // GetModuleFileNameW cuts the name to the buffer without saying so on older systems; a
    // result that fills the buffer is taken as cut and the buffer grown.
    for (DWORD capacity = MAX_PATH; capacity <= 32768 * 2; capacity *= 2) {
        std::vector<wchar_t> buffer(capacity);
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), capacity);
        if (n == 0) return GetLastError();
        if (n < capacity - 1) {
            out.assign(reinterpret_cast<const char16_t*>(buffer.data()), n);
            return 0;
        }
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

}  // namespace pelorin::platform
