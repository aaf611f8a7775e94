#include "results/result_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"

namespace pelorin {
namespace {

// The expected file bytes for a text: every character as two bytes, low byte first.
std::vector<u8> utf16le(const std::u16string& text) {
    std::vector<u8> out;
    for (char16_t c : text) {
        out.push_back(static_cast<u8>(c));
        out.push_back(static_cast<u8>(c >> 8));
    }
    return out;
}

class ResultFileTest : public ::testing::Test {
protected:
    platform::MemoryPlatform platform;
    ResultList list;

    void add(u32 kind, const char16_t* t1, const char16_t* t2, u32 priority) {
        ASSERT_TRUE(list.addChange(kind, t1, t2, 0, nullptr));
        list.entry(list.count() - 1)->priority = priority;
    }
    std::vector<u8> fileBytes(const char16_t* name) {
        auto* f = platform.fileSystem.findFile(name);
        return f ? f->bytes : std::vector<u8>{0xEE};
    }
};

TEST_F(ResultFileTest, LinesAreTabSeparatedUtf16WithCrLfAndNoByteOrderMark) {
    add(RESULT_REG_VALUE_ADDED, u"Example", u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 1);
    add(RESULT_REG_KEY_ADDED, u"HKLM\\SOFTWARE\\New", nullptr, 0);        // empty fourth column
    add(RESULT_REG_VALUE_ADDED, u"", u"HKU\\S-1\\Key", 0);                  // default value: empty third
    add(RESULT_FILE_REMOVED, u"\u0416.txt", u"C:\\\u0416.txt", 123456);     // above Latin-1, big number
    add(42, u"x", u"y", 0);                                                 // unknown kind
    ASSERT_EQ(writeResultFile("C:\\result.txt", &list), 0u);
    std::u16string expected =
        u"RegValueAdded\t1\tExample\tHKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\r\n"
        u"RegKeyAdded\t0\tHKLM\\SOFTWARE\\New\t\r\n"
        u"RegValueAdded\t0\t\tHKU\\S-1\\Key\r\n"
        u"FileRemoved\t123456\t\u0416.txt\tC:\\\u0416.txt\r\n"
        u"???\t0\tx\ty\r\n";
    EXPECT_EQ(fileBytes(u"C:\\result.txt"), utf16le(expected));
}

TEST_F(ResultFileTest, AnEmptyListGivesAnEmptyFileAndAnExistingFileIsReplaced) {
    platform.fileSystem.putFile(u"C:\\result.txt", {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(writeResultFile("C:\\result.txt", &list), 0u);
    EXPECT_TRUE(fileBytes(u"C:\\result.txt").empty());
}

TEST_F(ResultFileTest, Errors) {
    add(RESULT_FILE_ADDED, u"C:\\a", nullptr, 0);
    EXPECT_EQ(writeResultFile(nullptr, &list), ERR_BAD_VALUE);
    EXPECT_EQ(writeResultFile("", &list), ERR_BAD_VALUE);
    EXPECT_EQ(writeResultFile("C:\\r.txt", nullptr), ERR_BAD_VALUE);

    struct Case { u32 failWriteAt; u32 failWriteError; u32 failClose; u32 expected; };
    const Case cases[] = {
        {1, 112, 0, 257},  // the write fails
        {1, 0, 0, 257},    // a short write
        {0, 0, 31, 257},   // the close fails
    };
    for (const Case& c : cases) {
        platform.fileSystem.writeCalls = 0;
        platform.fileSystem.failWriteAt = c.failWriteAt;
        platform.fileSystem.failWriteError = c.failWriteError;
        platform.fileSystem.failCloseError = c.failClose;
        EXPECT_EQ(writeResultFile("C:\\r.txt", &list), c.expected);
    }
}

TEST_F(ResultFileTest, AWriteFailingMidwayKeepsTheLinesWrittenBefore) {
    std::u16string all;
    for (int i = 0; i < 3000; ++i) {
        std::string n = "C:\\dir\\file" + std::to_string(i) + ".txt";
        std::u16string path(n.begin(), n.end());
        add(RESULT_FILE_ADDED, path.c_str(), nullptr, 2);
        all += u"FileAdded\t2\t" + path + u"\t\r\n";
    }
    platform.fileSystem.failWriteAt = 2;  // the first buffer reaches the file, the second does not
    EXPECT_EQ(writeResultFile("C:\\big.txt", &list), 257u);
    std::vector<u8> bytes = fileBytes(u"C:\\big.txt");
    std::vector<u8> expected = utf16le(all);
    ASSERT_GT(bytes.size(), 0u);
    ASSERT_LT(bytes.size(), expected.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected.begin()));
}

TEST_F(ResultFileTest, AFileThatCannotBeReplacedKeepsItsContent) {
    auto& f = platform.fileSystem.putFile(u"C:\\ro.txt", {9, 9});
    f.attributes = platform::FILE_ATTRIBUTE_READONLY_BIT;
    add(RESULT_FILE_ADDED, u"C:\\a", nullptr, 0);
    EXPECT_EQ(writeResultFile("C:\\ro.txt", &list), 5u);
    EXPECT_EQ(fileBytes(u"C:\\ro.txt"), (std::vector<u8>{9, 9}));
}

}  // namespace
}  // namespace pelorin
