#include "app/run_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/argument_list.h"
#include "app/registry_strings.h"
#include "platform/memory/memory_platform.h"
#include "runtime/text.h"

namespace pelorin {
namespace {

using platform::RegistryRoot;

TEST(ThresholdNumber, ParsesDecimalAndHexAndRefusesEverythingElse) {
    struct Case {
        const char* text;
        bool ok;
        u32 value;
    };
    const Case cases[] = {
        {"0x20", true, 32},
        {"  16", true, 16},
        {"\t \t7", true, 7},
        {"0X1f", true, 31},
        {"0xAbC", true, 0xABC},
        {"0x", true, 0},  // no hex digits: 0
        {"0", true, 0},
        {"007", true, 7},
        {"4294967295", true, 0xFFFFFFFF},
        {"0xFFFFFFFF", true, 0xFFFFFFFF},
        {"16k", false, 0},
        {"", false, 0},
        {"  ", false, 0},
        {"4294967296", false, 0},
        {"0x100000000", false, 0},
        // wraps to a value above its predecessor, which a smaller-than check would miss
        {"5000000000", false, 0},
        {"-1", false, 0},
        {"+1", false, 0},
        {"16 ", false, 0},
        {"0x 1", false, 0},
        {"1f", false, 0},
        {"0xg", false, 0},
    };
    for (const auto& c : cases) {
        u32 value = 12345;
        EXPECT_EQ(parseThreshold(c.text, value), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(value, c.ok ? c.value : 12345u) << '"' << c.text << '"';
    }
}

struct Directory {
    std::string path;
    u32 mode;
    bool operator==(const Directory&) const = default;
};

void PrintTo(const Directory& d, std::ostream* os) { *os << d.path << " mode " << d.mode; }

std::vector<Directory> directoriesOf(const RunOptions& options) {
    std::vector<Directory> out;
    for (u32 i = 0; i < options.directoryCount(); ++i) {
        out.push_back({narrow(options.directoryAt(i)->path.get()), options.directoryAt(i)->mode});
    }
    return out;
}

class RunOptionsTest : public ::testing::Test {
protected:
    RunOptionsTest() {
        skipMD5 = false;
        system.specialFolders[platform::FOLDER_PROGRAM_FILES_COMMON] = "C:\\Program Files\\Common Files";
        system.specialFolders[platform::FOLDER_PERSONAL] = "C:\\Users\\me\\Documents";
        for (const char16_t* d : {u"C:\\WINDOWS", u"C:\\Program Files", u"C:\\Program Files\\Common Files",
                                  u"C:\\Users", u"C:\\Users\\me", u"C:\\Users\\me\\Documents", u"C:\\Data",
                                  u"C:\\Work", u"C:\\Work\\Sub"}) {
            fs.putDirectory(d);
        }
        fs.putFile(u"C:\\Work\\file.txt", {});
        fs.currentDirectory = "C:\\Work";
    }
    ~RunOptionsTest() override { skipMD5 = false; }

    // Runs the whole build over "pelorin.exe <line>".
    bool build(const char* line, RunOptions& target) {
        ArgumentList arguments;
        splitCommandLine((std::string("pelorin.exe ") + line).c_str(), arguments);
        return buildRunOptions(arguments, target);
    }
    bool build(const char* line) { return build(line, options); }

    std::vector<std::string> shownTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : system.messageBoxes) texts.push_back(box.text);
        return texts;
    }

    std::vector<Directory> directories() const { return directoriesOf(options); }

    void remember(const std::string& name) {
        memory.registry.putString(RegistryRoot::CURRENT_USER, "Software\\Orvex\\Pelorin", "SnapShotFileName", name);
    }

