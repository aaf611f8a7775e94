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
        {"%$u|%$u|%$u", {0, 999, 1000}, 64, "0|999|1.000", true},
        {"%$u|%$lu", {123456, 4294967295u}, 64, "123.456|4.294.967.295", true},
        {"%$d", {-1234}, 64, "-1.234", true},
        {"%$hu", {u64{10000000000}}, 64, "10.000.000.000", true},
        {"%$010u", {1234567}, 64, "01.234.567", true},
        {"%-$08u", {1234}, 64, "1.234000", true},  // all three flags, width 8
        {"%$-u%u", {5}, 64, "u5", true},            // "-" after "$" is the letter; no argument used
        // width and padding
        {"%02u|%04u|%02X", {5, 12345, 10}, 64, "05|12345|0A", true},
        {"%05d", {-42}, 64, "00-42", true},
        {"%5s|%-5s|%3c|", {"ab", "ab", 'x'}, 64, "   ab|ab   |  x|", true},
        // numbers
        {"%X %x", {255, 0xABCDEF}, 64, "FF ABCDEF", true},
        {"%d %d %u", {-1, INT_MIN, -1}, 64, "-1 -2147483648 4294967295", true},
        {"%u", {u64{0x100000005}}, 64, "5", true},  // 32-bit conversions read the low word
        {"%lu %Ld %lx %LX", {7, -3, 255, 4096}, 64, "7 -3 FF 1000", true},
        {"%p", {reinterpret_cast<const void*>(std::uintptr_t{0x1234})}, 64, "0x00001234", true},
        {"%p|%p", {nullptr, u64{0x123456789}}, 64, "0x00000000|0x0000000123456789", true},
        // the 64-bit directive
        {"%hu|%Hu|%Hu", {UINT64_MAX, u64{0}, 7u}, 64, "18446744073709551615|0|7", true},
        {"%hd|%hd", {INT64_MIN, i64{-5}}, 64, "-9223372036854775808|-5", true},
        {"%hx|%hX|%hx", {u64{0x1000000000}, u64{0xABC0000000F}, u64{0x1F}}, 64, "1000000000|ABC0000000F|1F", true},
        {"%hq%u|%hhu", {7}, 64, "q7|hu", true},  // other letter: stays in the format, no argument used
        {"%020hu", {u64{10000000000}}, 64, "00000000010000000000", true},
        // characters and texts
        {"x%cy|x%cy", {'A', 0}, 64, "xAy|xy", true},
        {"%s|%s", {static_cast<const char*>(nullptr), 5}, 64, "(null)|(null)", true},  // 5: not a text
        {"%ls|%ls", {wide, static_cast<const char16_t*>(nullptr)}, 64, "a?b\xE9?|(null)", true},
        {"%%|%5%|100%%", {}, 64, "%|%|100%", true},
        // unknown and consumed letters take no argument; missing ones read as zero and null
        {"%.2u|%u", {7}, 64, "2u|7", true},
        {"a%yb%D|%lq%lld|%u", {9}, 64, "ab|d|9", true},
        {"%u %d %s %ls %c|%X", {}, 64, "0 0 (null) (null) |0", true},
        // the format ending inside a directive
        {"abc%", {}, 64, "abc", true},
        {"abc%-$05", {}, 64, "abc", true},
        {"abc%l", {}, 64, "abc", true},
        {"a%h", {}, 64, "a", true},
        // line feeds
        {"a\nb", {}, 64, "a\r\nb", true},
        {"ab\n", {}, 4, "ab\r", false},
        {"ab\ncd", {}, 5, "ab\r\n", false},
        // running out of room
        {"%u", {12345}, 4, "123", false},
        {"%u", {12345}, 6, "12345", true},
        {"abc", {}, 4, "abc", true},
        {"a", {}, 1, "", false},
        {"abc", {}, 0, "", false},  // nothing written: run() checks the guard bytes
        {"%c", {0}, 1, "", true},
        {"%u|%u", {1, 2}, 3, "1|", false},
        {"%5s", {"ab"}, 3, "  ", false},
        {"%-5s", {"ab"}, 4, "ab ", false},
        {"%$u", {1234567}, 3, "1", false},  // no room for ".2": no dangling separator
        {"%$u", {1234567}, 5, "1.23", false},
        {"%$u", {1234567}, 7, "1.234", false},
        {"%$08u", {1234}, 5, "0001", false},
    };
    for (const Case& c : cases) {
        Outcome outcome = run(c.format, c.args, c.size);
        EXPECT_EQ(outcome.text, c.expected) << "format \"" << c.format << "\" size " << c.size;
        EXPECT_EQ(outcome.result, c.result) << "format \"" << c.format << "\" size " << c.size;
    }
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
    // %s is not limited by the scratch area; %ls stops at 511 characters.
    std::string narrowText(700, 'n');
    std::u16string wideText(700, u'w');
    char large[1024];
    EXPECT_TRUE(formatText(large, sizeof large, "%s", narrowText.c_str()));
    EXPECT_EQ(std::string(large), narrowText);
    EXPECT_TRUE(formatText(large, sizeof large, "%ls|", wideText.c_str()));
    EXPECT_EQ(std::string(large), std::string(511, 'w') + "|");
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
    DirectiveHandler otherHandler = [](const char*&, char*, u32, FormatArgs&) -> u32 { return 0; };
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
