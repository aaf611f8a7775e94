#include "results/result_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "results/classify_results.h"
#include "results/sort_results.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"

namespace pelorin {
namespace {

std::string n8(const char16_t* s) {
    std::string out;
    for (; s && *s; ++s) out += static_cast<char>(*s);
    return out;
}

TEST(ResultList, AddChangeCopiesTextsAndData) {
    ResultList list;
    char16_t name[] = u"Example";
    char16_t path[] = u"HKLM\\SOFTWARE\\Run";
    u8 data[] = {1, 2, 3};
    ASSERT_TRUE(list.addChange(RESULT_REG_VALUE_CHANGED, name, path, 3, data));
    ASSERT_TRUE(list.addChange(RESULT_REG_KEY_ADDED, u"HKLM\\New", nullptr, 5, nullptr));
    name[0] = u'X';  // the caller reuses its buffers at once
    path[0] = u'X';
    data[0] = 9;
    ASSERT_EQ(list.count(), 2u);
    const ResultEntry* e = list.entry(0);
    EXPECT_EQ(n8(e->text1), "Example");
    EXPECT_EQ(n8(e->text2), "HKLM\\SOFTWARE\\Run");
    ASSERT_EQ(e->dataSize, 3u);
    EXPECT_EQ(e->data[0], 1);
    EXPECT_EQ(e->priority, 0u);
    EXPECT_FALSE(e->undone);
    const ResultEntry* k = list.entry(1);
    EXPECT_EQ(k->text2, nullptr);   // an absent text stays absent
    EXPECT_EQ(k->dataSize, 0u);     // a size without data is no data
    EXPECT_EQ(k->data, nullptr);
    EXPECT_EQ(list.entry(2), nullptr);
}

TEST(ResultList, TwoThreadsAppendingLoseNothing) {
    ResultList list;
    auto work = [&list](const char16_t* tag) {
        for (int i = 0; i < 5000; ++i) list.addChange(RESULT_FILE_ADDED, tag, nullptr, 0, nullptr);
    };
    std::thread a(work, u"a"), b(work, u"b");
    a.join();
    b.join();
    ASSERT_EQ(list.count(), 10000u);
    u32 as = 0;
    for (u32 i = 0; i < list.count(); ++i) as += list.entry(i)->text1[0] == u'a';
    EXPECT_EQ(as, 5000u);
}

TEST(ResultList, KindNames) {
    EXPECT_STREQ(resultKindName(1), "RegKeyAdded");
    EXPECT_STREQ(resultKindName(7), "DirAdded");
    EXPECT_STREQ(resultKindName(10), "FileNotFound");
    EXPECT_EQ(resultKindName(0), nullptr);
    EXPECT_EQ(resultKindName(11), nullptr);
    EXPECT_EQ(resultKindTextId(7), 198u);
    EXPECT_EQ(resultKindTextId(8), 149u);
}

ClassificationPlaces testPlaces() {
    ClassificationPlaces p;
    p.windowsDirectory = u"C:\\WINDOWS";
    p.systemDirectory = u"C:\\WINDOWS\\system32";
    p.commonFilesDirectory = u"C:\\Program Files\\Common Files";
    p.profilesDirectory = u"C:\\Users";
    buildFolderPatterns("C:\\Users", p);
    return p;
}

TEST(ClassifyResults, FolderPatternsFromTheProfilesDirectory) {
    ClassificationPlaces p = testPlaces();
    EXPECT_EQ(p.folderPatterns[0], u"C:\\Users\\*\\Autostart");
    EXPECT_EQ(p.folderPatterns[1], u"C:\\Users\\*\\Autostart\\*");
    EXPECT_EQ(p.folderPatterns[2], u"C:\\Users\\*\\Startup");
    EXPECT_EQ(p.folderPatterns[3], u"C:\\Users\\*\\Startup\\*");
    EXPECT_EQ(joinPath("C:\\", "\\x"), "C:\\x");
    ClassificationPlaces none;
    buildFolderPatterns("", none);
    EXPECT_TRUE(none.folderPatterns[0].empty());
}

TEST(ClassifyResults, Rules) {
    ExclusionList autostart;
    for (const char* p : {"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                          "HKU\\*\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                          "HKLM\\System\\CurrentControlSet\\Services\\*"})
        ASSERT_TRUE(autostart.addPattern(p));
    struct Case { u32 kind; const char16_t* text1; const char16_t* text2; u32 priority; };
    const Case cases[] = {
        {RESULT_REG_VALUE_ADDED, u"Tool", u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 1},
        {RESULT_REG_VALUE_ADDED, u"Tool", u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Sub", 0},
        {RESULT_REG_VALUE_ADDED, u"Tool", u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RUN", 0},
        {RESULT_REG_VALUE_ADDED, u"Tool", u"HKU\\S-1-5-21-1\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 1},
        {RESULT_REG_KEY_ADDED, u"HKLM\\System\\CurrentControlSet\\Services\\NewSvc", nullptr, 1},
        {RESULT_REG_KEY_ADDED, u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Sub", nullptr, 0},
        {RESULT_REG_VALUE_CHANGED, u"v", u"HKLM\\X", 2},
        {RESULT_REG_TYPE_CHANGED, u"v", u"HKLM\\X", 2},
        {RESULT_REG_VALUE_REMOVED, u"v", u"HKLM\\X\\v", 3},
        {RESULT_FILE_ADDED, u"C:\\WINDOWS\\system32\\new.dll", nullptr, 1},
        {RESULT_FILE_ADDED, u"C:\\WINDOWS\\new.ini", nullptr, 2},
        {RESULT_FILE_ADDED, u"C:\\WINDOWSX\\new.ini", nullptr, 0},
        {RESULT_FILE_ADDED, u"C:\\WINDOWS\\system32x\\a", nullptr, 2},
        {RESULT_DIR_ADDED, u"C:\\WINDOWS", nullptr, 2},
        {RESULT_FILE_ADDED, u"C:\\Users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\t.lnk", nullptr, 1},
        {RESULT_FILE_ADDED, u"C:\\Users\\Anna\\Startmen\xfc\\Programme\\Autostart\\t.lnk", nullptr, 1},
        {RESULT_DIR_ADDED, u"C:\\Users\\Anna\\Startmen\xfc\\Programme\\Autostart", nullptr, 1},
        {RESULT_FILE_ADDED, u"C:\\Users\\bob\\Start Menu\\Programs\\Launch\\t.lnk", nullptr, 2},
        {RESULT_FILE_ADDED, u"C:\\Users\\bob\\Startup2\\t.lnk", nullptr, 2},
        {RESULT_FILE_ADDED, u"C:\\Program Files\\Common Files\\x.dll", nullptr, 3},
        {RESULT_FILE_ADDED, u"D:\\Tools\\x.exe", nullptr, 0},
        {RESULT_FILE_CHANGED, u"C:\\WINDOWS\\system32\\a.dll", nullptr, 0},
        {RESULT_FILE_REMOVED, u"a.dll", u"C:\\WINDOWS\\system32\\a.dll", 0},
        {RESULT_FILE_NOT_FOUND, u"C:\\WINDOWS\\system32\\a.dll", nullptr, 0},
    };
    ResultList list;
    for (const Case& c : cases) ASSERT_TRUE(list.addChange(c.kind, c.text1, c.text2, 0, nullptr));
    classifyResults(list, autostart, testPlaces());
    for (u32 i = 0; i < list.count(); ++i)
        EXPECT_EQ(list.entry(i)->priority, cases[i].priority) << i << " " << n8(cases[i].text1);
}

TEST(ClassifyResults, EmptyPlacesDisableTheirRules) {
    ResultList list;
    list.addChange(RESULT_FILE_ADDED, u"C:\\WINDOWS\\system32\\a", nullptr, 0, nullptr);
    list.addChange(RESULT_FILE_ADDED, u"", nullptr, 0, nullptr);
    ExclusionList none;
    classifyResults(list, none, ClassificationPlaces{});
    EXPECT_EQ(list.entry(0)->priority, 0u);
    EXPECT_EQ(list.entry(1)->priority, 0u);
}

TEST(SortResults, FourOrdersWithTies) {
    struct Row { u32 kind; u32 priority; const char16_t* t1; const char16_t* t2; };
    const Row rows[] = {
        {6, 0, u"b", nullptr}, {4, 3, u"a", u"z"}, {2, 1, u"a", u"y"}, {3, 2, u"c", u"x"},
        {4, 3, u"a", u"y"},    {6, 2, u"b", u""},  {1, 1, u"ab", nullptr}, {9, 0, nullptr, u"a"},
    };
    auto fill = [&](ResultList& list) {
        for (const Row& r : rows) {
            list.addChange(r.kind, r.t1, r.t2, 0, nullptr);
            list.entry(list.count() - 1)->priority = r.priority;
        }
    };
    auto describe = [](const ResultList& list) {
        std::vector<std::string> out;
        for (u32 i = 0; i < list.count(); ++i) {
            const ResultEntry* e = list.entry(i);
            out.push_back(std::to_string(e->priority) + "/" + std::to_string(e->kind) + "/" + n8(e->text1) + "/" +
                          n8(e->text2));
        }
        return out;
    };
    struct Case { SortOrder order; std::vector<std::string> expected; };
    const Case cases[] = {
        {SORT_BY_PRIORITY, {"3/4/a/y", "3/4/a/z", "2/3/c/x", "2/6/b/", "1/1/ab/", "1/2/a/y", "0/6/b/", "0/9//a"}},
        {SORT_BY_KIND, {"1/1/ab/", "1/2/a/y", "2/3/c/x", "3/4/a/y", "3/4/a/z", "2/6/b/", "0/6/b/", "0/9//a"}},
        {SORT_BY_FIRST_TEXT, {"0/9//a", "*", "*", "3/4/a/z", "1/1/ab/", "*", "*", "2/3/c/x"}},
        {SORT_BY_SECOND_TEXT, {"1/1/ab/", "*", "*", "0/9//a", "2/3/c/x", "*", "*", "3/4/a/z"}},
    };
    for (const Case& c : cases) {
        for (int shuffle = 0; shuffle < 5; ++shuffle) {
            ResultList list;
            fill(list);
            std::rotate(const_cast<Row*>(rows), const_cast<Row*>(rows) + 1, const_cast<Row*>(rows) + 8);
            sortResults(list, c.order);
            std::vector<std::string> got = describe(list);
            ASSERT_EQ(got.size(), c.expected.size());
            for (std::size_t i = 0; i < got.size(); ++i) {
                if (c.expected[i] == "*") continue;  // tied rows: any order
                EXPECT_EQ(got[i], c.expected[i]) << "order " << c.order << " row " << i;
            }
        }
    }
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

TEST(ClassifyResults, PlacesComeFromThePlatform) {
    platform::MemorySystem system;
    system.windowsDirectoryValue = u"C:\\windows";
    system.systemDirectoryValue = u"C:\\windows\\system32";
    system.specialFolders[platform::FOLDER_PROGRAM_FILES_COMMON] = "C:\\Program Files\\Common Files";
    system.specialFolders[platform::FOLDER_PERSONAL] = "C:\\users\\bob\\Documents";
    platform::ScopedPlatform scope({nullptr, nullptr, &system});
    ClassificationPlaces p = gatherClassificationPlaces();
    EXPECT_EQ(p.windowsDirectory, u"C:\\windows");
    EXPECT_EQ(p.systemDirectory, u"C:\\windows\\system32");
    EXPECT_EQ(p.commonFilesDirectory, u"C:\\Program Files\\Common Files");
    EXPECT_EQ(p.profilesDirectory, u"C:\\users");
    EXPECT_EQ(p.folderPatterns[3], u"C:\\users\\*\\Startup\\*");

    system.specialFolders.erase(platform::FOLDER_PERSONAL);
    ClassificationPlaces q = gatherClassificationPlaces();
    EXPECT_TRUE(q.profilesDirectory.empty());
    EXPECT_TRUE(q.folderPatterns[0].empty());
}

}  // namespace
}  // namespace pelorin