    platform::MemoryPlatform memory;
    test::ScopedEnglishTexts texts{memory.fileSystem};
    platform::MemoryFileSystem& fs = memory.fileSystem;
    platform::MemorySystem& system = memory.system;
    RunOptions options;
};

TEST_F(RunOptionsTest, DefaultsWithoutArguments) {
    EXPECT_TRUE(build(""));
    EXPECT_TRUE(options.showDetails);
    EXPECT_TRUE(options.checkRegistry);
    EXPECT_TRUE(options.checkFileSystem);
    EXPECT_FALSE(options.skipWindowsUpdateFiles);
    EXPECT_FALSE(options.disableParallel);
    EXPECT_EQ(options.regDataSizeThreshold, 16u);
    EXPECT_FALSE(options.phase2Pending || options.loadSnapshot || options.saveSnapshot || options.saveResult);
    EXPECT_STREQ(options.snapshotFileName, "");
    EXPECT_FALSE(skipMD5);
    // Windows directory, common program files, profiles folder: in this order
    EXPECT_EQ(directories(), (std::vector<Directory>{{"C:\\WINDOWS", MODE_COMPLETE},
                                                     {"C:\\Program Files\\Common Files", MODE_COMPLETE},
                                                     {"C:\\Users", MODE_QUICK}}));
    EXPECT_TRUE(shownTexts().empty());
}

TEST_F(RunOptionsTest, OptionsTakeEffect) {
    struct Case {
        const char* line;
        void (*check)(const RunOptions& o);
    };
    const Case cases[] = {
        {"-Debug", [](const RunOptions& o) { EXPECT_FALSE(o.disableParallel); }},
        {"-SkipMD5", [](const RunOptions&) { EXPECT_TRUE(skipMD5); }},
        {"-DisableParallel", [](const RunOptions& o) { EXPECT_TRUE(o.disableParallel); }},
        {"-RegDataSizeThreshold:0x20", [](const RunOptions& o) { EXPECT_EQ(o.regDataSizeThreshold, 32u); }},
        {"\"-RegDataSizeThreshold:  16\"", [](const RunOptions& o) { EXPECT_EQ(o.regDataSizeThreshold, 16u); }},
        {"-RegDataSizeThreshold:0", [](const RunOptions& o) { EXPECT_EQ(o.regDataSizeThreshold, 0u); }},
        {"-Phase2:p.sna",
         [](const RunOptions& o) {
             EXPECT_TRUE(o.loadSnapshot && o.phase2Pending && !o.saveSnapshot);
             EXPECT_STREQ(o.snapshotFileName, "p.sna");
         }},
        {"-Load:a.sna -Load:b.sna",
         [](const RunOptions& o) {
             EXPECT_TRUE(o.loadSnapshot && !o.phase2Pending);
             EXPECT_STREQ(o.snapshotFileName, "b.sna");
         }},
        {"-Save:a.sna",
         [](const RunOptions& o) {
             EXPECT_TRUE(o.saveSnapshot && !o.loadSnapshot);
             EXPECT_STREQ(o.snapshotFileName, "a.sna");
         }},
        {"-Save:a.sna -Save:b.sna", [](const RunOptions& o) { EXPECT_STREQ(o.snapshotFileName, "b.sna"); }},
        {"-SetupFileName:setup.exe", [](const RunOptions& o) { EXPECT_STREQ(o.setupFileName, "setup.exe"); }},
        // only the result file is made absolute
        {"-SaveResult:out\\r.txt",
         [](const RunOptions& o) {
             EXPECT_TRUE(o.saveResult);
             EXPECT_STREQ(o.resultFileName, "C:\\Work\\out\\r.txt");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        skipMD5 = false;
        system.messageBoxes.clear();
        RunOptions fresh;
        EXPECT_TRUE(build(c.line, fresh));
        c.check(fresh);
        EXPECT_TRUE(shownTexts().empty());
    }
}

TEST_F(RunOptionsTest, RefusedArgumentsShowUsageAndStopTheLoop) {
    struct Case {
        const char* line;
        std::vector<std::string> texts;
    };
    const std::string usage = "Usage: pelorin.exe <DirectoryName1> ...";
    const Case cases[] = {
        // options are case-sensitive: this one is a directory that does not exist
        {"-debug", {"Directory '-debug' could not be accessed.", usage}},
        {"-Debug:", {"Directory '-Debug:' could not be accessed.", usage}},
        {"-RegDataSizeThreshold:16k", {usage}},
        {"-RegDataSizeThreshold:", {usage}},
        {"-Save:a.sna -Load:b.sna", {usage}},
        {"-Load:b.sna -Save:a.sna", {usage}},
        {"-Phase2:b.sna -Save:a.sna", {usage}},
        {"-Save:a.sna -Phase2:b.sna", {usage}},
        {"C:\\Missing", {"Directory 'C:\\Missing' could not be accessed.", usage}},
        {"*C:\\Missing", {"Directory 'C:\\Missing' could not be accessed.", usage}},
        {"file.txt", {"Directory 'file.txt' could not be accessed.", usage}},
        {"*", {"Directory '' could not be accessed.", usage}},
        {"\"\"", {"Directory '' could not be accessed.", usage}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        system.messageBoxes.clear();
        RunOptions fresh;
        EXPECT_FALSE(build((std::string(c.line) + " -DisableParallel C:\\Data").c_str(), fresh));
        EXPECT_EQ(shownTexts(), c.texts);
        // the loop stopped: nothing after the refused argument, and no default directories
        EXPECT_FALSE(fresh.disableParallel);
        EXPECT_EQ(fresh.directoryCount(), 0u);
        for (const auto& box : system.messageBoxes) {
            EXPECT_EQ(box.caption, "Pelorin V 1.1.4");
            EXPECT_EQ(box.style, platform::MSGBOX_OK | platform::MSGBOX_ICONINFORMATION);
        }
    }
}

TEST_F(RunOptionsTest, DirectoryArgumentsAndTheirModes) {
    struct Case {
        const char* line;
        std::vector<Directory> directories;
        bool skipMD5After;
    };
    const Case cases[] = {
        {"*C:\\Data", {{"C:\\Data", MODE_QUICK}}, false},
        {"C:\\Data -SkipMD5", {{"C:\\Data", MODE_COMPLETE}}, true},
        {"-SkipMD5 C:\\Data", {{"C:\\Data", MODE_QUICK}}, true},
        {"C:\\Data -SkipMD5 *C:\\Work C:\\Users",
         {{"C:\\Data", MODE_COMPLETE}, {"C:\\Work", MODE_QUICK}, {"C:\\Users", MODE_QUICK}},
         true},
        // relative names are tested against the current directory and stored absolute
        {"Sub ..\\Data .", {{"C:\\Work\\Sub", MODE_COMPLETE}, {"C:\\Data", MODE_COMPLETE}, {"C:\\Work", MODE_COMPLETE}},
         false},
        {"c:\\data\\", {{"c:\\data\\", MODE_COMPLETE}}, false},
        // with a directory given, no defaults are added
        {"-SkipMD5 C:\\WINDOWS", {{"C:\\WINDOWS", MODE_QUICK}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        skipMD5 = false;
        RunOptions fresh;
        ASSERT_TRUE(build(c.line, fresh));
        EXPECT_EQ(directoriesOf(fresh), c.directories);
        EXPECT_EQ(skipMD5, c.skipMD5After);
    }
}

TEST_F(RunOptionsTest, DirectoryFoundThroughTheAnsiNameWhenTheWideLookupFails) {
    // Bytes above 0x7F widen to other characters than the ANSI code page gives them.
    fs.putDirectory(u"C:\\Caf\u00e9");
    fs.wideLookupFailures.push_back(u"C:\\Caf\u00e9");
    EXPECT_TRUE(build("C:\\Caf\xe9"));
    EXPECT_EQ(directories(), (std::vector<Directory>{{"C:\\Caf\xe9", MODE_COMPLETE}}));
}

TEST_F(RunOptionsTest, DefaultDirectoriesFollowSkipMD5AndSkipWhatCannotBeFound) {
    EXPECT_TRUE(build("-SkipMD5"));
    EXPECT_EQ(directories(), (std::vector<Directory>{{"C:\\WINDOWS", MODE_QUICK},
                                                     {"C:\\Program Files\\Common Files", MODE_QUICK},
                                                     {"C:\\Users", MODE_QUICK}}));
    // both special folders were asked for with "create"
    EXPECT_EQ(system.createdFolders,
              (std::vector<u32>{platform::FOLDER_PROGRAM_FILES_COMMON, platform::FOLDER_PERSONAL}));

    RunOptions second;
    system.windowsDirectoryValue.clear();
    system.specialFolders.erase(platform::FOLDER_PROGRAM_FILES_COMMON);
    addDefaultPaths(second);
    ASSERT_EQ(second.directoryCount(), 1u);
    EXPECT_EQ(narrow(second.directoryAt(0)->path.get()), "C:\\Users");

    // a folder that is named but does not exist as a directory is not taken
    RunOptions third;
    system.specialFolders[platform::FOLDER_PERSONAL] = "C:\\Work\\file.txt";
    addDefaultPaths(third);
    EXPECT_EQ(third.directoryCount(), 0u);

    // documents directly below a drive: no profiles folder can be cut from it
    RunOptions fourth;
    fs.putDirectory(u"C:\\Docs");
    system.specialFolders[platform::FOLDER_PERSONAL] = "C:\\Docs";
    addDefaultPaths(fourth);
    EXPECT_EQ(fourth.directoryCount(), 0u);
}

TEST_F(RunOptionsTest, RememberedSnapshotStartsPhaseTwoWhenItsFileExists) {
    fs.putFile(u"C:\\Snapshots\\pc-20240101.sna", {1, 2, 3});
    remember("C:\\Snapshots\\pc-20240101.sna");
    EXPECT_TRUE(build(""));
    EXPECT_TRUE(options.loadSnapshot);
    EXPECT_TRUE(options.phase2Pending);
    EXPECT_STREQ(options.snapshotFileName, "C:\\Snapshots\\pc-20240101.sna");
}

TEST_F(RunOptionsTest, RememberedSnapshotIsIgnoredUnlessItNamesAnExistingFile) {
    const char* names[] = {"C:\\gone.sna", "C:\\Data", ""};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        remember(name);
        RunOptions fresh;
        readRememberedSnapshot(fresh);
        EXPECT_FALSE(fresh.loadSnapshot || fresh.phase2Pending);
        EXPECT_STREQ(fresh.snapshotFileName, "");
    }
    // a value of another type is not a name
    fs.putFile(u"C:\\x.sna", {});
    memory.registry.putValue(RegistryRoot::CURRENT_USER, "Software\\Orvex\\Pelorin", "SnapShotFileName",
                               platform::REGISTRY_TYPE_DWORD, {'C', ':', '\\', 'x'});
    RunOptions fresh;
    readRememberedSnapshot(fresh);
    EXPECT_FALSE(fresh.loadSnapshot);
    // the value stays for a later start
    EXPECT_NE(memory.registry.findValue(RegistryRoot::CURRENT_USER, "Software\\Orvex\\Pelorin", "SnapShotFileName"),
              nullptr);
}

TEST_F(RunOptionsTest, RememberedSnapshotRefusesSaveAndIsReplacedByLoad) {
    fs.putFile(u"C:\\last.sna", {});
    remember("C:\\last.sna");
    EXPECT_FALSE(build("-Save:x.sna"));
    EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Usage: pelorin.exe <DirectoryName1> ..."}));

    RunOptions fresh;
    EXPECT_TRUE(build("-Load:y.sna", fresh));
    EXPECT_STREQ(fresh.snapshotFileName, "y.sna");
    EXPECT_TRUE(fresh.loadSnapshot);
    EXPECT_TRUE(fresh.phase2Pending);  // the phase-2 dialog still comes first
}

TEST_F(RunOptionsTest, TextFieldsKeepAtMost1023Characters) {
    const std::string longName(2000, 'n');
    EXPECT_TRUE(build(("-Load:" + longName + " -SetupFileName:" + longName).c_str()));
    EXPECT_EQ(std::string(options.snapshotFileName), longName.substr(0, 1023));
    EXPECT_EQ(std::string(options.setupFileName), longName.substr(0, 1023));
}

}  // namespace
}  // namespace pelorin
