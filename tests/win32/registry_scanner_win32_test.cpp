// The registry scanner against the real registry of the Wine prefix: a whole-registry snapshot,
// changes to a test tree under HKLM and under the current user's key in HKU, and the
// comparison's exact reports. With the program's own exclusion lists (from the resource
// container of the built pelorin.exe) nothing else in the registry may show up as changed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "runtime/format.h"
#include "runtime/resource_container.h"
#include "runtime/text.h"
#include "snapshot/registry_scanner.h"
#include "snapshot/snapshot_tree.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

const wchar_t* const kTestKey = L"Software\\PelorinTest";

std::vector<u8> wideData(const wchar_t* text) {
    const auto* p = reinterpret_cast<const u8*>(text);
    return std::vector<u8>(p, p + (wcslen(text) + 1) * sizeof(wchar_t));
}

std::string hex(const std::vector<u8>& data) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (u8 b : data) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string describe(const RecordingSink::Change& c) {
    std::string out = std::to_string(c.kind) + " " + narrow(c.text1);
    if (c.hasText2) out += " | " + narrow(c.text2);
    if (!c.data.empty()) out += " [" + hex(c.data) + "]";
    return out;
}

std::string narrowWide(const std::wstring& text) { return narrow(std::u16string(text.begin(), text.end())); }

void setValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const std::vector<u8>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
        << narrowWide(path);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

void createKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
}

void deleteValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, name), ERROR_SUCCESS);
    RegCloseKey(key);
}

void deleteTree(HKEY root, const std::wstring& path) {
    const LONG status = RegDeleteTreeW(root, path.c_str());
    if (status == ERROR_SUCCESS) RegDeleteKeyW(root, path.c_str());  // RegDeleteTreeW leaves the key itself
}

// The name of a subkey as the registry enumerates it (its stored letter case).
std::wstring storedName(HKEY key, const wchar_t* wanted) {
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return wanted;
        if (_wcsicmp(name, wanted) == 0) return name;
    }
}

// The HKU subkey that holds the current user's hive (where HKCU writes land).
std::wstring currentUserKey() {
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(HKEY_USERS, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return L"";
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_USERS, (std::wstring(name) + L"\\" + kTestKey).c_str(), 0, KEY_READ, &key) ==
            ERROR_SUCCESS) {
            RegCloseKey(key);
            return name;
        }
    }
}

class RegistryScannerWin32 : public testing::Test {
protected:
    void SetUp() override {
        registerStandardDirectives();
        // Under Wine the build tree is reached through drive Z:.
        std::u16string exe = u"Z:" + widen(PELORIN_EXE_PATH);
        std::replace(exe.begin(), exe.end(), u'/', u'\\');
        u32 error = 0;
        ASSERT_TRUE(openResourceContainer(fileSystem, exe.c_str(), &error)) << PELORIN_EXE_PATH << ": " << error;
        deleteTree(HKEY_LOCAL_MACHINE, kTestKey);
        deleteTree(HKEY_CURRENT_USER, kTestKey);
    }
    void TearDown() override {
        deleteTree(HKEY_LOCAL_MACHINE, kTestKey);
        deleteTree(HKEY_CURRENT_USER, kTestKey);
        closeResourceContainer();
    }

    u32 runPass(bool compare, RecordingSink& sink, SnapshotTree& tree, u32* changeCount) {
        RegistryScanner scanner(&sink, 16);
        const u32 code = scanner.runRegistryPass(false, compare, &tree, changeCount);
        lastValueCount = scanner.valueCount();
        return code;
    }

    platform::Win32FileSystem fileSystem;
    platform::Win32Registry registry;
    platform::ScopedPlatform scope{platform::Platform{nullptr, &registry, nullptr}};
    u32 lastValueCount = 0;
};

TEST_F(RegistryScannerWin32, UnchangedRegistryReportsNothing) {
    RecordingSink sink;
    SnapshotTree tree(&sink, TREE_REGISTRY);
    EXPECT_GT(tree.exclusions().count(), 100u);
    // Also a pass through Perflib\009, which Wine opens as a pseudo handle that cannot be queried.
    ASSERT_EQ(runPass(false, sink, tree, nullptr), 0u);
    const u32 recordedValues = lastValueCount;
    // A fresh prefix holds thousands of keys and values in each hive.
    EXPECT_GT(recordedValues, 1000u);
    EXPECT_GT(tree.nodeCount(), 5000u);
    u32 changes = 0;
    ASSERT_EQ(runPass(true, sink, tree, &changes), 0u);
    std::vector<std::string> reports;
    for (const auto& c : sink.changes()) reports.push_back(describe(c));
    EXPECT_EQ(reports, std::vector<std::string>{});
    EXPECT_EQ(changes, 0u);
    EXPECT_EQ(lastValueCount, recordedValues);
    EXPECT_EQ(sink.lineTexts(3).back().rfind("Total registry size:", 0), 0u);
}

