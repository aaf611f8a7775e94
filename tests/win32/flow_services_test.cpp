// The run's Windows services: starting a program and waiting for it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32/flow_services.h"

namespace pelorin {
namespace {

TEST(FlowServicesTest, TheSetupProgramIsWaitedForOrItsStartErrorGiven) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string marker = std::string(temp) + "pelorin-setup-ran.txt";
    DeleteFileA(marker.c_str());
    // The name alone is the command line, so a program with arguments must be named by a script
    // of its own; cmd's /c does that job here.
    const std::string command = "cmd.exe /c echo done > \"" + marker + "\"";
    EXPECT_EQ(runSetupProgram(command.c_str(), nullptr), 0u);
    EXPECT_NE(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);  // it had ended before the return

    // Windows says "path not found", Wine "file not found".
    const u32 missing = runSetupProgram("C:\\no\\such\\setup.exe", nullptr);
    EXPECT_TRUE(missing == ERROR_PATH_NOT_FOUND || missing == ERROR_FILE_NOT_FOUND) << missing;
    EXPECT_EQ(runSetupProgram("", nullptr), ERR_BAD_VALUE);
}

}  // namespace
}  // namespace pelorin
