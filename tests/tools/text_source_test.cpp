// The packer's reading of the text sources: what an editor writes is what the container holds.
#include "respack/text_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin::respack {
namespace {

std::string textOf(const std::vector<StringRecord>& records, std::uint32_t id) {
    for (const StringRecord& r : records) if (r.id == id) return std::string(r.text.begin(), r.text.end());
    return "<missing>";
}

TEST(TextSource, TakesTextsAsWritten) {
    const std::string source =
        "# comment\n"
        "\n"
        "20019 \"\\system32\\CatRoot2\\{*}\\catdb\"\n"
        "10527 \"Sector not found \"   \n"
        "107 \"First line.\"\n"
        "    \"Second line.\"\n"
        "123 \"a\"\r\n"
        "    \"\"\r\n"
        "    \"b \"quoted\" end\"\r\n"
        "10500 \"\"\n"
        "101 \"Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xE2\x80\x9E" "x\xE2\x80\x9C\"\n"
        "0x64 \"hex id\"\n";
    std::vector<StringRecord> records;
    std::string error;
    ASSERT_TRUE(parseStringTable(source, "t.txt", records, error)) << error;
    EXPECT_EQ(textOf(records, 20019), "\\system32\\CatRoot2\\{*}\\catdb");
    EXPECT_EQ(textOf(records, 10527), "Sector not found ");
    EXPECT_EQ(textOf(records, 107), "First line.\nSecond line.");
    EXPECT_EQ(textOf(records, 123), "a\n\nb \"quoted\" end");
    EXPECT_EQ(textOf(records, 10500), "");
    EXPECT_EQ(textOf(records, 101), "Gr\xF6\xDF" "e \x80 \x84x\x93");
    EXPECT_EQ(textOf(records, 100), "hex id");
    for (std::size_t i = 1; i < records.size(); ++i) EXPECT_LT(records[i - 1].id, records[i].id) << "ascending ids";
}

TEST(TextSource, RefusesMalformedStringTables) {
    struct Case { const char* name; std::string source; const char* message; };
    const Case cases[] = {
        {"no quotes", "100 text\n", "t.txt:1:"},
        {"no closing quote", "100 \"text\n", "t.txt:1:"},
        {"text after the closing quote", "100 \"a\" b\n", "t.txt:1:"},
        {"no id", "\"orphan\"\n", "continuation"},
        {"continuation after a comment", "100 \"a\"\n# c\n    \"b\"\n", "t.txt:3:"},
        {"continuation after a blank line", "100 \"a\"\n\n    \"b\"\n", "t.txt:3:"},
        {"two ids", "100 101 \"a\"\n", "t.txt:1:"},
        {"bad id", "1x0 \"a\"\n", "t.txt:1:"},
        {"repeated id", "100 \"a\"\n200 \"b\"\n100 \"c\"\n", "100 appears twice"},
        {"character outside code page 1252", "100 \"\xCE\xA9\"\n", "U+03A9"},
        {"undefined code page position", "100 \"\xC2\x81\"\n", "U+0081"},
        {"TAB inside a text", "100 \"a\tb\"\n", "control character"},
        {"invalid UTF-8", "100 \"\xC3\"\n", "UTF-8"},
        {"overlong UTF-8", "100 \"\xC0\xAF\"\n", "overlong"},
    };
    for (const Case& c : cases) {
        std::vector<StringRecord> records;
        std::string error;
        EXPECT_FALSE(parseStringTable(c.source, "t.txt", records, error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    }
}

TEST(TextSource, EncodesMenus) {
    const std::string source =
        "menu 1001\n"
        "    item 0x3004 \"&Copy\"\n"
        "    separator\n"
        "    popup 7 shortcut=0x41 state=3 \"&More\"\n"
        "        item 8 \"In\"\n"
        "    end\n"
        "end\n";
    std::vector<MenuResource> menus;
    std::string error;
    ASSERT_TRUE(parseMenus(source, "m.txt", menus, error)) << error;
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].id, 1001u);
    const std::vector<std::uint8_t> expected = {
        0x08, 0x01, 0x00, 0x57, 0x43,                          // header
        0x09, '&', 'C', 'o', 'p', 'y', 0, 0x08, 0x04, 0x30, 0, 0,  // item
        0x09, 0, 0x08, 0, 0, 0, 0,                             // separator
        0x09, '&', 'M', 'o', 'r', 'e', 0, 0x04, 0x41, 0, 0x08, 7, 0, 0, 0, 0x08, 3, 0, 0, 0, 0x03, 1,
        0x09, 'I', 'n', 0, 0x08, 8, 0, 0, 0, 0x03, 2,
    };
    EXPECT_EQ(menus[0].payload, expected);
}

TEST(TextSource, RefusesMalformedMenus) {
    std::string deep = "menu 1\n";
    for (int i = 0; i < 31; ++i) deep += "popup 1 \"p\"\n";
    struct Case { const char* name; std::string source; const char* message; };
    const Case cases[] = {
        {"no end", "menu 1\n item 1 \"a\"\n", "no 'end'"},
        {"item outside a menu", "item 1 \"a\"\n", "m.txt:1:"},
        {"empty item text", "menu 1\n item 1 \"\"\nend\n", "m.txt:2:"},
        {"unknown option", "menu 1\n item 1 key=2 \"a\"\nend\n", "unknown option"},
        {"TAB in a menu text", "menu 1\n item 1 \"a\tb\"\nend\n", "control character"},
        {"repeated menu", "menu 1\nend\nmenu 1\nend\n", "appears twice"},
        {"nested too deep", deep, "30 levels"},
    };
    for (const Case& c : cases) {
        std::vector<MenuResource> menus;
        std::string error;
        EXPECT_FALSE(parseMenus(c.source, "m.txt", menus, error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    }
}

TEST(TextSource, ReadsTheManifest) {
    std::vector<ManifestEntry> entries;
    std::string error;
    ASSERT_TRUE(parseManifest("# x\nstrings 0x0200 0 de.txt\nmenus 0x0100 m.txt\n", "c.txt", entries, error)) << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].kind, ManifestEntry::STRINGS);
    EXPECT_EQ(entries[0].language, 0x0200);
    EXPECT_EQ(entries[1].kind, ManifestEntry::MENUS);
    EXPECT_EQ(entries[1].file, "m.txt");
    for (const char* bad : {"strings 0x0200 de.txt\n", "menus 0x10000 m.txt\n", "table 1 x\n", "\n",
                            "strings 0x100 0 a.txt\nstrings 256 0 b.txt\n"}) {
        EXPECT_FALSE(parseManifest(bad, "c.txt", entries, error)) << bad;
    }
}

}  // namespace
}  // namespace pelorin::respack