TEST_F(RegistryScannerWin32, ReportsEveryChangeOfATestTreeExactlyOnce) {
    const std::wstring lm = kTestKey;
    const std::vector<u8> before = wideData(L"before"), u1 = wideData(L"u1");
    const std::vector<u8> grow(10, 0x11), big(100, 0x22), dword = {1, 0, 0, 0};
    setValue(HKEY_LOCAL_MACHINE, lm, L"Keep", REG_SZ, wideData(L"same"));
    setValue(HKEY_LOCAL_MACHINE, lm, L"Change", REG_SZ, before);
    setValue(HKEY_LOCAL_MACHINE, lm, L"Grow", REG_BINARY, grow);
    setValue(HKEY_LOCAL_MACHINE, lm, L"Retype", REG_DWORD, dword);
    setValue(HKEY_LOCAL_MACHINE, lm, L"Big", REG_BINARY, big);
    setValue(HKEY_LOCAL_MACHINE, lm, L"BigKeep", REG_BINARY, big);
    setValue(HKEY_LOCAL_MACHINE, lm, L"Remove", REG_SZ, wideData(L"r"));
    setValue(HKEY_LOCAL_MACHINE, lm, L"", REG_SZ, wideData(L"default"));
    setValue(HKEY_LOCAL_MACHINE, lm + L"\\Gone", L"g1", REG_SZ, wideData(L"1"));
    setValue(HKEY_LOCAL_MACHINE, lm + L"\\Gone\\GoneChild", L"gc", REG_SZ, wideData(L"2"));
    setValue(HKEY_LOCAL_MACHINE, lm + L"\\Case", L"c1", REG_DWORD, dword);
    setValue(HKEY_CURRENT_USER, lm, L"U1", REG_SZ, u1);
    setValue(HKEY_CURRENT_USER, lm + L"\\UGone", L"ug", REG_SZ, wideData(L"3"));

    const std::string p = "HKLM\\" + narrowWide(storedName(HKEY_LOCAL_MACHINE, L"Software")) + "\\PelorinTest";
    const std::wstring user = currentUserKey();
    ASSERT_FALSE(user.empty());
    HKEY userKey = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, user.c_str(), 0, KEY_READ, &userKey), ERROR_SUCCESS);
    const std::string u = "HKU\\" + narrowWide(user) + "\\" + narrowWide(storedName(userKey, L"Software")) +
                          "\\PelorinTest";
    RegCloseKey(userKey);

    RecordingSink sink;
    SnapshotTree tree(&sink, TREE_REGISTRY);
    ASSERT_EQ(runPass(false, sink, tree, nullptr), 0u);

    std::vector<u8> bigChanged = big;
    bigChanged[50] ^= 1;
    setValue(HKEY_LOCAL_MACHINE, lm, L"Change", REG_SZ, wideData(L"after!"));  // same length
    setValue(HKEY_LOCAL_MACHINE, lm, L"Grow", REG_BINARY, std::vector<u8>(30, 0x11));  // longer, past the threshold
    setValue(HKEY_LOCAL_MACHINE, lm, L"Retype", REG_QWORD, {2, 0, 0, 0, 0, 0, 0, 0});
    setValue(HKEY_LOCAL_MACHINE, lm, L"Big", REG_BINARY, bigChanged);
    setValue(HKEY_LOCAL_MACHINE, lm, L"Added", REG_SZ, wideData(L"a"));
    deleteValue(HKEY_LOCAL_MACHINE, lm, L"Remove");
    deleteValue(HKEY_LOCAL_MACHINE, lm, L"");
    deleteTree(HKEY_LOCAL_MACHINE, lm + L"\\Gone");
    // The same key under a name in other letter case.
    deleteTree(HKEY_LOCAL_MACHINE, lm + L"\\Case");
    setValue(HKEY_LOCAL_MACHINE, lm + L"\\CASE", L"c1", REG_DWORD, dword);
    for (int i = 0; i < 50; ++i)
        setValue(HKEY_LOCAL_MACHINE, lm + L"\\New", (L"n" + std::to_wstring(i)).c_str(), REG_DWORD, dword);
    createKey(HKEY_LOCAL_MACHINE, lm + L"\\New\\Below");
    setValue(HKEY_CURRENT_USER, lm, L"U1", REG_SZ, wideData(L"u1 now longer"));
    setValue(HKEY_CURRENT_USER, lm, L"U2", REG_SZ, wideData(L"u2"));
    deleteTree(HKEY_CURRENT_USER, lm + L"\\UGone");

    u32 changeCount = 0;
    ASSERT_EQ(runPass(true, sink, tree, &changeCount), 0u);

    // Reports come in three runs: the walk of HKLM, the walk of HKU, then the removals. Within a
    // run the order follows the registry's enumeration order, which Windows and Wine differ on.
    std::vector<std::string> walkMachine, walkUsers, removals, elsewhere;
    int lastRun = 0;
    for (const auto& c : sink.changes()) {
        const std::string text = describe(c);
        if (text.find("PelorinTest") == std::string::npos) {
            elsewhere.push_back(text);
            continue;
        }
        const std::string path = narrow(c.kind == 1 ? c.text1 : c.text2);
        const int run = c.kind == 4 ? 2 : path.rfind("HKU\\", 0) == 0 ? 1 : 0;
        EXPECT_GE(run, lastRun) << text << " out of order";
        lastRun = run;
        (run == 0 ? walkMachine : run == 1 ? walkUsers : removals).push_back(text);
    }
    EXPECT_EQ(elsewhere, std::vector<std::string>{});
    for (auto* run : {&walkMachine, &walkUsers, &removals}) std::sort(run->begin(), run->end());

    std::vector<std::string> expectMachine = {
        "1 " + p + "\\CASE",
        "1 " + p + "\\New",
        "2 Added | " + p,
        "3 Big | " + p,
        "3 Change | " + p + " [" + hex(before) + "]",
        "3 Grow | " + p + " [" + hex(grow) + "]",
        "5 Retype | " + p,
    };
    std::vector<std::string> expectUsers = {
        "2 U2 | " + u,
        "3 U1 | " + u + " [" + hex(u1) + "]",
    };
    std::vector<std::string> expectRemovals = {
        "4  | " + p + "\\",
        "4 Case | " + p + "\\Case",
        "4 Gone | " + p + "\\Gone",
        "4 GoneChild | " + p + "\\Gone\\GoneChild",
        "4 Remove | " + p + "\\Remove",
        "4 UGone | " + u + "\\UGone",
        "4 c1 | " + p + "\\Case\\c1",
        "4 g1 | " + p + "\\Gone\\g1",
        "4 gc | " + p + "\\Gone\\GoneChild\\gc",
        "4 ug | " + u + "\\UGone\\ug",
    };
    for (auto* run : {&expectMachine, &expectUsers, &expectRemovals}) std::sort(run->begin(), run->end());
    EXPECT_EQ(walkMachine, expectMachine);
    EXPECT_EQ(walkUsers, expectUsers);
    EXPECT_EQ(removals, expectRemovals);
    EXPECT_EQ(changeCount, sink.changes().size());
}

