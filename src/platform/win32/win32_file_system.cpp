#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <string>

namespace pelorin::platform {
namespace {

const wchar_t* asWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

static_assert(FILE_ATTRIBUTE_DIRECTORY_BIT == FILE_ATTRIBUTE_DIRECTORY &&
              FILE_ATTRIBUTE_REPARSE_POINT_BIT == FILE_ATTRIBUTE_REPARSE_POINT &&
              VOLUME_NAMED_STREAMS == FILE_NAMED_STREAMS);

constexpr int kFileStreamInformation = 22;

struct IoStatusBlock {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};

// The stream query lives in ntdll and the volume calls may be missing on old systems: all are
// looked up once, by name.
struct OptionalApis {
    LONG(NTAPI* ntQueryInformationFile)(HANDLE, IoStatusBlock*, void*, ULONG, int) = nullptr;
    BOOL(WINAPI* getVolumePathNameW)(LPCWSTR, LPWSTR, DWORD) = nullptr;
    BOOL(WINAPI* getVolumeInformationW)(LPCWSTR, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD) = nullptr;

    OptionalApis() {
        lookUp("ntdll.dll", "NtQueryInformationFile", ntQueryInformationFile);
        lookUp("kernel32.dll", "GetVolumePathNameW", getVolumePathNameW);
        lookUp("kernel32.dll", "GetVolumeInformationW", getVolumeInformationW);
    }

    template <class F>
    static void lookUp(const char* library, const char* name, F& out) {
        HMODULE module = GetModuleHandleA(library);
        if (!module) module = LoadLibraryA(library);
        out = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    }
};

const OptionalApis& optionalApis() {
    static const OptionalApis apis;
    return apis;
}

class Win32Listing : public DirectoryListing {
public:
    ~Win32Listing() override {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }

    // FindFirstFileW with directory + "\*"; gives 0 or the system's error code.
    u32 open(const char16_t* directory) {
        std::size_t length = 0;
        while (directory[length]) ++length;
        wchar_t* pattern = new (std::nothrow) wchar_t[length + 3];
        if (!pattern) return ERR_NO_MEMORY;
        std::memcpy(pattern, directory, length * sizeof(wchar_t));
        pattern[length] = L'\\';
        pattern[length + 1] = L'*';
        pattern[length + 2] = 0;
        handle_ = FindFirstFileW(pattern, &data_);
        u32 error = handle_ == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        delete[] pattern;
        if (handle_ == INVALID_HANDLE_VALUE && error == 0) error = ERROR_PATH_NOT_FOUND;
        return error;
    }

    bool next(ListingEntry& out) override {
        if (!pending_ && !FindNextFileW(handle_, &data_)) return false;
        pending_ = false;
        out.name = reinterpret_cast<const char16_t*>(data_.cFileName);
        out.attributes = data_.dwFileAttributes;
        out.lastWriteTime = (static_cast<u64>(data_.ftLastWriteTime.dwHighDateTime) << 32) |
                            data_.ftLastWriteTime.dwLowDateTime;
        out.size = (static_cast<u64>(data_.nFileSizeHigh) << 32) | data_.nFileSizeLow;
        return true;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool pending_ = true;  // the entry FindFirstFileW gave has not been handed out yet
    WIN32_FIND_DATAW data_;
};

class Win32File : public File {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    ~Win32File() override {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    u32 read(void* buffer, u32 size, u32& got) override {
        DWORD n = 0;
        got = 0;
        if (!ReadFile(handle_, buffer, size, &n, nullptr)) return GetLastError();
        got = n;
        return 0;
    }
    u32 write(const void* data, u32 size, u32& written) override {
        DWORD n = 0;
        written = 0;
        if (!WriteFile(handle_, data, size, &n, nullptr)) return GetLastError();
        written = n;
        return 0;
    }
    u32 seek(u64 position) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(position);
        return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) ? 0 : GetLastError();
    }
    u32 size(u64& out) override {
        LARGE_INTEGER s;
        if (!GetFileSizeEx(handle_, &s)) return GetLastError();
        out = static_cast<u64>(s.QuadPart);
        return 0;
    }
    u32 setEndOfFile() override { return SetEndOfFile(handle_) ? 0 : GetLastError(); }
    u32 queryStreamInformation(void* buffer, u32 size) override {
        auto query = optionalApis().ntQueryInformationFile;
        if (!query) return NT_STATUS_NOT_IMPLEMENTED;
        IoStatusBlock status{};
        return static_cast<u32>(query(handle_, &status, buffer, size, kFileStreamInformation));
    }
    u32 close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return 0;
        HANDLE h = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) ? 0 : GetLastError();
    }

private:
    HANDLE handle_;
};

}  // namespace

