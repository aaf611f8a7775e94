#include "runtime/format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace pelorin {
namespace {

class Format : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(registerStandardDirectives()); }
};

struct Outcome {
    std::string text;
    bool result;
};

// Formats into a buffer guarded by sentinel bytes and checks nothing beyond `size` was touched.
Outcome run(const char* format, const std::vector<FormatArg>& args, u32 size) {
    std::vector<char> buffer(size + 64, '#');
    FormatArgs list(args.data(), static_cast<u32>(args.size()));
    bool result = formatTextV(buffer.data(), size, format, list);
    for (std::size_t i = size; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '#') << "overrun at " << i << " for \"" << format << "\"";
    }
    if (size == 0) return {std::string(), result};
    const char* end = static_cast<const char*>(std::memchr(buffer.data(), '\0', size));
    EXPECT_NE(end, nullptr) << "no NUL within size for \"" << format << "\"";
    return {end ? std::string(static_cast<const char*>(buffer.data()), end) : std::string(), result};
}

TEST_F(Format, ConversionsFlagsAndCutting) {
    struct Case {
        const char* format;
        std::vector<FormatArg> args;
        u32 size;
        const char* expected;
        bool result;
    };
    const char16_t wide[] = {u'a', 0x416, u'b', 0xE9, 0x100, 0};
    const Case cases[] = {
        // grouping
        {"%$u", {0}, 64, "0", true},
        {"%$u", {999}, 64, "999", true},
        {"%$u", {1000}, 64, "1.000", true},
        {"%$u", {123456}, 64, "123.456", true},
        {"%$u", {1234567}, 64, "1.234.567", true},
        {"%$u", {4294967295u}, 64, "4.294.967.295", true},
        {"%$lu", {1234}, 64, "1.234", true},
        {"%$d", {-1234}, 64, "-1.234", true},
        {"%$hu", {u64{10000000000}}, 64, "10.000.000.000", true},
        {"%$010u", {1234567}, 64, "01.234.567", true},
        {"%-$08u", {1234}, 64, "1.234000", true},  // all three flags, width 8
        {"%$-u%u", {5}, 64, "u5", true},            // "-" after "$" is the letter; no argument used
        // width and padding
        {"%02u", {5}, 64, "05", true},
        {"%04u", {12345}, 64, "12345", true},
        {"%02X", {10}, 64, "0A", true},
        {"%05d", {-42}, 64, "00-42", true},
        {"%5s", {"ab"}, 64, "   ab", true},
        {"%-5s|", {"ab"}, 64, "ab   |", true},
        {"%3c|", {'x'}, 64, "  x|", true},
        // numbers
        {"%X %x", {255, 0xABCDEF}, 64, "FF ABCDEF", true},
        {"%d %d", {-1, INT_MIN}, 64, "-1 -2147483648", true},
        {"%u", {-1}, 64, "4294967295", true},
        {"%u", {u64{0x100000005}}, 64, "5", true},  // 32-bit conversions read the low word
        {"%lu %Ld %lx %LX", {7, -3, 255, 4096}, 64, "7 -3 FF 1000", true},
        {"%p", {reinterpret_cast<const void*>(std::uintptr_t{0x1234})}, 64, "0x00001234", true},
        {"%p", {nullptr}, 64, "0x00000000", true},
        {"%p", {u64{0x123456789}}, 64, "0x0000000123456789", true},
        // characters and texts
        {"x%cy", {'A'}, 64, "xAy", true},
        {"x%cy", {0}, 64, "xy", true},
        {"%s", {static_cast<const char*>(nullptr)}, 64, "(null)", true},
        {"%s", {5}, 64, "(null)", true},  // not a text: treated as a null one
        {"%ls", {wide}, 64, "a?b\xE9?", true},
        {"%ls", {static_cast<const char16_t*>(nullptr)}, 64, "(null)", true},
        {"%%|%5%|100%%", {}, 64, "%|%|100%", true},
        // unknown and consumed letters take no argument
        {"%.2u|%u", {7}, 64, "2u|7", true},
        {"a%yb%D", {}, 64, "ab", true},
        {"%lq%lld|%u", {9}, 64, "d|9", true},
        // missing arguments read as zero and null
        {"%u %d %s %ls %c|%X", {}, 64, "0 0 (null) (null) |0", true},
        // the format ending inside a directive
        {"abc%", {}, 64, "abc", true},
        {"abc%-$05", {}, 64, "abc", true},
        {"abc%l", {}, 64, "abc", true},
        // line feeds
        {"a\nb", {}, 64, "a\r\nb", true},
        {"ab\n", {}, 4, "ab\r", false},
        {"ab\n", {}, 5, "ab\r\n", true},
        {"ab\ncd", {}, 5, "ab\r\n", false},
        // running out of room
        {"%u", {12345}, 4, "123", false},
        {"%u", {12345}, 6, "12345", true},
        {"abc", {}, 4, "abc", true},
        {"abcd", {}, 4, "abc", false},
        {"a", {}, 1, "", false},
        {"", {}, 1, "", true},
        {"%c", {0}, 1, "", true},
        {"%u|%u", {1, 2}, 3, "1|", false},
        {"%u|x", {1}, 3, "1|", false},
        {"%5s", {"ab"}, 3, "  ", false},
        {"%-5s", {"ab"}, 4, "ab ", false},
        {"%$u", {1234567}, 3, "1", false},  // no room for ".2": no dangling separator
        {"%$u", {1234567}, 5, "1.23", false},
        {"%$u", {1234567}, 7, "1.234", false},
        {"%$u", {1234567}, 10, "1.234.567", true},
        {"%$08u", {1234}, 5, "0001", false},
    };
    for (const Case& c : cases) {
        Outcome outcome = run(c.format, c.args, c.size);
        EXPECT_EQ(outcome.text, c.expected) << "format \"" << c.format << "\" size " << c.size;
        EXPECT_EQ(outcome.result, c.result) << "format \"" << c.format << "\" size " << c.size;
    }
}

