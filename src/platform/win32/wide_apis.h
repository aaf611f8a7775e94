#pragma once
// The wide-character system functions the scanners call, looked up at run time so that the
// program still starts (and can say what is wrong) where one is missing.
#include <windows.h>

namespace pelorin::platform {

struct WideApis {
    decltype(&FindFirstFileW) findFirstFileW = nullptr;
    decltype(&FindNextFileW) findNextFileW = nullptr;
    decltype(&CreateFileW) createFileW = nullptr;
    decltype(&GetFileAttributesW) getFileAttributesW = nullptr;
    decltype(&GetVolumePathNameW) getVolumePathNameW = nullptr;        // optional
    decltype(&GetVolumeInformationW) getVolumeInformationW = nullptr;  // optional
    decltype(&GetWindowsDirectoryW) getWindowsDirectoryW = nullptr;
    // NtQueryInformationFile(handle, status block, buffer, size, information class)
    LONG(NTAPI* ntQueryInformationFile)(HANDLE, void*, void*, ULONG, int) = nullptr;
    decltype(&RegEnumKeyExW) regEnumKeyExW = nullptr;
    decltype(&RegQueryInfoKeyW) regQueryInfoKeyW = nullptr;
    decltype(&RegEnumValueW) regEnumValueW = nullptr;
    decltype(&RegOpenKeyExW) regOpenKeyExW = nullptr;
};

// Looks the functions up once; false when a required one is missing (the lookup is tried
// again on the next call then). A success is remembered and later calls answer at once.
bool resolveWideApis();
// The looked-up functions; valid after resolveWideApis gave true.
const WideApis& wideApis();

}  // namespace pelorin::platform
