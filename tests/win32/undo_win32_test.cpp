// Undo against the real registry and file system of the Wine prefix: an added key, added values
// in both hives, a changed value, an added file and an added directory tree are undone and
// checked with the system's own calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "results/undo.h"

namespace pelorin {
namespace {

const wchar_t* const kKey = L"Software\\PelorinUndoTest";
const wchar_t* const kUserKey = L".DEFAULT\\Software\\PelorinUndoTest";

std::vector<u8> wideData(const wchar_t* text) {
    const auto* p = reinterpret_cast<const u8*>(text);
    return std::vector<u8>(p, p + (wcslen(text) + 1) * sizeof(wchar_t));
}

void setString(HKEY root, const std::wstring& path, const wchar_t* name, const wchar_t* text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    const std::vector<u8> data = wideData(text);
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

bool keyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The value's type and data, or type REG_NONE with no data when it is missing.
std::pair<DWORD, std::vector<u8>> readValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {REG_NONE, {}};
    DWORD type = REG_NONE;
    std::vector<u8> data(512);
    DWORD size = static_cast<DWORD>(data.size());
    if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
        type = REG_NONE;
        size = 0;
    }
    RegCloseKey(key);
    data.resize(size);
    return {type, data};
}

void writeFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, "data", 4, &written, nullptr);
    CloseHandle(h);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class UndoWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
        RegDeleteTreeW(HKEY_USERS, kUserKey);
        RegDeleteKeyW(HKEY_USERS, kUserKey);
        const std::wstring key = kKey;
        setString(HKEY_LOCAL_MACHINE, key + L"\\AddedKey", L"", L"default");
        setString(HKEY_LOCAL_MACHINE, key + L"\\Parent\\Child", L"v", L"x");
        setString(HKEY_LOCAL_MACHINE, key, L"Added", L"new value");
        setString(HKEY_LOCAL_MACHINE, key, L"Changed", L"after the installer");
        setString(HKEY_USERS, kUserKey, L"UserValue", L"per user");

        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        base_ = std::wstring(temp) + L"pelorin-undo";
        CreateDirectoryW(base_.c_str(), nullptr);
        writeFile(base_ + L"\\added.txt");
        const std::wstring tree = base_ + L"\\tree";
        CreateDirectoryW(tree.c_str(), nullptr);
        CreateDirectoryW((tree + L"\\sub").c_str(), nullptr);
        CreateDirectoryW((tree + L"\\sub\\deeper").c_str(), nullptr);
        writeFile(tree + L"\\a.txt");
        writeFile(tree + L"\\sub\\deeper\\b.txt");
        writeFile(tree + L"\\sub\\locked.txt", FILE_ATTRIBUTE_READONLY);
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
        RegDeleteTreeW(HKEY_USERS, kUserKey);
        RegDeleteKeyW(HKEY_USERS, kUserKey);
    }

    ResultEntry& entry(u32 kind, const std::wstring& text1, const std::wstring& text2, const std::vector<u8>& data = {}) {
        auto text = [](const std::wstring& s) { return s.empty() ? nullptr : reinterpret_cast<const char16_t*>(s.c_str()); };
        EXPECT_TRUE(list.addChange(kind, text(text1), text(text2), static_cast<u32>(data.size()),
                                   data.empty() ? nullptr : data.data()));
        return *list.entry(list.count() - 1);
    }

    platform::Win32FileSystem fileSystem;
    platform::Win32Registry registry;
    platform::ScopedPlatform scope{platform::Platform{&fileSystem, &registry, nullptr}};
    ResultList list;
    std::wstring base_;
};

TEST_F(UndoWin32Test, AddedAndChangedItemsAreGoneOrRestored) {
    const std::wstring hklm = std::wstring(L"HKLM\\") + kKey;
    EXPECT_TRUE(undo(entry(RESULT_REG_KEY_ADDED, hklm + L"\\AddedKey", L"")));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, std::wstring(kKey) + L"\\AddedKey"));

    EXPECT_TRUE(undo(entry(RESULT_REG_VALUE_ADDED, L"Added", hklm)));
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kKey, L"Added").first, static_cast<DWORD>(REG_NONE));

    EXPECT_TRUE(undo(entry(RESULT_REG_VALUE_ADDED, L"UserValue", std::wstring(L"HKU\\") + kUserKey)));
    EXPECT_EQ(readValue(HKEY_USERS, kUserKey, L"UserValue").first, static_cast<DWORD>(REG_NONE));

    const std::vector<u8> old = wideData(L"before");
    EXPECT_TRUE(undo(entry(RESULT_REG_VALUE_CHANGED, L"Changed", hklm, old)));
    const auto restored = readValue(HKEY_LOCAL_MACHINE, kKey, L"Changed");
    EXPECT_EQ(restored.first, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(restored.second, old);

    EXPECT_TRUE(undo(entry(RESULT_FILE_ADDED, base_ + L"\\added.txt", L"")));
    EXPECT_FALSE(exists(base_ + L"\\added.txt"));

    ResultEntry& tree = entry(RESULT_DIR_ADDED, base_ + L"\\tree", L"");
    EXPECT_TRUE(undo(tree));
    EXPECT_TRUE(tree.undone);
    EXPECT_FALSE(exists(base_ + L"\\tree"));
    EXPECT_TRUE(exists(base_));
}

TEST_F(UndoWin32Test, FailuresLeaveTheEntryAndTheSystemAsTheyWere) {
    const std::wstring hklm = std::wstring(L"HKLM\\") + kKey;
    ResultEntry& parent = entry(RESULT_REG_KEY_ADDED, hklm + L"\\Parent", L"");
    EXPECT_FALSE(undo(parent));
    EXPECT_FALSE(parent.undone);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, std::wstring(kKey) + L"\\Parent\\Child"));

    ResultEntry& missing = entry(RESULT_REG_VALUE_CHANGED, L"NoSuchValue", hklm, wideData(L"x"));
    EXPECT_FALSE(undo(missing));
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kKey, L"NoSuchValue").first, static_cast<DWORD>(REG_NONE));

    EXPECT_FALSE(undo(entry(RESULT_FILE_ADDED, base_ + L"\\never-there.txt", L"")));
    EXPECT_FALSE(undo(entry(RESULT_DIR_ADDED, base_ + L"\\never-there", L"")));
    // A file handed in as a directory is not deleted.
    EXPECT_FALSE(undo(entry(RESULT_DIR_ADDED, base_ + L"\\added.txt", L"")));
    EXPECT_TRUE(exists(base_ + L"\\added.txt"));
}

}  // namespace
}  // namespace pelorin
