// The real file system seam against real files of the Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_file_system.h"

namespace pelorin::platform {
namespace {

std::u16string tempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring p = std::wstring(dir) + name;
    return std::u16string(p.begin(), p.end());
}

TEST(Win32FileSystem, ReadsWhatWasWrittenAndReportsMissingFiles) {
    const std::u16string path = tempPath(L"pelorin-fs-test.bin");
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
    CloseHandle(h);

    Win32FileSystem fs;
    std::unique_ptr<File> file;
    ASSERT_EQ(fs.openForReading(path.c_str(), file), 0u);
    u64 size = 0;
    EXPECT_EQ(file->size(size), 0u);
    EXPECT_EQ(size, 5u);
    char buf[8] = {};
    u32 got = 0;
    EXPECT_EQ(file->read(buf, sizeof buf, got), 0u);
    EXPECT_EQ(got, 5u);
    EXPECT_STREQ(buf, "hello");
    EXPECT_EQ(file->read(buf, sizeof buf, got), 0u);
    EXPECT_EQ(got, 0u);
    file.reset();
    DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));

    EXPECT_EQ(fs.openForReading(path.c_str(), file), static_cast<u32>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(file, nullptr);
}

}  // namespace
}  // namespace pelorin::platform
