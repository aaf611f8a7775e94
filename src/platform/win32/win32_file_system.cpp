#include "platform/win32/win32_file_system.h"

#include <windows.h>

namespace pelorin::platform {
namespace {

const wchar_t* asWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

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

}  // namespace pelorin::platform
