#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/argument_list.h"
#include "runtime/resource_container.h"
#include "runtime/string_table.h"
#include "app/text_report.h"
#include "platform/memory/memory_platform.h"
#include "respack/container_writer.h"

namespace pelorin {
namespace {

using namespace platform;

std::vector<std::string> entries(const ArgumentList& list) {
    std::vector<std::string> out;
    for (u32 i = 0; i < list.count(); ++i) out.emplace_back(list.at(i));
    return out;
}

class StartupTest : public ::testing::Test {
protected:
    StartupTest() {
        memory.system.moduleFileNameValue = u"C:\\Tools\\pelorin.exe";
        test::putProgramFile(memory.fileSystem, u"C:\\Tools\\pelorin.exe");
        memory.system.specialFolders[FOLDER_PERSONAL] = "C:\\Users\\me\\Documents";
        for (const char16_t* d : {u"C:\\Users", u"C:\\Users\\me", u"C:\\Users\\me\\Documents"}) {
            memory.fileSystem.putDirectory(d);
        }
        previousReport = setTextReportTarget({[](void* context, const char* text) {
                                                   static_cast<StartupTest*>(context)->reports.push_back(text);
                                               },
                                              this});
    }
    ~StartupTest() override {
        setTextReportTarget(previousReport);
        closeResourceContainer();
        interfaceLanguage = savedLanguage;
    }

    int start(const char* commandLine) {
        applicationRuns = 0;
        return runStartup(commandLine, [] { ++applicationRuns; });
    }