TEST_F(RegistryScannerWin32, EnumerationAnswersAsTheInMemoryRegistryAssumes) {
    setValue(HKEY_LOCAL_MACHINE, kTestKey, L"Abc", REG_BINARY, {1, 2, 3});
    createKey(HKEY_LOCAL_MACHINE, std::wstring(kTestKey) + L"\\Beta");
    createKey(HKEY_LOCAL_MACHINE, std::wstring(kTestKey) + L"\\alpha");

    platform::RegistryKey key;
    ASSERT_EQ(registry.openPath(platform::RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\pelorintest", key), 0u);
    platform::RegistryKeyInfo info;
    ASSERT_EQ(registry.queryKeyInfo(key, info), 0u);
    EXPECT_EQ(info.valueCount, 1u);
    EXPECT_EQ(info.longestValueName, 3u);
    EXPECT_EQ(info.longestValueData, 3u);
    EXPECT_EQ(info.subkeyCount, 2u);
    EXPECT_EQ(info.longestSubkeyName, 5u);

    char16_t name[16];
    u8 data[16];
    platform::RegistryValueInfo value;
    EXPECT_EQ(registry.enumerateValue(key, 0, name, 3, data, 16, value), platform::REGISTRY_MORE_DATA);
    EXPECT_EQ(registry.enumerateValue(key, 0, name, 16, data, 2, value), platform::REGISTRY_MORE_DATA);
    ASSERT_EQ(registry.enumerateValue(key, 0, name, 4, data, 3, value), 0u);
    EXPECT_EQ(std::u16string(name), u"Abc");
    EXPECT_EQ(value.nameLength, 3u);
    EXPECT_EQ(value.type, static_cast<u32>(REG_BINARY));
    EXPECT_EQ(value.dataSize, 3u);
    EXPECT_EQ(registry.enumerateValue(key, 1, name, 16, data, 16, value), platform::REGISTRY_NO_MORE_ITEMS);

    std::u16string order;
    u32 length = 0;
    for (u32 i = 0; registry.enumerateSubkey(key, i, name, 16, length) == 0; ++i) order += std::u16string(name) + u",";
    // Ordered without regard to case (Wine folds to lower case, Windows to upper case, so the
    // two differ for "_" and the like).
    EXPECT_EQ(order, u"alpha,Beta,");
    EXPECT_EQ(registry.enumerateSubkey(key, 0, name, 5, length), platform::REGISTRY_MORE_DATA);
    EXPECT_EQ(registry.enumerateSubkey(key, 2, name, 16, length), platform::REGISTRY_NO_MORE_ITEMS);

    platform::RegistryKey child;
    EXPECT_EQ(registry.openKey(key, u"missing", child), static_cast<u32>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(registry.openKey(key, u"ALPHA", child), 0u);
}

}  // namespace
}  // namespace pelorin
