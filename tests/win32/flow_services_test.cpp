// The run's Windows services: starting and waiting for a program, the dialogs' filter form.
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

TEST(FlowServicesTest, AFilterTextBecomesNulSeparatedPairs) {
    char out[64];
    makeDialogFilter("Executable file (*.exe)|*.exe|", out, sizeof out);
    EXPECT_EQ(std::string(out, 31), std::string("Executable file (*.exe)\0*.exe\0\0", 31));
    // The separator is whatever the text ends with.
    makeDialogFilter("A#*.a#", out, sizeof out);
    EXPECT_EQ(std::string(out, 7), std::string("A\0*.a\0\0", 7));
    // Cut to the buffer, still doubly terminated.
    makeDialogFilter("Snapshot|*.sna|", out, 6);
    EXPECT_EQ(std::string(out, 6), std::string("Snap\0\0", 6));
}

}  // namespace
}  // namespace pelorin
