#include "runtime/text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pelorin {
namespace {

TEST(Text, WidenAndNarrowAreByteByByte) {
    EXPECT_EQ(widen("a\xE9\xFF"), (std::u16string{u'a', 0xE9, 0xFF}));
    EXPECT_EQ(narrow(std::u16string{u'a', 0xE9, 0x100, 0x416}), std::string("a\xE9??"));
}

TEST(Text, CopyBoundedCutsAndTerminates) {
    struct Case { std::size_t capacity; const char* expected; std::size_t copied; };
    const Case cases[] = {{1, "", 0}, {3, "ab", 2}, {6, "abcde", 5}, {10, "abcde", 5}};
    for (const Case& c : cases) {
        char buf[16];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(copyBounded(buf, c.capacity, "abcde"), c.copied) << c.capacity;
        EXPECT_STREQ(buf, c.expected);
    }
}

TEST(Text, Utf8ToUtf16) {
    struct Case { const char* in; std::u16string out; };
    const Case cases[] = {
        {"HKLM\\x", u"HKLM\\x"},
        {"\xC3\xA9", u"\u00E9"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xC3", u"\uFFFD"},            // cut sequence
        {"\x80z", u"\uFFFDz"},          // stray continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong form
    };
    for (const Case& c : cases) EXPECT_EQ(utf8ToUtf16(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace pelorin
