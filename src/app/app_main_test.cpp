#include "app/app_main.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/argument_list.h"
#include "app/message_box.h"
#include "app/run_options.h"
#include "platform/memory/memory_platform.h"

namespace pelorin {
namespace {

using namespace platform;

TEST(MessageBox, KindsChooseButtonsIconAndAnswer) {
    struct Case {
        u32 kind;
        u32 style;
        u32 answer;
        bool result;
    };
    const Case cases[] = {
        {BOX_INFORMATION, MSGBOX_OK | MSGBOX_ICONINFORMATION, ANSWER_OK, false},
        {BOX_OK_CANCEL, MSGBOX_OKCANCEL | MSGBOX_ICONQUESTION, ANSWER_OK, true},
        {BOX_OK_CANCEL, MSGBOX_OKCANCEL | MSGBOX_ICONQUESTION, ANSWER_CANCEL, false},
        {BOX_YES_NO, MSGBOX_YESNO | MSGBOX_ICONQUESTION, ANSWER_YES, true},
        {BOX_YES_NO, MSGBOX_YESNO | MSGBOX_ICONQUESTION, ANSWER_NO, false},
        {BOX_YES_NO_DEFAULT_NO, MSGBOX_YESNO | MSGBOX_ICONQUESTION | MSGBOX_DEFBUTTON2, ANSWER_YES, true},
        {BOX_YES_NO_DEFAULT_NO, MSGBOX_YESNO | MSGBOX_ICONQUESTION | MSGBOX_DEFBUTTON2, ANSWER_NO, false},
        // a box that could not be shown answers 0
        {BOX_YES_NO, MSGBOX_YESNO | MSGBOX_ICONQUESTION, 0, false},
        {7, MSGBOX_OK | MSGBOX_ICONINFORMATION, ANSWER_OK, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        MemoryPlatform memory;
        memory.system.answers.push_back(c.answer);
        int owner = 0;
        EXPECT_EQ(messageBox(&owner, "text", c.kind), c.result);
        ASSERT_EQ(memory.system.messageBoxes.size(), 1u);
        const auto& box = memory.system.messageBoxes[0];
        EXPECT_EQ(box.style, c.style);
        EXPECT_EQ(box.caption, "Pelorin V 1.1.4");
        EXPECT_EQ(box.owner, &owner);
        EXPECT_EQ(box.text, "text");
    }
}

class AppMainTest : public ::testing::Test {
protected:
    AppMainTest() {
        skipMD5 = false;
        memory.fileSystem.putDirectory(u"C:\\WINDOWS");
        arguments.append("pelorin.exe");
    }
    ~AppMainTest() override { skipMD5 = false; }

    static void recordLoop(RunOptions& options) {
        ++loops;
        lastDirectoryCount = options.directoryCount();
    }

    void run() {
        loops = 0;
        runApplication(arguments, recordLoop);
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& box : memory.system.messageBoxes) out.push_back(box.text);
        return out;
    }

    MemoryPlatform memory;
    test::ScopedEnglishTexts englishTexts{memory.fileSystem};
    ArgumentList arguments;
    static inline int loops = 0;
    static inline u32 lastDirectoryCount = 0;
};

TEST_F(AppMainTest, ReachesTheDialogLoopWithTheBuiltOptions) {
    run();
    EXPECT_EQ(loops, 1);
    EXPECT_EQ(lastDirectoryCount, 1u);  // only the Windows directory exists here
    EXPECT_TRUE(texts().empty());
    EXPECT_EQ(memory.system.wideApiResolutions, 1u);
}

TEST_F(AppMainTest, RefusedArgumentEndsWithoutTheDialogLoop) {
    arguments.append("-debug");
    run();
    EXPECT_EQ(loops, 0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"Directory '-debug' could not be accessed.",
                                                 "Usage: pelorin.exe <DirectoryName1> ..."}));
}

TEST_F(AppMainTest, PlatformChecksInOrder) {
    const std::string unsupported = "This operating system is not supported. Use Windows NT/2000/XP or newer.";
    const std::string wow64 =
        "You are using the 32-bit version of Pelorin in a 64-bit Windows environment. In this case, Pelorin cannot "
        "completely find the changes to the system. Use the 64-bit version of Pelorin!\r\n\r\nContinue anyway?";
    struct Case {
        const char* name;
        u32 platformId;
        bool versionKnown;
        bool wideApis;
        const char* wow64Variable;  // null: not set
        u32 answer;
        std::vector<std::string> texts;
        u32 resolutions;
        bool passes;
    };
    const Case cases[] = {
        {"NT", PLATFORM_WIN32_NT, true, true, nullptr, ANSWER_OK, {}, 1, true},
        {"Windows 98", 1, true, true, "AMD64", ANSWER_YES, {unsupported}, 0, false},
        {"version unknown", PLATFORM_WIN32_NT, false, true, nullptr, ANSWER_OK, {unsupported}, 0, false},
        {"wide functions missing", PLATFORM_WIN32_NT, true, false, "AMD64", ANSWER_YES,
         {"Error initializing functions!"}, 1, false},
        {"WOW64, No", PLATFORM_WIN32_NT, true, true, "AMD64", ANSWER_NO, {wow64}, 1, false},
        {"WOW64, Yes", PLATFORM_WIN32_NT, true, true, "AMD64", ANSWER_YES, {wow64}, 1, true},
        {"empty variable", PLATFORM_WIN32_NT, true, true, "", ANSWER_NO, {}, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        memory.system.messageBoxes.clear();
        memory.system.wideApiResolutions = 0;
        memory.system.osVersionValue.platformId = c.platformId;
        memory.system.osVersionAvailable = c.versionKnown;
        memory.system.wideApisAvailable = c.wideApis;
        memory.system.environment.clear();
        if (c.wow64Variable) memory.system.environment["PROCESSOR_ARCHITEW6432"] = c.wow64Variable;
        memory.system.answers.assign(1, c.answer);
        run();
        EXPECT_EQ(loops, c.passes ? 1 : 0);
        EXPECT_EQ(texts(), c.texts);
        EXPECT_EQ(memory.system.wideApiResolutions, c.resolutions);
        if (c.wow64Variable && *c.wow64Variable && c.texts.size() == 1 && c.texts[0] == wow64) {
            EXPECT_EQ(memory.system.messageBoxes[0].style, MSGBOX_YESNO | MSGBOX_ICONQUESTION | MSGBOX_DEFBUTTON2);
        }
    }
}

}  // namespace
}  // namespace pelorin
