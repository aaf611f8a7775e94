#include "ui/chooser_filter.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

TEST(ChooserFilter, TheLastCharacterSeparates) {
    struct Case {
        const char* text;
        std::string filter;
    };
    const Case cases[] = {
        {"Snapshot file (*.sna)|*.sna|", std::string("Snapshot file (*.sna)\0*.sna\0", 28)},
        {"Executable file (*.exe)#*.exe#All#*.*#", std::string("Executable file (*.exe)\0*.exe\0All\0*.*\0", 38)},
        // a "|" inside is text when another character closes the string
        {"A|B;*.a;", std::string("A|B\0*.a\0", 8)},
        {"", ""},
        {nullptr, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(makeChooserFilter(c.text), c.filter) << (c.text ? c.text : "(null)");
}

TEST(DirectoryPath, TrailingBackslashesGoExceptAtADriveRoot) {
    struct Case {
        std::u16string in, out;
    };
    const Case cases[] = {
        {u"C:\\Windows\\", u"C:\\Windows"}, {u"C:\\Windows\\\\", u"C:\\Windows"}, {u"C:\\", u"C:\\"},
        {u"D:\\Data", u"D:\\Data"},         {u"\\\\server\\share\\", u"\\\\server\\share"}, {u"\\", u"\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(normaliseDirectoryPath(c.in), c.out);
}

}  // namespace
}  // namespace pelorin
