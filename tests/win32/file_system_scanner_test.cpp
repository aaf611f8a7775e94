// The file-system scanner against a real directory tree of the Wine prefix: pass 1, a set of
// changes made with the ordinary Win32 calls, pass 2 and the exact reports.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/run_options.h"
#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_system.h"
#include "runtime/format.h"
#include "runtime/text.h"
#include "snapshot/file_system_scanner.h"
#include "snapshot/snapshot_tree.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

std::wstring tempRoot() {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"pelorin-scan-" + std::to_wstring(GetCurrentProcessId());
}

std::u16string u16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }
std::string n8(const std::wstring& w) { return narrow(u16(w)); }

void writeFile(const std::wstring& path, const std::string& content) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << n8(path);
    DWORD n = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
    CloseHandle(h);
}

FILETIME writeTimeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void setWriteTime(const std::wstring& path, FILETIME time) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
}

// Entry names in the order the system lists them.
std::vector<std::wstring> listNames(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return names;
}

void removeTree(const std::wstring& dir) {
    for (const std::wstring& name : listNames(dir)) {
        std::wstring path = dir + L"\\" + name;
        DWORD attributes = GetFileAttributesW(path.c_str());
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            removeTree(path);
        } else {
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(dir.c_str());
}

const char* kindName(u32 kind) {
    switch (kind) {
    case CHANGE_FILE_ADDED: return "FileAdded";
    case CHANGE_DIR_ADDED: return "DirAdded";
    case CHANGE_FILE_CHANGED: return "FileChanged";
    case CHANGE_FILE_REMOVED: return "FileRemoved";
    default: return "?";
    }
}

class Win32Scan : public testing::Test {
protected:
    Win32Scan() : scope_(platform::Platform{&fileSystem_, nullptr, &system_}) {
        registerStandardDirectives();
        removeTree(root_);
        CreateDirectoryW(root_.c_str(), nullptr);
    }
    ~Win32Scan() override { removeTree(root_); }

    u32 scan(bool compare, u32 mode) {
        PtrList paths(true, 1024, 32, true);
        paths.append(DirectoryEntry::create(u16(root_), mode));
        return scanFileSystem(true, &sink_, scanner_, compare, tree_, paths, &changeCount_, false);
    }

    std::vector<std::string> reports() const {
        std::vector<std::string> out;
        for (const auto& c : sink_.changes()) {
            std::string line = std::string(kindName(c.kind)) + " " + narrow(c.text1);
            if (c.hasText2) line += " | " + narrow(c.text2);
            out.push_back(line);
        }
        return out;
    }

    std::wstring at(const std::wstring& name) const { return root_ + L"\\" + name; }

    platform::Win32FileSystem fileSystem_;
    platform::Win32System system_;
    platform::ScopedPlatform scope_;
    std::wstring root_ = tempRoot();
    RecordingSink sink_;
    SnapshotTree tree_{&sink_, TREE_FILE_SYSTEM, &noStrings};
    FileSystemScanner scanner_{&sink_, &noStrings};
    u32 changeCount_ = 0;
};

TEST_F(Win32Scan, UnchangedTreeReportsNothing) {
    writeFile(at(L"a.txt"), "alpha");
    CreateDirectoryW(at(L"sub").c_str(), nullptr);
    writeFile(at(L"sub\\b.bin"), std::string(100000, 'b'));
    ASSERT_EQ(scan(false, MODE_COMPLETE), 0u);
    EXPECT_EQ(scanner_.fileCount(), 2u);
    EXPECT_EQ(scanner_.totalSize(), 100005u);
    SnapshotNode* b = tree_.findChild(tree_.findChild(tree_.findTopLevel(u16(root_).c_str()), u"sub", false),
                                      u"b.bin", true);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->sizeValue(), 100000u);
    ASSERT_EQ(scan(true, MODE_COMPLETE), 0u);
    EXPECT_EQ(reports(), std::vector<std::string>{});
    EXPECT_EQ(changeCount_, 0u);
}

