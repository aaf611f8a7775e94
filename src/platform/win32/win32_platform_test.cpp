// The real platform against the Wine prefix (or Windows): what the in-memory one stands in for.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/wide_apis.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace pelorin::platform {
namespace {

bool isDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Win32System, SpecialFoldersByPathAndByLocationAgreeAndExist) {
    for (u32 folder : {FOLDER_PERSONAL, FOLDER_PROGRAM_FILES_COMMON}) {
        SCOPED_TRACE(folder);
        std::string byPath;
        std::string byLocation;
        ASSERT_TRUE(Win32System::specialFolderByPath(folder, true, byPath));
        ASSERT_TRUE(Win32System::specialFolderByLocation(folder, byLocation));
        EXPECT_EQ(byPath, byLocation);
        EXPECT_TRUE(isDirectory(byPath)) << byPath;
        EXPECT_NE(byPath.back(), '\\');
    }
}

TEST(Win32System, EnvironmentVariablesAreCutToTheBuffer) {
    Win32System system;
    ASSERT_TRUE(SetEnvironmentVariableA("PELORIN_TEST_VARIABLE", "abcdef"));
    char buffer[16];
    EXPECT_EQ(system.environmentVariable("PELORIN_TEST_VARIABLE", buffer, sizeof buffer), 6u);
    EXPECT_STREQ(buffer, "abcdef");
    char small[4];
    EXPECT_EQ(system.environmentVariable("PELORIN_TEST_VARIABLE", small, sizeof small), 6u);
    EXPECT_STREQ(small, "abc");
    SetEnvironmentVariableA("PELORIN_TEST_VARIABLE", nullptr);
    EXPECT_EQ(system.environmentVariable("PELORIN_TEST_VARIABLE", buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST(Win32System, IdentityOfThisProcessAndSystem) {
    Win32System system;
    OsVersion version;
    ASSERT_TRUE(system.osVersion(version));
    EXPECT_EQ(version.platformId, PLATFORM_WIN32_NT);
    EXPECT_GE(version.major, 5u);

    const std::u16string self = system.moduleFileName();
    const std::u16string tail = u"\\pelorin_win32_tests.exe";
    ASSERT_GT(self.size(), tail.size());
    EXPECT_EQ(self.substr(self.size() - tail.size()), tail);

    EXPECT_FALSE(system.isWindowedProgram());  // the test program is a console program

    const std::string temp = system.tempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(isDirectory(temp));

    u32 major = 0;
    u32 minor = 0;
    ASSERT_TRUE(system.loadCommonControls(major, minor));
    EXPECT_TRUE(major > 5 || (major == 5 && minor >= 80)) << major << "." << minor;
}

TEST(Win32System, WideFunctionsAreResolvedOnceAndPointAtTheSystem) {
    ASSERT_TRUE(resolveWideApis());
    const WideApis& apis = wideApis();
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(reinterpret_cast<void*>(apis.findFirstFileW),
              reinterpret_cast<void*>(GetProcAddress(kernel, "FindFirstFileW")));
    EXPECT_NE(apis.ntQueryInformationFile, nullptr);
    EXPECT_NE(apis.regOpenKeyExW, nullptr);
    EXPECT_NE(apis.getVolumeInformationW, nullptr);
    // remembered: the second call changes nothing
    const auto before = apis.createFileW;
    EXPECT_TRUE(resolveWideApis());
    EXPECT_EQ(wideApis().createFileW, before);
}

TEST(Win32FileSystem, AttributesFullPathsAndDirectories) {
    Win32FileSystem fs;
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string dir = std::string(temp) + "pelorin-fs-attributes";
    RemoveDirectoryA(dir.c_str());

    EXPECT_EQ(fs.queryAttributesAnsi(dir.c_str()), FILE_ATTRIBUTES_INVALID);
    EXPECT_EQ(fs.createDirectoryAnsi(dir.c_str()), 0u);
    EXPECT_EQ(fs.createDirectoryAnsi(dir.c_str()), static_cast<u32>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(fs.createDirectoryAnsi((dir + "\\missing\\child").c_str()), static_cast<u32>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(fs.queryAttributesAnsi(dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY_BIT);

    const std::string prefixed = "\\\\?\\" + dir;
    const std::u16string wide(prefixed.begin(), prefixed.end());
    EXPECT_TRUE(fs.queryAttributes(wide.c_str()) & FILE_ATTRIBUTE_DIRECTORY_BIT);
    EXPECT_NE(fs.queryAttributes(wide.c_str()), FILE_ATTRIBUTES_INVALID);

    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    char full[1024];
    ASSERT_TRUE(fs.makeFullPathAnsi("sub\\..\\name.txt", full, sizeof full));
    EXPECT_EQ(std::string(full), dir + "\\name.txt");
    char small[8] = "keep";
    EXPECT_FALSE(fs.makeFullPathAnsi("name.txt", small, sizeof small));
    EXPECT_STREQ(small, "keep");

    SetCurrentDirectoryA(temp);
    RemoveDirectoryA(dir.c_str());
}

TEST(Win32Registry, StringValuesRoundTripAndOtherTypesAreRefused) {
    Win32Registry registry;
    const char* key = "Software\\Orvex\\PelorinTest";
    for (u32 flags : {0u, REGISTRY_64BIT_VIEW}) {
        SCOPED_TRACE(flags);
        ASSERT_EQ(registry.setStringValue(RegistryRoot::CURRENT_USER, key, "Name", flags, "C:\\x.sna"), 0u);
        char buffer[64] = "old";
        EXPECT_EQ(registry.queryStringValue(RegistryRoot::CURRENT_USER, key, "Name", flags, buffer, sizeof buffer), 0u);
        EXPECT_STREQ(buffer, "C:\\x.sna");
        char small[4] = "old";
        EXPECT_EQ(registry.queryStringValue(RegistryRoot::CURRENT_USER, key, "Name", flags, small, sizeof small),
                  static_cast<u32>(ERROR_MORE_DATA));
        EXPECT_EQ(registry.deleteStringValue(RegistryRoot::CURRENT_USER, key, "Name", flags), 0u);
        EXPECT_EQ(registry.deleteStringValue(RegistryRoot::CURRENT_USER, key, "Name", flags),
                  static_cast<u32>(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(registry.queryStringValue(RegistryRoot::CURRENT_USER, key, "Name", flags, buffer, sizeof buffer),
                  static_cast<u32>(ERROR_FILE_NOT_FOUND));
        EXPECT_STREQ(buffer, "");
    }

    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    const DWORD number = 0x41424344;
    RegSetValueExA(handle, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    // written without the terminating NUL
    RegSetValueExA(handle, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    RegCloseKey(handle);
    char buffer[64] = "old";
    EXPECT_EQ(registry.queryStringValue(RegistryRoot::CURRENT_USER, key, "Number", 0, buffer, sizeof buffer),
              static_cast<u32>(ERROR_INVALID_DATATYPE));
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(registry.queryStringValue(RegistryRoot::CURRENT_USER, key, "Bare", 0, buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "abc");
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

}  // namespace
}  // namespace pelorin::platform
