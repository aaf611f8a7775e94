// Both scans of a pass against the real registry and files of the Wine prefix, on the program's
// worker threads and one after the other: the same changes must come out either way.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/run_options.h"
#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "runtime/format.h"
#include "runtime/text.h"
#include "snapshot/file_system_scanner.h"
#include "snapshot/parallel_scan.h"
#include "snapshot/registry_scanner.h"
#include "snapshot/snapshot_tree.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

const wchar_t* const kTestKey = L"Software\\PelorinParallelTest";

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

std::u16string u16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }

void writeFile(const std::wstring& path, const std::string& content) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
    CloseHandle(h);
}

void setNumber(const wchar_t* path, const wchar_t* name, DWORD number) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
}

void removeTestKey() {
    if (RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey) == ERROR_SUCCESS) RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey);
}

// Pass 1, a file changed and one added, a value added, pass 2: the reports, sorted, with the
// two change counters.
std::vector<std::string> trackChanges(bool disableParallel, const std::wstring& directory, u32& registryChanges,
                                      u32& fileSystemChanges) {
    removeTestKey();
    setNumber(L"Software\\PelorinParallelTest\\Vendor", L"Kept", 1);
    CreateDirectoryW(directory.c_str(), nullptr);
    CreateDirectoryW((directory + L"\\sub").c_str(), nullptr);
    writeFile(directory + L"\\a.txt", "alpha");
    writeFile(directory + L"\\sub\\b.txt", "beta");
    DeleteFileW((directory + L"\\new.txt").c_str());

    static const RegistryScanRoot root[] = {
        {u"HKLM", platform::RegistryRoot::LOCAL_MACHINE, u"Software\\PelorinParallelTest"}};
    RunOptions options;
    options.disableParallel = disableParallel;
    appendDirectory(options, u16(directory), MODE_COMPLETE);
    RecordingSink sink;
    SnapshotTree registryTree(&sink, TREE_REGISTRY, &noStrings);
    SnapshotTree fileSystemTree(&sink, TREE_FILE_SYSTEM, &noStrings);
    RegistryScanner registryScanner(&sink, 16, &noStrings);
    registryScanner.setRoots(root, 1);
    FileSystemScanner fileSystemScanner(&sink, &noStrings);
    registryChanges = fileSystemChanges = 0;
    auto pass = [&](bool compare) {
        return runScans(&sink, options, registryScanner, fileSystemScanner, compare, registryTree, fileSystemTree,
                        &registryChanges, &fileSystemChanges, false);
    };
    EXPECT_EQ(pass(false), 0u);
    writeFile(directory + L"\\a.txt", "alpha, longer");
    writeFile(directory + L"\\new.txt", "new");
    setNumber(L"Software\\PelorinParallelTest\\Vendor", L"Added", 2);
    EXPECT_EQ(pass(true), 0u);
    EXPECT_EQ(sink.deferredMode, 0);

    std::vector<std::string> out;
    for (const auto& c : sink.changes()) out.push_back(std::to_string(c.kind) + " " + narrow(c.text1));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(ParallelScanWin32, BothModesReportTheSameChanges) {
    platform::Win32FileSystem fileSystem;
    platform::Win32Registry registry;
    platform::Win32System system;
    platform::ScopedPlatform scope(platform::Platform{&fileSystem, &registry, &system});
    registerStandardDirectives();

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring directory = std::wstring(temp) + L"pelorin-parallel-" + std::to_wstring(GetCurrentProcessId());
    const std::string shown = narrow(u16(directory));
    for (bool disableParallel : {true, false}) {
        SCOPED_TRACE(disableParallel ? "one after the other" : "parallel");
        u32 registryChanges = 0, fileSystemChanges = 0;
        const auto changes = trackChanges(disableParallel, directory, registryChanges, fileSystemChanges);
        EXPECT_EQ(changes, (std::vector<std::string>{"2 Added", "6 " + shown + "\\new.txt", "8 " + shown + "\\a.txt"}));
        EXPECT_EQ(registryChanges, 1u);
        EXPECT_EQ(fileSystemChanges, 2u);
    }

    removeTestKey();
    DeleteFileW((directory + L"\\sub\\b.txt").c_str());
    RemoveDirectoryW((directory + L"\\sub").c_str());
    DeleteFileW((directory + L"\\a.txt").c_str());
    DeleteFileW((directory + L"\\new.txt").c_str());
    RemoveDirectoryW(directory.c_str());
}

}  // namespace
}  // namespace pelorin