    MemoryPlatform memory;
    std::vector<std::string> reports;
    TextReportTarget previousReport;
    u16 savedLanguage = interfaceLanguage;
    static inline int applicationRuns = 0;
};

TEST_F(StartupTest, WithoutTheContainerItStopsBeforeTheApplication) {
    memory.fileSystem = MemoryFileSystem();  // no executable to read the container from
    EXPECT_EQ(start("pelorin.exe"), 0);
    EXPECT_EQ(applicationRuns, 0);
    ASSERT_EQ(memory.system.messageBoxes.size(), 1u);
    const auto& box = memory.system.messageBoxes[0];
    EXPECT_EQ(box.text, "Bad resource data!");
    EXPECT_FALSE(box.hasCaption);  // the system's default caption
    EXPECT_EQ(box.style, MSGBOX_OK);
}

TEST_F(StartupTest, ArgumentsReachTheApplicationWithoutTheRuntimeSwitches) {
    EXPECT_EQ(start("\"C:\\Tools\\pelorin.exe\" -~lang:en *C:\\Data -~x \"-Load:a b.sna\""), 0);
    EXPECT_EQ(applicationRuns, 1);
    EXPECT_EQ(entries(programArguments()),
              (std::vector<std::string>{"C:\\Tools\\pelorin.exe", "*C:\\Data", "-Load:a b.sna"}));
    EXPECT_EQ(entries(runtimeSwitches()), (std::vector<std::string>{"-~lang:en", "-~x"}));
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(memory.system.messageBoxes.empty());
}

TEST_F(StartupTest, DefaultArgumentsOfTheContainerGoAheadOfTheUsersUnlessSwitchedOff) {
    // String 100 of group 27 in the neutral table, the only table of this container.
    const std::string text = "-DisableParallel \"C:\\My Data\" -Debug";
    std::string record(8, '\0');  // id 100, then the length, both 32-bit little-endian
    record[0] = 100;
    record[4] = static_cast<char>(text.size());
    record += text;
    const std::vector<u8> block(record.begin(), record.end());
    const auto container =
        respack::writeContainer({respack::storedEntry(RESOURCE_STRING_BLOCK, LANGUAGE_NEUTRAL, 27, block)});
    memory.fileSystem.putFile(u"C:\\Tools\\pelorin.exe", container);

    start("p user");
    EXPECT_EQ(entries(programArguments()),
              (std::vector<std::string>{"p", "-Debug", "C:\\My Data", "-DisableParallel", "user"}));
    start("p -~noargs user");
    EXPECT_EQ(entries(programArguments()), (std::vector<std::string>{"p", "user"}));
}

TEST_F(StartupTest, TooManyArgumentsAreReportedAndCut) {
    std::string line = "pelorin.exe";
    for (int i = 0; i < 300; ++i) line += " -~s" + std::to_string(i);
    start(line.c_str());
    EXPECT_EQ(reports, (std::vector<std::string>{"WARNING: Too many arguments!"}));
    // cut at 256 entries before the switches were moved
    EXPECT_EQ(programArguments().count(), 1u);
    EXPECT_EQ(runtimeSwitches().count(), 255u);
    EXPECT_EQ(applicationRuns, 1);
}

TEST_F(StartupTest, LanguageFromTheUserOrForcedBySwitch) {
    struct Case {
        const char* line;
        u16 userLanguage;
        u16 expected;
    };
    const Case cases[] = {
        {"p", 0x0407, LANGUAGE_GERMAN},
        {"p", 0x0807, LANGUAGE_GERMAN},  // Swiss German: the primary language counts
        {"p", 0x0419, LANGUAGE_RUSSIAN},
        {"p", 0x0405, LANGUAGE_CZECH},
        {"p", 0x040C, LANGUAGE_ENGLISH},
        {"p -~lang:en", 0x0407, LANGUAGE_ENGLISH},
        {"p -~lang:ru", 0x0407, LANGUAGE_RUSSIAN},
        {"p -~lang:cs", 0x0409, LANGUAGE_CZECH},
        {"p -~lang:ru -~lang:en", 0x0407, LANGUAGE_ENGLISH},
        // not a language switch: the user's language stays
        {"p -~lang:de", 0x0409, LANGUAGE_ENGLISH},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        memory.system.userLanguage = c.userLanguage;
        interfaceLanguage = 0xFFFF;
        start(c.line);
        EXPECT_EQ(interfaceLanguage, c.expected);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(StartupTest, LanguageIdsAreReportedOnRequest) {
    memory.system.userLanguage = 0x0407;
    memory.system.systemLanguage = 0x0C0A;  // Spanish, modern sort: sub-language 3
    start("p -~lid");
    EXPECT_EQ(reports, (std::vector<std::string>{"LID: 407[7,1]/C0A[A,3]"}));
}

TEST_F(StartupTest, DataDirectoryInTheDocumentsOrElseTheTemporaryDirectory) {
    start("p");
    EXPECT_EQ(runtimePaths().dataDirectory, "C:\\Users\\me\\Documents\\Pelorin");
    EXPECT_EQ(runtimePaths().settingsFile, "C:\\Users\\me\\Documents\\Pelorin\\pelorin.ini");
    EXPECT_EQ(runtimePaths().logFile, "C:\\Users\\me\\Documents\\Pelorin\\pelorin.log");
    EXPECT_EQ(memory.fileSystem.queryAttributesAnsi("C:\\Users\\me\\Documents\\Pelorin"), FILE_ATTRIBUTE_DIRECTORY_BIT);
    // a second start finds it there
    start("p");
    EXPECT_EQ(runtimePaths().dataDirectory, "C:\\Users\\me\\Documents\\Pelorin");

    // documents that do not exist: the directory cannot be created below them
    memory.system.specialFolders[FOLDER_PERSONAL] = "D:\\Gone\\Documents";
    memory.system.tempPathValue = "C:\\Temp\\";
    start("p");
    EXPECT_EQ(runtimePaths().dataDirectory, "C:\\Temp");
    EXPECT_EQ(runtimePaths().logFile, "C:\\Temp\\pelorin.log");

    memory.system.specialFolders.clear();
    memory.system.tempPathValue = "D:\\";
    start("p");
    EXPECT_EQ(runtimePaths().settingsFile, "D:\\pelorin.ini");
}

TEST_F(StartupTest, CommonControlsVersionCheck) {
    struct Case {
        bool available;
        u32 major;
        u32 minor;
        u32 answer;
        bool asks;
        bool runs;
    };
    const Case cases[] = {
        {true, 5, 80, ANSWER_NO, false, true},
        {true, 6, 0, ANSWER_NO, false, true},
        {true, 6, 10, ANSWER_NO, false, true},
        {true, 5, 79, ANSWER_NO, true, false},
        {true, 5, 79, ANSWER_YES, true, true},
        {true, 4, 99, ANSWER_YES, true, true},
        {false, 0, 0, ANSWER_YES, false, false},  // ends silently
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        memory.system.messageBoxes.clear();
        memory.system.commonControlsAvailable = c.available;
        memory.system.commonControlsMajor = c.major;
        memory.system.commonControlsMinor = c.minor;
        memory.system.answers.assign(1, c.answer);
        start("p");
        EXPECT_EQ(applicationRuns, c.runs ? 1 : 0);
        ASSERT_EQ(memory.system.messageBoxes.size(), c.asks ? 1u : 0u);
        if (c.asks) {
            const auto& box = memory.system.messageBoxes[0];
            EXPECT_EQ(box.style, MSGBOX_YESNO | MSGBOX_ICONQUESTION | MSGBOX_DEFBUTTON2);
            EXPECT_EQ(box.text,
                      "The version of the Windows system library 'comctl32.dll' is too old to use this application.\r\n"
                      "The current version is " +
                          std::to_string(c.major) + "." + std::to_string(c.minor) +
                          ", required is at least 5.80.\r\n\r\nContinue anyway? (The application might not work "
                          "correctly)");
        }
    }
}

}  // namespace
}  // namespace pelorin
