// The snapshot file through the real file system and registry of the Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/registry_strings.h"
#include "app/run_options.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "snapshot/sample_trees.h"
#include "snapshot/snapshot_file.h"
#include "snapshot/snapshot_tree.h"

namespace pelorin {
namespace {

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

std::string tempName(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::vector<u8> fileBytes(const std::string& name) {
    std::vector<u8> bytes;
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    u8 buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) bytes.insert(bytes.end(), buffer, buffer + got);
    CloseHandle(h);
    return bytes;
}

// The remembered name as the registry itself holds it, not as the program's seam reads it.
std::string rememberedName() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, REMEMBERED_SNAPSHOT_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "";
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1, type = 0;
    LONG status = RegQueryValueExA(key, REMEMBERED_SNAPSHOT_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? buffer : "";
}

// Windows refuses to replace a hidden file through CREATE_ALWAYS with FILE_ATTRIBUTE_NORMAL;
// Wine replaces it (and keeps it hidden). This file system refuses as Windows does and does
// everything else, the attribute change included, for real.
class WindowsLikeFileSystem : public platform::Win32FileSystem {
public:
    u32 createForWritingAnsi(const char* path, std::unique_ptr<platform::File>& out) override {
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
            ++refusals;
            out.reset();
            return ERROR_ACCESS_DENIED;
        }
        return Win32FileSystem::createForWritingAnsi(path, out);
    }
    int refusals = 0;
};

struct Trees {
    SnapshotTree registry{nullptr, TREE_REGISTRY, &noStrings};
    SnapshotTree files{nullptr, TREE_FILE_SYSTEM, &noStrings};
};

TEST(SnapshotFileWin32, SavesOverAHiddenFileLoadsAndRemembersTheName) {
    Trees t;
    samples::fillRegistryTree(t.registry, 4000, 3);
    samples::fillFileSystemTree(t.files, 4000, 4);
    RunOptions options;
    options.regDataSizeThreshold = 64;
    appendDirectory(options, u"C:\\windows", MODE_COMPLETE);

    // The bytes the in-memory platform writes for the same snapshot.
    std::vector<u8> expected;
    {
        platform::MemoryFileSystem files;
        platform::MemoryRegistry registry;
        platform::MemorySystem system;
        platform::ScopedPlatform scope(platform::Platform{&files, &registry, &system});
        ASSERT_TRUE(saveSnapshotFile(nullptr, "C:\\m.sna", t.registry, t.files, options));
        expected = files.findFile(u"C:\\m.sna")->bytes;
    }

    WindowsLikeFileSystem files;
    platform::Win32Registry registry;
    platform::Win32System system;
    platform::ScopedPlatform scope(platform::Platform{&files, &registry, &system});
    const std::string name = tempName("pelorin snapshot test.sna");
    const std::string copy = tempName("pelorin snapshot copy.sna");

    // A hidden file of that name, longer than the snapshot.
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    std::vector<u8> junk(200000, 0xEE);
    WriteFile(h, junk.data(), static_cast<DWORD>(junk.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_HIDDEN));

    ASSERT_TRUE(saveSnapshotFile(nullptr, name.c_str(), t.registry, t.files, options));
    EXPECT_EQ(files.refusals, 1);
    EXPECT_FALSE(GetFileAttributesA(name.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(fileBytes(name), expected);
    EXPECT_EQ(rememberedName(), name);

    Trees back;
    RunOptions loaded;
    ASSERT_EQ(loadSnapshotFile(name.c_str(), back.registry, back.files, loaded), 0u);
    EXPECT_EQ(back.files.nodeCount(), t.files.nodeCount());
    EXPECT_EQ(loaded.regDataSizeThreshold, 64u);
    ASSERT_EQ(loaded.directoryCount(), 1u);
    EXPECT_EQ(std::u16string(loaded.directoryAt(0)->path.get()), u"C:\\windows");
    ASSERT_TRUE(saveSnapshotFile(nullptr, copy.c_str(), back.registry, back.files, loaded));
    EXPECT_EQ(fileBytes(copy), expected);
    EXPECT_EQ(rememberedName(), copy);

    // A save that cannot create its file changes nothing.
    const std::string nowhere = tempName("no such directory\\x.sna");
    EXPECT_FALSE(saveSnapshotFile(nullptr, nowhere.c_str(), t.registry, t.files, options));
    EXPECT_EQ(rememberedName(), copy);
    EXPECT_EQ(loadSnapshotFile(nowhere.c_str(), back.registry, back.files, loaded), static_cast<u32>(ERROR_PATH_NOT_FOUND));

    DeleteFileA(name.c_str());
    DeleteFileA(copy.c_str());
    deleteRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0);
}

TEST(SnapshotFileWin32, SystemAnswersForTheDefaultName) {
    platform::Win32System system;
    char name[80];
    ASSERT_TRUE(system.computerName(name, sizeof name));
    char expected[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD n = sizeof expected;
    ASSERT_TRUE(GetComputerNameA(expected, &n));
    EXPECT_STREQ(name, expected);
    EXPECT_FALSE(system.computerName(name, 1));  // does not fit: empty
    EXPECT_STREQ(name, "");
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    EXPECT_EQ(system.allocationGranularity(), info.dwAllocationGranularity);
    const platform::LocalTime now = system.localTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}

}  // namespace
}  // namespace pelorin
