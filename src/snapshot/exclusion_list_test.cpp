#include "snapshot/exclusion_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace pelorin {
namespace {

TEST(WildcardMatch, Table) {
    struct Case { const char16_t* pattern; const char16_t* text; bool match; };
    const Case cases[] = {
        {u"\\system32\\CatRoot2\\{*}\\catdb", u"\\system32\\CatRoot2\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\catdb", true},
        {u"\\system32\\CatRoot2\\{*}\\catdb", u"\\system32\\CatRoot2\\{F750}\\catdbx", false},
        {u"a*b", u"ab", true},
        {u"a?", u"a", false},
        {u"a?", u"ab", true},
        {u"", u"", true},
        {u"", u"a", false},
        {u"*", u"", true},
        {u"*", u"anything\\at all", true},
        {u"**a", u"a", true},
        {u"a*", u"a", true},
        {u"abc", u"ABC", false},                        // case-sensitive
        {u"*bc*bd", u"abcbcbd", true},                  // needs the back-track
        {u"*ab*ab", u"aabab", true},
        {u"a*b*c", u"axxbyyc", true},
        {u"a*b*c", u"axxbyyd", false},
        {u"HKU\\*\\Software\\Run", u"HKU\\S-1-5-21\\x\\Software\\Run", true},  // "*" crosses "\"
        {u"\\Prefetch\\*", u"\\Prefetch", false},
        {u"\\Prefetch\\*", u"\\Prefetch\\", true},
        {u"?*?", u"ab", true},
        {u"?*?", u"a", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wildcardMatch(c.pattern, c.text), c.match)
            << std::string(c.pattern, c.pattern + std::char_traits<char16_t>::length(c.pattern));
    }
}

std::map<u32, std::string> gTexts;
bool fakeLoader(char* buffer, u32 capacity, u32 id, bool noDefaultLanguage) {
    EXPECT_TRUE(noDefaultLanguage);
    auto it = gTexts.find(id);
    if (it == gTexts.end()) {
        std::strcpy(buffer, "?");  // a failed lookup leaves "?", which must not become a pattern
        return false;
    }
    std::strncpy(buffer, it->second.c_str(), capacity - 1);
    buffer[capacity - 1] = 0;
    return !it->second.empty();
}

TEST(ExclusionList, LoadsARangeSkippingMissingAndEmptyIdsAndSplitsAtTheFirstBar) {
    gTexts = {
        {20000, "\\Prefetch\\*"},
        {20001, ""},
        {20005, "HKLM\\Key|Va|ue"},
        {29999, "\\last"},
        {30000, "\\beyond the range"},
        {19999, "\\before the range"},
    };
    for (u32 i = 0; i < 250; ++i) gTexts[21000 + i] = "\\many\\" + std::to_string(i);  // grows the array
    ExclusionList list;
    list.load(20000, &fakeLoader);
    ASSERT_EQ(list.count(), 253u);
    EXPECT_EQ(std::u16string(list.at(0).pathPattern), u"\\Prefetch\\*");
    EXPECT_EQ(list.at(0).valuePattern, nullptr);
    EXPECT_EQ(std::u16string(list.at(1).pathPattern), u"HKLM\\Key");
    EXPECT_EQ(std::u16string(list.at(1).valuePattern), u"Va|ue");
    EXPECT_EQ(std::u16string(list.at(252).pathPattern), u"\\last");
}

TEST(ExclusionList, ValueMatchingRules) {
    ExclusionList list;
    ASSERT_TRUE(list.addPattern("HKLM\\SOFTWARE\\Microsoft\\Cryptography\\RNG|Seed"));
    ASSERT_TRUE(list.addPattern("HKU\\*\\Software\\Microsoft\\Windows\\ShellNoRoam\\*"));
    ASSERT_TRUE(list.addPattern("|Orphan"));  // an empty path pattern matches only an empty path
    struct Case { const char16_t* path; const char16_t* name; bool excluded; };
    const Case cases[] = {
        {u"HKLM\\SOFTWARE\\Microsoft\\Cryptography\\RNG", u"Seed", true},
        {u"HKLM\\SOFTWARE\\Microsoft\\Cryptography\\RNG", u"Other", false},
        {u"HKLM\\SOFTWARE\\Microsoft\\Cryptography\\RNG", nullptr, true},  // no name: path alone
        {u"HKU\\S-1\\Software\\Microsoft\\Windows\\ShellNoRoam\\Bags", u"x", true},
        {u"HKU\\S-1\\Software\\Microsoft\\Windows\\ShellNoRoam", nullptr, false},
        {u"hklm\\software\\microsoft\\cryptography\\rng", u"Seed", false},
        {u"", u"Orphan", true},
    };
    for (const Case& c : cases) EXPECT_EQ(list.matchesValue(c.path, c.name), c.excluded);
    EXPECT_FALSE(list.matchesValue(nullptr, u"Seed"));
}

}  // namespace
}  // namespace pelorin
