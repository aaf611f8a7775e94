// The remembered snapshot through the real registry and file system: a value written with the
// registry string functions decides how the run options start.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/argument_list.h"
#include "app/registry_strings.h"
#include "app/run_options.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

namespace pelorin {
namespace {

class RememberedSnapshot : public ::testing::Test {
protected:
    RememberedSnapshot() : saved_(platform::current()) {
        platform::installWin32Platform();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        file_ = std::string(temp) + "pelorin-remembered.sna";
        arguments_.append("pelorin.exe");
        arguments_.append("C:\\windows");  // keeps the default directories out
    }
    ~RememberedSnapshot() override {
        deleteRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0);
        DeleteFileA(file_.c_str());
        platform::install(saved_);
    }

    void createFile() {
        HANDLE h = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }

    platform::Platform saved_;
    std::string file_;
    ArgumentList arguments_;
};

TEST_F(RememberedSnapshot, AnExistingFileStartsPhaseTwo) {
    createFile();
    ASSERT_TRUE(writeRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0,
                                    file_.c_str()));
    // it is really in the registry, where the next start of the program finds it
    char check[MAX_PATH] = {};
    DWORD size = sizeof check;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Orvex\\Pelorin", "SnapShotFileName", RRF_RT_REG_SZ, nullptr,
                           check, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(check), file_);

    RunOptions options;
    ASSERT_TRUE(buildRunOptions(arguments_, options));
    EXPECT_TRUE(options.loadSnapshot);
    EXPECT_TRUE(options.phase2Pending);
    EXPECT_EQ(std::string(options.snapshotFileName), file_);
}

TEST_F(RememberedSnapshot, AMissingFileOrADirectoryIsIgnored) {
    DeleteFileA(file_.c_str());
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    for (const std::string& name : {file_, std::string(temp)}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(writeRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0,
                                        name.c_str()));
        RunOptions options;
        ASSERT_TRUE(buildRunOptions(arguments_, options));
        EXPECT_FALSE(options.loadSnapshot);
        EXPECT_FALSE(options.phase2Pending);
        EXPECT_STREQ(options.snapshotFileName, "");
    }
    // the value stays
    char buffer[MAX_PATH];
    EXPECT_TRUE(readRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0,
                                   buffer, sizeof buffer));
}

}  // namespace
}  // namespace pelorin