TEST_F(Format, SizeZeroWritesNothing) {
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_FALSE(formatText(buffer, 0, "abc"));
    EXPECT_FALSE(formatText(buffer, 0, ""));
    EXPECT_EQ(std::string(buffer, 4), "####");
}

TEST_F(Format, VariadicEntryTakesItsArgumentsInOrder) {
    char buffer[128];
    const char16_t name[] = u"Run";
    std::u16string key = u"Software";
    EXPECT_TRUE(formatText(buffer, sizeof buffer, "%s=%u;%ls\\%ls;%$hu;%d", "x", 3u, key.c_str(), name,
                           u64{1234567890123}, i64{-7}));
    EXPECT_STREQ(buffer, "x=3;Software\\Run;1.234.567.890.123;-7");
#ifdef _WIN32
    const wchar_t* windowsName = L"Win\u0416";  // what the Win32 functions hand out
    EXPECT_TRUE(formatText(buffer, sizeof buffer, "%ls", windowsName));
    EXPECT_STREQ(buffer, "Win?");
#endif
}

TEST_F(Format, LongTexts) {
    std::string narrowText(700, 'n');
    char buffer[1024];
    EXPECT_TRUE(formatText(buffer, sizeof buffer, "%s", narrowText.c_str()));
    EXPECT_EQ(std::string(buffer), narrowText);  // %s is not limited by the scratch area

    std::u16string wideText(700, u'w');
    EXPECT_TRUE(formatText(buffer, sizeof buffer, "%ls|", wideText.c_str()));
    EXPECT_EQ(std::string(buffer), std::string(511, 'w') + "|");  // %ls stops at 511 characters
}

TEST_F(Format, Directive64) {
    struct Case {
        const char* format;
        std::vector<FormatArg> args;
        const char* expected;
    };
    const Case cases[] = {
        {"%hu", {UINT64_MAX}, "18446744073709551615"},
        {"%Hu", {u64{0}}, "0"},
        {"%hd", {INT64_MIN}, "-9223372036854775808"},
        {"%hd", {i64{-5}}, "-5"},
        {"%hx", {u64{0x1000000000}}, "1000000000"},  // high word 0x10, low word all zeros
        {"%hX", {u64{0xABC0000000F}}, "ABC0000000F"},
        {"%hx", {u64{0xFFFFFFFF}}, "FFFFFFFF"},
        {"%hx", {u64{0x1F}}, "1F"},
        {"%Hu", {7u}, "7"},  // a 32-bit argument is widened
        {"%hq%u", {7}, "q7"},  // other letter: stays in the format, no argument used
        {"%hhu%u", {5}, "hu5"},
        {"a%h", {}, "a"},
        {"%020hu", {u64{10000000000}}, "00000000010000000000"},
    };
    for (const Case& c : cases) {
        Outcome outcome = run(c.format, c.args, 64);
        EXPECT_EQ(outcome.text, c.expected) << c.format;
        EXPECT_TRUE(outcome.result) << c.format;
    }
}