u32 Win32FileSystem::openForReading(const char16_t* path, std::unique_ptr<File>& out) {
    out.reset();
    HANDLE h = CreateFileW(asWide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    out = std::make_unique<Win32File>(h);
    return 0;
}

u32 Win32FileSystem::queryAttributes(const char16_t* path) { return GetFileAttributesW(asWide(path)); }

u32 Win32FileSystem::queryAttributesAnsi(const char* path) { return GetFileAttributesA(path); }

bool Win32FileSystem::makeFullPathAnsi(const char* name, char* out, u32 size) {
    char full[32768];
    DWORD n = GetFullPathNameA(name, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full || n >= size) return false;
    memcpy(out, full, n + 1);
    return true;
}

u32 Win32FileSystem::createDirectoryAnsi(const char* path) {
    return CreateDirectoryA(path, nullptr) ? 0 : GetLastError();
}

u32 Win32FileSystem::listDirectory(const char16_t* directory, std::unique_ptr<DirectoryListing>& out) {
    out.reset();
    auto* listing = new (std::nothrow) Win32Listing;
    if (!listing) return ERR_NO_MEMORY;
    std::unique_ptr<DirectoryListing> owned(listing);
    if (u32 error = listing->open(directory)) return error;
    out = std::move(owned);
    return 0;
}

u32 Win32FileSystem::openForStreams(const char16_t* path, bool directory, std::unique_ptr<File>& out) {
    out.reset();
    HANDLE h = CreateFileW(asWide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           directory ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    auto* file = new (std::nothrow) Win32File(h);
    if (!file) {
        CloseHandle(h);
        return ERR_NO_MEMORY;
    }
    out.reset(file);
    return 0;
}

bool Win32FileSystem::queryVolumePathName(const char16_t* path, char16_t* out, u32 capacity) {
    auto getVolumePathName = optionalApis().getVolumePathNameW;
    if (!getVolumePathName || !out || capacity == 0) return false;
    out[0] = 0;
    return getVolumePathName(asWide(path), reinterpret_cast<wchar_t*>(out), capacity) && out[0];
}

bool Win32FileSystem::queryVolumeFlags(const char16_t* volumeRoot, u32& flags) {
    flags = 0;
    DWORD systemFlags = 0;
    DWORD maximumLength = 0;
    if (auto getVolumeInformation = optionalApis().getVolumeInformationW) {
        if (!getVolumeInformation(asWide(volumeRoot), nullptr, 0, nullptr, &maximumLength, &systemFlags, nullptr, 0))
            return false;
    } else {
        // Narrowed as everywhere: units of 256 and above become '?'.
        char narrow[MAX_PATH];
        u32 n = 0;
        for (; volumeRoot[n] && n + 1 < sizeof narrow; ++n)
            narrow[n] = volumeRoot[n] < 256 ? static_cast<char>(volumeRoot[n]) : '?';
        narrow[n] = 0;
        if (!GetVolumeInformationA(narrow, nullptr, 0, nullptr, &maximumLength, &systemFlags, nullptr, 0))
            return false;
    }
    flags = systemFlags;
    return true;
}

u32 Win32FileSystem::openForReadingAnsi(const char* path, std::unique_ptr<File>& out) {
    out.reset();
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    out = std::make_unique<Win32File>(h);
    return 0;
}

u32 Win32FileSystem::createForWritingAnsi(const char* path, std::unique_ptr<File>& out) {
    out.reset();
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    out = std::make_unique<Win32File>(h);
    return 0;
}

u32 Win32FileSystem::setAttributesAnsi(const char* path, u32 attributes) {
    return SetFileAttributesA(path, attributes) ? 0 : GetLastError();
}

u32 Win32FileSystem::deleteFileAnsi(const char* path) { return DeleteFileA(path) ? 0 : GetLastError(); }

u32 Win32FileSystem::deleteFile(const char16_t* path) { return DeleteFileW(asWide(path)) ? 0 : GetLastError(); }

namespace {

// A read-only file or directory refuses deletion; the flag goes first.
bool removeEntry(const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryA(path.c_str()) != 0;
    return DeleteFileA(path.c_str()) != 0;
}

// Recursion depth is bounded by the path length the ANSI calls accept.
u32 deleteContents(const std::string& directory) {
    u32 firstError = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;  // an empty drive root lists nothing
    }
    do {
        const char* name = found.cFileName;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        std::string path = directory + "\\" + name;
        const DWORD attributes = found.dwFileAttributes;
        const bool descend = (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (descend) {
            u32 error = deleteContents(path);
            if (error && !firstError) firstError = error;
        }
        if (!removeEntry(path, attributes) && !firstError) firstError = GetLastError();
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return firstError;
}

}  // namespace

u32 Win32FileSystem::deleteTreeAnsi(const char* path) {
    if (!path || !*path) return ERROR_INVALID_NAME;
    std::string top(path);
    while (top.size() > 3 && top.back() == '\\') top.pop_back();
    const DWORD attributes = GetFileAttributesA(top.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    u32 firstError = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? 0 : deleteContents(top);
    if (!removeEntry(top, attributes) && !firstError) firstError = GetLastError();
    return firstError;
}

}  // namespace pelorin::platform