TEST_F(Win32Scan, ChangesAreReportedExactly) {
    writeFile(at(L"keep.txt"), "same");
    writeFile(at(L"grow.txt"), "abc");
    writeFile(at(L"touch.txt"), "t");
    writeFile(at(L"attr.txt"), "a");
    writeFile(at(L"secret.txt"), "hello");
    writeFile(at(L"gone.txt"), "g");
    writeFile(at(L"swap"), "file");
    CreateDirectoryW(at(L"olddir").c_str(), nullptr);
    writeFile(at(L"olddir\\f1"), "1");
    writeFile(at(L"olddir\\f2"), "2");
    const std::vector<std::wstring> pass1Root = listNames(root_);
    const std::vector<std::wstring> pass1Old = listNames(at(L"olddir"));
    ASSERT_EQ(scan(false, MODE_COMPLETE), 0u);

    writeFile(at(L"grow.txt"), "abcd");
    FILETIME touched = writeTimeOf(at(L"touch.txt"));
    touched.dwHighDateTime += 1;  // about seven minutes later
    setWriteTime(at(L"touch.txt"), touched);
    SetFileAttributesW(at(L"attr.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // Same size, same time stamp: only the digest can tell.
    FILETIME secretTime = writeTimeOf(at(L"secret.txt"));
    writeFile(at(L"secret.txt"), "jello");
    setWriteTime(at(L"secret.txt"), secretTime);
    DeleteFileW(at(L"gone.txt").c_str());
    DeleteFileW(at(L"olddir\\f1").c_str());
    DeleteFileW(at(L"olddir\\f2").c_str());
    RemoveDirectoryW(at(L"olddir").c_str());
    DeleteFileW(at(L"swap").c_str());
    CreateDirectoryW(at(L"swap").c_str(), nullptr);
    writeFile(at(L"new.txt"), "n");
    CreateDirectoryW(at(L"newdir").c_str(), nullptr);
    writeFile(at(L"newdir\\n1"), "1");
    writeFile(at(L"newdir\\n2"), "2");

    // What each entry of the root should report, in the order the system lists them now.
    const std::string r = n8(root_);
    std::map<std::wstring, std::vector<std::string>> perEntry = {
        {L"grow.txt", {"FileChanged " + r + "\\grow.txt"}},
        {L"touch.txt", {"FileChanged " + r + "\\touch.txt"}},
        {L"secret.txt", {"FileChanged " + r + "\\secret.txt"}},
        {L"new.txt", {"FileAdded " + r + "\\new.txt"}},
        {L"swap", {"DirAdded " + r + "\\swap"}},
    };
    std::vector<std::string> newdir = {"DirAdded " + r + "\\newdir"};
    for (const std::wstring& name : listNames(at(L"newdir"))) newdir.push_back("FileAdded " + r + "\\newdir\\" + n8(name));
    perEntry[L"newdir"] = newdir;
    std::vector<std::string> expected;
    for (const std::wstring& name : listNames(root_))
        for (const std::string& line : perEntry[name]) expected.push_back(line);
    // Removals: pass 1's nodes newest first, a directory before its children.
    for (auto it = pass1Root.rbegin(); it != pass1Root.rend(); ++it) {
        const std::string name = n8(*it);
        if (name == "gone.txt" || name == "swap") expected.push_back("FileRemoved " + name + " | " + r + "\\" + name);
        if (name == "olddir") {
            expected.push_back("FileRemoved olddir | " + r + "\\olddir");
            for (auto c = pass1Old.rbegin(); c != pass1Old.rend(); ++c)
                expected.push_back("FileRemoved " + n8(*c) + " | " + r + "\\olddir\\" + n8(*c));
        }
    }

    ASSERT_EQ(expected.size(), 13u);
    ASSERT_EQ(scan(true, MODE_COMPLETE), 0u);
    EXPECT_EQ(reports(), expected);
    EXPECT_EQ(changeCount_, expected.size());
}

TEST_F(Win32Scan, SeamAnswersOfTheRealSystem) {
    writeFile(at(L"f.txt"), "12345");
    std::unique_ptr<platform::DirectoryListing> listing;
    EXPECT_EQ(fileSystem_.listDirectory(u16(at(L"missing")).c_str(), listing), u32(ERROR_PATH_NOT_FOUND));

    char16_t volume[512];
    ASSERT_TRUE(fileSystem_.queryVolumePathName(u16(root_).c_str(), volume, 512));
    EXPECT_EQ(narrow(volume), "C:\\");
    u32 flags = 0;
    EXPECT_TRUE(fileSystem_.queryVolumeFlags(volume, flags));

    // The stream query reaches ntdll; what it answers is the system's (Wine: not implemented).
    std::unique_ptr<platform::File> file;
    ASSERT_EQ(fileSystem_.openForStreams(u16(at(L"f.txt")).c_str(), false, file), 0u);
    alignas(8) u8 buffer[4096];
    u32 status = file->queryStreamInformation(buffer, sizeof buffer);
    EXPECT_TRUE(status == platform::NT_STATUS_SUCCESS || status == platform::NT_STATUS_NOT_IMPLEMENTED) << std::hex
                                                                                                      << status;
    ASSERT_EQ(fileSystem_.openForStreams(u16(root_).c_str(), true, file), 0u);

    FILETIME ft = writeTimeOf(at(L"f.txt"));
    platform::LocalTime local;
    ASSERT_TRUE(system_.fileTimeToLocalTime((u64(ft.dwHighDateTime) << 32) | ft.dwLowDateTime, local));
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(local.year, now.wYear);
}

}  // namespace
}  // namespace pelorin