// Repeats the format character behind the letter as often as its argument says.
u32 repeatHandler(const char*& format, char* scratch, u32 scratchSize, FormatArgs& args) {
    char c = *format;
    if (!c) return 0;
    ++format;
    u32 n = args.take().asWord();
    if (n > scratchSize) n = scratchSize;
    std::memset(scratch, c, n);
    return n;
}

u32 otherHandler(const char*&, char* scratch, u32, FormatArgs&) {
    scratch[0] = '!';
    return 1;
}

TEST_F(Format, RegisteredDirectiveIsFoundWithoutRegardToCase) {
    ASSERT_TRUE(registerDirective('K', repeatHandler));
    ASSERT_TRUE(registerDirective('K', repeatHandler));  // again: present already
    EXPECT_TRUE(registerStandardDirectives());
    char buffer[64];
    EXPECT_TRUE(formatText(buffer, sizeof buffer, "[%kz|%-4K=|%3k*]%u", 3, 2, 1, 9));
    EXPECT_STREQ(buffer, "[zzz|==  |  *]9");
    // A directive's text is cut like any other field.
    EXPECT_FALSE(formatText(buffer, 5, "%k#", 10));
    EXPECT_STREQ(buffer, "####");
}

TEST(DirectiveTable, FillsUpAndIgnoresRepeatedPairs) {
    DirectiveTable table;
    EXPECT_FALSE(table.add('a', nullptr));
    EXPECT_TRUE(table.add('a', repeatHandler));
    EXPECT_TRUE(table.add('a', repeatHandler));  // takes no second entry
    EXPECT_TRUE(table.add('A', otherHandler));   // another pair: a second entry
    EXPECT_EQ(table.find('A'), repeatHandler);   // the first match wins
    for (u32 i = 0; i < DirectiveTable::CAPACITY - 2; ++i) {
        EXPECT_TRUE(table.add(static_cast<char>(0x80 + i), otherHandler)) << i;
    }
    EXPECT_FALSE(table.add('#', repeatHandler));  // full
    EXPECT_TRUE(table.add('a', repeatHandler));   // a present pair still succeeds
    EXPECT_EQ(table.find('#'), nullptr);
    EXPECT_EQ(table.find(static_cast<char>(0x80)), otherHandler);
}

// Whatever the format and size, the output is the start of the output an ample buffer gets,
// and the result says whether it is all of it.
TEST_F(Format, CutOutputIsAPrefixOfTheWholeOutput) {
    const char alphabet[] = "%%%%-$0123456789duxXpcslLhH.\nab";
    const char16_t wide[] = {u'w', 0x416, 0};
    std::mt19937 random(1234);
    int checked = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string format;
        int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) format += alphabet[random() % (sizeof alphabet - 1)];
        std::vector<FormatArg> args;
        for (int i = 0; i < 4; ++i) {
            switch (random() % 4) {
            case 0: args.emplace_back(static_cast<u32>(random())); break;
            case 1: args.emplace_back((u64{random()} << 32) | random()); break;
            case 2: args.emplace_back("text"); break;
            default: args.emplace_back(wide); break;
            }
        }
        Outcome whole = run(format.c_str(), args, 4096);
        if (!whole.result) continue;  // a random width beyond the ample buffer
        ++checked;
        u32 size = static_cast<u32>(random() % (whole.text.size() + 3));
        Outcome cut = run(format.c_str(), args, size);
        ASSERT_EQ(whole.text.compare(0, cut.text.size(), cut.text), 0) << format << " size " << size;
        EXPECT_EQ(cut.result, size > 0 && cut.text == whole.text) << format << " size " << size;
    }
    EXPECT_GT(checked, 2500);
}

}  // namespace
}  // namespace pelorin
