#include "platform/win32/wide_apis.h"

#include <atomic>

namespace pelorin::platform {
namespace {

WideApis gApis;
std::atomic<bool> gResolved{false};

template <class F>
bool lookUp(HMODULE module, const char* name, F& out) {
    out = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    return out != nullptr;
}

HMODULE moduleOf(const char* name) {
    HMODULE module = GetModuleHandleA(name);
    return module ? module : LoadLibraryA(name);
}

}  // namespace

bool resolveWideApis() {
    if (gResolved.load(std::memory_order_acquire)) return true;
    WideApis apis;
    HMODULE kernel = moduleOf("kernel32.dll");
    HMODULE ntdll = moduleOf("ntdll.dll");
    HMODULE advapi = moduleOf("advapi32.dll");
    bool ok = lookUp(kernel, "FindFirstFileW", apis.findFirstFileW);
    ok = lookUp(kernel, "FindNextFileW", apis.findNextFileW) && ok;
    ok = lookUp(kernel, "CreateFileW", apis.createFileW) && ok;
    ok = lookUp(kernel, "GetFileAttributesW", apis.getFileAttributesW) && ok;
    lookUp(kernel, "GetVolumePathNameW", apis.getVolumePathNameW);
    lookUp(kernel, "GetVolumeInformationW", apis.getVolumeInformationW);
    ok = lookUp(kernel, "GetWindowsDirectoryW", apis.getWindowsDirectoryW) && ok;
    ok = lookUp(ntdll, "NtQueryInformationFile", apis.ntQueryInformationFile) && ok;
    ok = lookUp(advapi, "RegEnumKeyExW", apis.regEnumKeyExW) && ok;
    ok = lookUp(advapi, "RegQueryInfoKeyW", apis.regQueryInfoKeyW) && ok;
    ok = lookUp(advapi, "RegEnumValueW", apis.regEnumValueW) && ok;
    ok = lookUp(advapi, "RegOpenKeyExW", apis.regOpenKeyExW) && ok;
    if (!ok) return false;
    gApis = apis;
    gResolved.store(true, std::memory_order_release);
    return true;
}

const WideApis& wideApis() { return gApis; }

}  // namespace pelorin::platform
