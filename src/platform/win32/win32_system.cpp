#include "platform/win32/win32_system.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_apis.h"
#include "platform/win32/win32_module.h"

namespace pelorin::platform {
namespace {

static_assert(MSGBOX_OKCANCEL == MB_OKCANCEL && MSGBOX_YESNO == MB_YESNO && MSGBOX_ICONHAND == MB_ICONHAND &&
              MSGBOX_ICONQUESTION == MB_ICONQUESTION && MSGBOX_ICONINFORMATION == MB_ICONINFORMATION &&
              MSGBOX_DEFBUTTON2 == MB_DEFBUTTON2 && MSGBOX_SETFOREGROUND == MB_SETFOREGROUND);
static_assert(ANSWER_OK == IDOK && ANSWER_CANCEL == IDCANCEL && ANSWER_YES == IDYES && ANSWER_NO == IDNO);

// Functions outside the four core libraries are looked up by name; the libraries stay loaded
// for the life of the process.
template <class F>
F lookUp(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    if (!module) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Some shells answer with a trailing backslash; callers cut path components, so it goes (a
// drive root keeps its own).
std::string withoutTrailingBackslash(const char* path) {
    std::string out(path);
    while (out.size() > 3 && out.back() == '\\') out.pop_back();
    return out;
}

using GetSpecialFolderPathA = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
using GetSpecialFolderLocation = HRESULT(WINAPI*)(HWND, int, void**);
using GetPathFromIDListA = BOOL(WINAPI*)(const void*, LPSTR);
using TaskMemFree = void(WINAPI*)(void*);

struct DllVersionInfo {
    DWORD size;
    DWORD major;
    DWORD minor;
    DWORD build;
    DWORD platformId;
};
using GetDllVersion = HRESULT(CALLBACK*)(DllVersionInfo*);
using InitCommonControlsFunction = void(WINAPI*)();

}  // namespace

std::u16string Win32System::windowsDirectory() {
    wchar_t buffer[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
}

std::u16string Win32System::systemDirectory() {
    wchar_t buffer[MAX_PATH + 1];
    UINT n = GetSystemDirectoryW(buffer, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
}

bool Win32System::specialFolderByPath(u32 folder, bool create, std::string& out) {
    auto getPath = lookUp<GetSpecialFolderPathA>("shell32.dll", "SHGetSpecialFolderPathA");
    char buffer[MAX_PATH + 1] = {};
    if (!getPath || !getPath(nullptr, buffer, static_cast<int>(folder), create ? TRUE : FALSE) || !buffer[0]) {
        return false;
    }
    out = withoutTrailingBackslash(buffer);
    return true;
}

bool Win32System::specialFolderByLocation(u32 folder, std::string& out) {
    auto getLocation = lookUp<GetSpecialFolderLocation>("shell32.dll", "SHGetSpecialFolderLocation");
    auto getPath = lookUp<GetPathFromIDListA>("shell32.dll", "SHGetPathFromIDListA");
    auto freeMemory = lookUp<TaskMemFree>("ole32.dll", "CoTaskMemFree");
    if (!getLocation || !getPath) return false;
    void* list = nullptr;
    if (FAILED(getLocation(nullptr, static_cast<int>(folder), &list)) || !list) return false;
    char buffer[MAX_PATH + 1] = {};
    const bool ok = getPath(list, buffer) && buffer[0];
    if (freeMemory) freeMemory(list);
    if (ok) out = withoutTrailingBackslash(buffer);
    return ok;
}

bool Win32System::specialFolder(u32 folder, bool create, std::string& out) {
    return specialFolderByPath(folder, create, out) || specialFolderByLocation(folder, out);
}

std::string Win32System::tempPath() {
    char buffer[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof buffer, buffer);
    if (n == 0 || n >= sizeof buffer) return {};
    return std::string(buffer, n);
}

u32 Win32System::environmentVariable(const char* name, char* buffer, u32 size) {
    if (buffer && size) buffer[0] = 0;
    DWORD n = GetEnvironmentVariableA(name, buffer, size);
    if (n < size || n == 0) return n;
    // Too long for the caller's buffer: fetch it whole and hand over the cut text.
    std::vector<char> whole(n);
    DWORD got = GetEnvironmentVariableA(name, whole.data(), n);
    if (got == 0 || got >= n) return 0;
    if (buffer && size) {
        const u32 keep = got < size - 1 ? got : size - 1;
        memcpy(buffer, whole.data(), keep);
        buffer[keep] = 0;
    }
    return got;
}

u16 Win32System::userDefaultLanguageId() { return GetUserDefaultLangID(); }
u16 Win32System::systemDefaultLanguageId() { return GetSystemDefaultLangID(); }

bool Win32System::osVersion(OsVersion& out) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    out.platformId = info.dwPlatformId;
    out.major = info.dwMajorVersion;
    out.minor = info.dwMinorVersion;
    out.build = info.dwBuildNumber;
    return true;
}

std::u16string Win32System::moduleFileName() {
    std::u16string path;
    return getModulePath(path) == 0 ? path : std::u16string();
}

bool Win32System::resolveWideApis() { return platform::resolveWideApis(); }

bool Win32System::loadCommonControls(u32& major, u32& minor) {
    auto init = lookUp<InitCommonControlsFunction>("comctl32.dll", "InitCommonControls");
    if (init) init();
    auto getVersion = lookUp<GetDllVersion>("comctl32.dll", "DllGetVersion");
    if (!getVersion) return false;
    DllVersionInfo info = {};
    info.size = sizeof info;
    if (FAILED(getVersion(&info))) return false;
    major = info.major;
    minor = info.minor;
    return true;
}

u32 Win32System::showMessageBox(WindowHandle owner, const char* text, const char* caption, u32 style) {
    return static_cast<u32>(MessageBoxA(static_cast<HWND>(owner), text, caption, style));
}

bool Win32System::isWindowedProgram() {
    auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    if (!base) return true;
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

void Win32System::writeStandardError(const char* text, u32 length) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (!error || error == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(error, text, length, &written, nullptr);
}

bool Win32System::fileTimeToLocalTime(u64 fileTime, LocalTime& out) {
    out = LocalTime();
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(fileTime);
    utc.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return false;
    out.year = st.wYear;
    out.month = st.wMonth;
    out.dayOfWeek = st.wDayOfWeek;
    out.day = st.wDay;
    out.hour = st.wHour;
    out.minute = st.wMinute;
    out.second = st.wSecond;
    out.milliseconds = st.wMilliseconds;
    return true;
}

u32 Win32System::allocationGranularity() {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return info.dwAllocationGranularity;
}

bool Win32System::computerName(char* buffer, u32 size) {
    if (!buffer || !size) return false;
    DWORD n = size;
    if (!GetComputerNameA(buffer, &n)) {
        buffer[0] = 0;
        return false;
    }
    return true;
}

LocalTime Win32System::localTime() {
    SYSTEMTIME t = {};
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

bool Win32System::playSound(const char* name) {
    // winmm is not one of the four core libraries: without it there is no sound, only the beep.
    using PlaySoundFunction = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);
    constexpr DWORD kSoundSync = 0x0000;       // SND_SYNC
    constexpr DWORD kSoundNoDefault = 0x0002;  // SND_NODEFAULT: a missing file stays silent
    constexpr DWORD kSoundFileName = 0x00020000;
    static const auto play = lookUp<PlaySoundFunction>("winmm.dll", "PlaySoundA");
    return play && name && play(name, nullptr, kSoundSync | kSoundNoDefault | kSoundFileName);
}

void Win32System::beep(u32 frequency, u32 milliseconds) { Beep(frequency, milliseconds); }

}  // namespace pelorin::platform
