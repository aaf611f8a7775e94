#include "runtime/string_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/memory/memory_file_system.h"
#include "runtime/menu_template.h"
#include "runtime/test_support.h"

namespace pelorin {
namespace {

TEST(InterfaceLanguage, FollowsThePrimaryLanguageUnlessForced) {
    struct Case { u16 userLanguage; ForcedLanguage forced; u16 expected; };
    const Case cases[] = {
        {0x0407, FORCED_NONE, LANGUAGE_GERMAN},   // German (Germany)
        {0x0807, FORCED_NONE, LANGUAGE_GERMAN},   // German (Switzerland)
        {0x0C07, FORCED_NONE, LANGUAGE_GERMAN},   // German (Austria)
        {0x0419, FORCED_NONE, LANGUAGE_RUSSIAN},
        {0x0405, FORCED_NONE, LANGUAGE_CZECH},
        {0x0409, FORCED_NONE, LANGUAGE_ENGLISH},
        {0x040C, FORCED_NONE, LANGUAGE_ENGLISH},  // French users get English
        {0x0000, FORCED_NONE, LANGUAGE_ENGLISH},
        {0x0407 | 0x0400, FORCED_NONE, LANGUAGE_GERMAN},  // sub-language bits above the low 10
        {0x0007 | 0x0400, FORCED_NONE, LANGUAGE_GERMAN},
        {0x0207, FORCED_NONE, LANGUAGE_ENGLISH},  // 0x207 is not German: primary language 0x207
        {0x0407, FORCED_ENGLISH, LANGUAGE_ENGLISH},
        {0x0409, FORCED_RUSSIAN, LANGUAGE_RUSSIAN},
        {0x0407, FORCED_CZECH, LANGUAGE_CZECH},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseInterfaceLanguage(c.userLanguage, c.forced), c.expected) << std::hex << c.userLanguage;
    }
}

TEST(StringNumber, ParsesSignsBasesAndStopsAtOtherCharacters) {
    struct Case { const char* text; i32 expected; };
    const Case cases[] = {
        {"172", 172},        {"  204", 204},     {"\t \t7", 7},       {"-12", -12},
        {"+12", 12},         {"0x1F", 31},       {"0XfF", 255},       {"-0x10", -16},
        {"12abc", 12},       {"abc", 0},         {"0x", 0},           {"- 5", 0},
        {"0x7FFFFFFF", 2147483647}, {"4294967295", -1}, {"0x80000000", INT32_MIN},
        {"1 2", 1},          {"08", 8},          {"0x1G", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(parseStringNumber(c.text), c.expected) << c.text;
}

// ---- the packed container of this build --------------------------------------------------

class RealContainer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::vector<u8> bytes;
        ASSERT_TRUE(test::readHostFile(PELORIN_CONTAINER_PATH, bytes)) << PELORIN_CONTAINER_PATH;
        fs_ = new platform::MemoryFileSystem;
        fs_->putFile(u"pelorin.rsc", bytes);
    }
    static void TearDownTestSuite() {
        delete fs_;
        fs_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(openResourceContainer(*fs_, u"pelorin.rsc"));
        saved_ = interfaceLanguage;
    }
    void TearDown() override {
        interfaceLanguage = saved_;
        closeResourceContainer();
    }
    static std::string load(u16 language, u32 id, bool noDefault = false) {
        interfaceLanguage = language;
        char buffer[1024];
        return loadString(buffer, sizeof buffer, id, noDefault) ? std::string(buffer) : "<" + std::string(buffer) + ">";
    }
    // The ids of one string table, read from its payload.
    static std::set<u32> idsOf(u16 language) {
        std::set<u32> ids;
        const u8* data = nullptr;
        u32 size = 0;
        EXPECT_TRUE(findResource(RESOURCE_STRING_BLOCK, language, 0, {.exactLanguageOnly = true}, data, size));
        for (u32 at = 0; at + 8 <= size;) {
            u32 id, length;
            std::memcpy(&id, data + at, 4);
            std::memcpy(&length, data + at + 4, 4);
            ids.insert(id);
            at += 8 + length;
        }
        return ids;
    }
    static platform::MemoryFileSystem* fs_;
    u16 saved_ = 0;
};
platform::MemoryFileSystem* RealContainer::fs_ = nullptr;

TEST_F(RealContainer, HoldsTheTextsInTheirLanguages) {
    struct Case { u16 language; u32 id; std::string expected; };
    const Case cases[] = {
        {LANGUAGE_ENGLISH, 100, "This operating system is not supported. Use Windows NT/2000/XP or newer."},
        {LANGUAGE_GERMAN, 150, "Datei gel\xF6scht"},
        {LANGUAGE_GERMAN, 139, "&Schlie\xDF" "en"},
        {LANGUAGE_ENGLISH, 188, "Do you really want to undo this change?\nUndo could lead to an inconsistent system state!"},
        {LANGUAGE_ENGLISH, 123, "The version of the Windows system library '%s' is too old to use this application.\n"
                                "The current version is %u.%u, required is at least %u.%u.\n\n"
                                "Continue anyway? (The application might not work correctly)"},
        {LANGUAGE_ENGLISH, 10527, "Sector not found "},
        {LANGUAGE_ENGLISH, 10500 + ERR_NOT_CONTAINER, "Invalid file"},
        {LANGUAGE_ENGLISH, 10500, "<?>"},
        {LANGUAGE_FRENCH, 10500 + ERR_NO_MEMORY, "M\xE9moire insuffisante"},
        {LANGUAGE_FRENCH, 100, "This operating system is not supported. Use Windows NT/2000/XP or newer."},
        {LANGUAGE_ENGLISH, 157, "https://www.google.com/search?q="},
        {LANGUAGE_GERMAN, 157, "https://www.google.de/search?q="},
        {LANGUAGE_GERMAN, 134, ".sna"},
        {LANGUAGE_RUSSIAN, 108, "Setup complete?"},
        {LANGUAGE_CZECH, 108, "Setup complete?"},
        {LANGUAGE_GERMAN, 10000, "HKLM\\SOFTWARE\\Microsoft\\Cryptography\\RNG|Seed"},
        {LANGUAGE_GERMAN, 20019, "\\system32\\CatRoot2\\{*}\\catdb"},
    };
    for (const Case& c : cases) EXPECT_EQ(load(c.language, c.id), c.expected) << c.language << "/" << c.id;
    interfaceLanguage = LANGUAGE_GERMAN;
    EXPECT_EQ(loadStringNumber(102, 0, false), 172);
    EXPECT_EQ(loadStringNumber(103, 0, false), 204);
}

TEST_F(RealContainer, GermanAndEnglishHoldTheSameIds) {
    const std::set<u32> english = idsOf(LANGUAGE_ENGLISH);
    EXPECT_EQ(english.size(), 229u);
    EXPECT_EQ(idsOf(LANGUAGE_GERMAN), english);
    std::set<u32> errors;
    for (u32 id : english) if (id >= 10500) errors.insert(id);
    EXPECT_EQ(errors.size(), 113u);
    EXPECT_EQ(idsOf(LANGUAGE_FRENCH), errors);
    for (u32 id : english) {
        // No German text may fall back to another language: noDefaultLanguage keeps English out.
        if (id == 10500) continue;
        EXPECT_NE(load(LANGUAGE_GERMAN, id, true), "<?>") << id;
    }
}

TEST_F(RealContainer, ExclusionListsReadAsTheScannersProbeThem) {
    // The scanners probe 10,000 ids from each start with noDefaultLanguage and skip what fails.
    const auto count = [](u16 language, u32 from, u32 to) {
        int n = 0;
        for (u32 id = from; id < to; ++id) n += load(language, id, true)[0] != '<';
        return n;
    };
    for (u16 language : {LANGUAGE_GERMAN, LANGUAGE_ENGLISH, LANGUAGE_RUSSIAN}) {
        EXPECT_EQ(count(language, 10000, 10150), 109) << language;
        EXPECT_EQ(count(language, 20000, 20070), 49) << language;
        EXPECT_EQ(count(language, 20000, 30000), 49) << language;
        EXPECT_EQ(count(language, 30000, 30100), 6) << language;
    }
    // The registry range also reaches the support, crash and error texts (10305 on) of the
    // interface language's own table; none of them starts with a hive name.
    EXPECT_EQ(count(LANGUAGE_GERMAN, 10000, 20000), 109 + 7 + 2 + 112);
    EXPECT_EQ(count(LANGUAGE_RUSSIAN, 10000, 20000), 109);
}

TEST_F(RealContainer, MenusParseWithTheirItems) {
    struct Item { std::string text; u32 command; };
    struct Case { u16 language; u32 id; std::vector<Item> items; };
    const Case cases[] = {
        {LANGUAGE_ENGLISH, 1000, {{"&New", 0x3000}, {"&Delete", 0x3002}}},
        {LANGUAGE_GERMAN, 1000, {{"&Neu", 0x3000}, {"&L\xF6schen", 0x3002}}},
        {LANGUAGE_ENGLISH, 1001, {{"&Copy", 0x3004}, {"&Copy all", 0x3005}, {"", 0}, {"&Undo", 0x3006}, {"", 0},
                                  {"&Search with Google", 0x3003}}},
        {LANGUAGE_GERMAN, 1001, {{"&Kopieren", 0x3004}, {"&Alles kopieren", 0x3005}, {"", 0},
                                 {"&R\xFC" "ckg\xE4ngig machen", 0x3006}, {"", 0}, {"&Suchen mit Google", 0x3003}}},
    };
    for (const Case& c : cases) {
        const u8* data = nullptr;
        u32 size = 0;
        ASSERT_TRUE(findResource(RESOURCE_MENU_TEMPLATE, c.language, c.id, {.exactLanguageOnly = true}, data, size));
        std::vector<MenuItem> items;
        ASSERT_EQ(parseMenuTemplate(data, size, items), 0u);
        ASSERT_EQ(items.size(), c.items.size()) << c.id;
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].text, c.items[i].text);
            EXPECT_EQ(items[i].commandId, c.items[i].command);
            EXPECT_TRUE(items[i].submenu.empty());
        }
    }
}

}  // namespace
}  // namespace pelorin
