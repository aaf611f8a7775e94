#include "ui/result_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/text.h"

namespace pelorin {
namespace {

ResultEntry entryOf(u32 kind, const char16_t* text1, const char16_t* text2 = nullptr, u32 priority = 0) {
    ResultEntry entry;
    entry.kind = kind;
    entry.text1 = text1;
    entry.text2 = text2;
    entry.priority = priority;
    return entry;
}

TEST(ResultVisibleRows, TenAtLeastThenOnePerEntryUpToTwoThirdsOfTheWorkArea) {
    struct Case {
        u32 entries;
        i32 workHeight, fieldHeight;
        u32 rows;
    };
    const Case cases[] = {
        {0, 768, 24, 10},    {5, 768, 24, 10},  {10, 768, 24, 10},
        {11, 768, 24, 11},   // past ten the list grows with the entries
        {21, 768, 24, 21},   {22, 768, 24, 21},  // 768 * 2 / 3 = 512, / 24 = 21 rows fit
        {5000, 768, 24, 21}, {5000, 1080, 23, 31},  // 720 / 23 = 31
        {11, 30, 24, 1},     // a work area too small for one row still shows one
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resultVisibleRows(c.entries, c.workHeight, c.fieldHeight), c.rows)
            << c.entries << " entries, work area " << c.workHeight << ", field " << c.fieldHeight;
    }
}

TEST(ResultWindowLayout, WidthListAndButtonRowFollowTheMetrics) {
    const LayoutMetrics m = computeLayoutMetrics(11, 16, false);  // margins 10, gap 8, section 7
    struct Case {
        i32 widestText, workWidth, workHeight;
        u32 entries;
        i32 width, listHeight, buttonWidth, firstButtonX;
    };
    const Case cases[] = {
        // 4/5 of 1024 = 819 is the widest; buttons 50 + 11 = 61
        {30, 1024, 768, 5, 819, 240, 61, (819 - (4 * 61 + 3 * 8 + 20 + 3)) / 2 + 10},
        // a small work area: the 450 minimum
        {30, 400, 300, 5, 450, 240, 61, (450 - 291) / 2 + 10},
        // very wide button texts: the row minimum 4 * 161 + 24 + 23 = 691 beats 4/5 of 640
        {150, 640, 480, 30, 691, 13 * 24, 161, 10},
    };
    for (const Case& c : cases) {
        ResultWindowLayoutInput in;
        in.metrics = m;
        in.widestButtonText = c.widestText;
        in.entryCount = c.entries;
        in.workAreaWidth = c.workWidth;
        in.workAreaHeight = c.workHeight;
        const ResultWindowLayout got = computeResultWindowLayout(in);
        SCOPED_TRACE(testing::Message() << "work area " << c.workWidth << "x" << c.workHeight);
        EXPECT_EQ(got.clientWidth, c.width);
        EXPECT_EQ(got.list.x, 10);
        EXPECT_EQ(got.list.y, 10);
        EXPECT_EQ(got.list.width, c.width - 30);
        EXPECT_EQ(got.list.height, c.listHeight);
        const i32 percent[] = {23, 7, 35, 35};
        for (u32 i = 0; i < 4; ++i) EXPECT_EQ(got.columnWidths[i], got.list.width * percent[i] / 100);
        const i32 rowTop = 10 + c.listHeight + 7;
        for (u32 i = 0; i < 4; ++i) {
            EXPECT_EQ(got.buttons[i].width, c.buttonWidth);
            EXPECT_EQ(got.buttons[i].y, rowTop);
            EXPECT_EQ(got.buttons[i].x, c.firstButtonX + static_cast<i32>(i) * (c.buttonWidth + 8));
            EXPECT_LE(got.buttons[i].right(), got.clientWidth);
        }
        EXPECT_EQ(got.clientHeight, rowTop + 4 + 26 + 10);
    }
}

TEST(ResultCells, KindPriorityAndBothTexts) {
    auto kindText = [](u32 id) { return "text " + std::to_string(id); };
    const ResultEntry value = entryOf(RESULT_REG_VALUE_CHANGED, u"Version", u"HKLM\\SOFTWARE\\Orvex", 2);
    const ResultEntry key = entryOf(RESULT_REG_KEY_ADDED, u"HKLM\\SOFTWARE\\Orvex", nullptr, 4000000000u);
    const ResultEntry directory = entryOf(RESULT_DIR_ADDED, u"C:\\Program Files\\Orvex");
    const ResultEntry strange = entryOf(77, nullptr);
    struct Case {
        const ResultEntry* entry;
        u32 column;
        std::u16string text;
    };
    const Case cases[] = {
        {&value, 0, u"text 145"},       {&value, 1, u"2"},
        {&value, 2, u"Version"},        {&value, 3, u"HKLM\\SOFTWARE\\Orvex"},
        {&key, 1, u"4000000000"},       {&key, 3, u""},  // no second text
        {&directory, 0, u"text 198"},   // "Directory added" is out of the row of ids
        {&strange, 0, u"???"},          {&strange, 2, u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resultCellText(*c.entry, c.column, kindText), c.text) << "kind " << c.entry->kind << " column " << c.column;
    }
}

TEST(ResultColumns, EachColumnSortsByItsOwnOrder) {
    EXPECT_EQ(sortOrderForColumn(0), SORT_BY_KIND);
    EXPECT_EQ(sortOrderForColumn(1), SORT_BY_PRIORITY);
    EXPECT_EQ(sortOrderForColumn(2), SORT_BY_FIRST_TEXT);
    EXPECT_EQ(sortOrderForColumn(3), SORT_BY_SECOND_TEXT);
}

TEST(ResultCopy, SelectionElseFocusElseFirstRow) {
    struct Case {
        std::vector<u32> selected;
        i32 focused;
        u32 count;
        std::vector<u32> rows;
    };
    const Case cases[] = {
        {{1, 3}, 0, 5, {1, 3}},  // the selection wins over the focus
        {{}, 2, 5, {2}},
        {{}, -1, 5, {0}},        // no focus: the first row
        {{}, -1, 0, {}},         // an empty list copies nothing
        {{}, 5, 5, {}},          // a stale focus copies nothing
        {{4, 9}, 1, 5, {4}},     // stale selected rows are dropped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rowsToCopy(c.selected, c.focused, c.count), c.rows) << "focus " << c.focused;
    }
}

TEST(ResultCopy, ClipboardTextJoinsCellsWithTabsAndRowsWithCrLf) {
    auto cell = [](u32 row, u32 column) -> std::u16string {
        if (row == 1 && column == 3) return u"";  // an absent second text
        return widen("r" + std::to_string(row) + "c" + std::to_string(column));
    };
    EXPECT_EQ(buildClipboardText({0, 1}, 2, cell), u"r0c0\tr0c1\tr0c2\tr0c3\r\nr1c0\tr1c1\tr1c2\t\r\n");
    EXPECT_EQ(buildClipboardText({1}, 2, cell), u"r1c0\tr1c1\tr1c2\t\r\n");
    EXPECT_EQ(buildClipboardText({}, 2, cell), u"");
    EXPECT_EQ(buildClipboardText({7}, 2, cell), u"");  // a row past the end gives nothing
}

TEST(ResultCopy, LongCellsAreCutAsTheListHandsThemOut) {
    const std::u16string longPath = u"C:\\" + std::u16string(1500, u'x');
    auto cell = [&](u32, u32 column) { return column == 2 ? longPath : std::u16string(u"k"); };
    const std::u16string text = buildClipboardText({0}, 1, cell);
    EXPECT_EQ(text, u"k\tk\t" + longPath.substr(0, 1023) + u"\tk\r\n");
}

TEST(WebSearch, TermByKind) {
    struct Case {
        u32 kind;
        const char16_t* text1;
        const char16_t* text2;
        std::u16string term;
    };
    const Case cases[] = {
        {RESULT_REG_KEY_ADDED, u"HKLM\\SOFTWARE\\Orvex", nullptr, u"HKLM\\SOFTWARE\\Orvex"},
        {RESULT_REG_VALUE_ADDED, u"Updater", u"HKLM\\SOFTWARE\\Run", u"Updater HKLM\\SOFTWARE\\Run"},
        {RESULT_REG_VALUE_CHANGED, u"Version", nullptr, u"Version"},  // no key: the name alone
        {RESULT_REG_VALUE_REMOVED, u"Old", u"HKU\\S-1\\Old", u"Old"},
        {RESULT_REG_TYPE_CHANGED, u"Mode", u"HKLM\\X", u"Mode"},
        {RESULT_FILE_ADDED, u"C:\\Windows\\system32\\orvex.dll", nullptr, u"orvex.dll"},
        {RESULT_DIR_ADDED, u"C:\\Program Files\\Orvex Tools", nullptr, u"Orvex Tools"},
        {RESULT_FILE_CHANGED, u"hosts", nullptr, u"hosts"},  // no "\": the whole text
        {RESULT_FILE_REMOVED, u"old.ini", u"C:\\Windows\\old.ini", u"old.ini"},
        {RESULT_FILE_ADDED, u"C:\\trailing\\", nullptr, u""},
        {RESULT_FILE_NOT_FOUND, u"C:\\gone\\x.sys", nullptr, u"C:\\gone\\x.sys"},
        {RESULT_FILE_ADDED, nullptr, u"C:\\x", u""},  // no first text: no search
        {0, u"x", nullptr, u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(webSearchTerm(entryOf(c.kind, c.text1, c.text2)), c.term) << "kind " << c.kind;
    }
}

TEST(WebSearch, EncodingKeepsOnlyUnreservedBytes) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"orvex-setup_1.2~x", "orvex-setup_1.2~x"},
        {"Program Files", "Program+Files"},
        {"a&b=c?d#e/f\\g%h+i", "a%26b%3Dc%3Fd%23e%2Ff%5Cg%25h%2Bi"},
        {"\"quoted\" 'x' <y> |z", "%22quoted%22+%27x%27+%3Cy%3E+%7Cz"},
        {"\xFC" "ber\x7F\x01", "%FCber%7F%01"},  // ANSI bytes above 127 and controls
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(encodeUrlComponent(c.in), c.out) << c.in;
}

TEST(WebSearch, AddressIsThePrefixAndTheEncodedTermOnly) {
    const char* google = "https://www.google.com/search?q=";
    struct Case {
        const char* prefix;
        ResultEntry entry;
        bool ok;
        std::string address;
    };
    const Case cases[] = {
        {google, entryOf(RESULT_FILE_ADDED, u"C:\\Windows\\Temp\\a b&c.exe"), true,
         "https://www.google.com/search?q=a+b%26c.exe"},
        {google, entryOf(RESULT_REG_VALUE_ADDED, u"Run\"Me", u"HKLM\\SOFTWARE"), true,
         "https://www.google.com/search?q=Run%22Me+HKLM%5CSOFTWARE"},
        // a unit outside ANSI turns into "?", which is encoded as well
        {google, entryOf(RESULT_FILE_ADDED, u"C:\\\u4E2D.dll"), true, "https://www.google.com/search?q=%3F.dll"},
        // a file name that looks like a command or another address stays a query
        {google, entryOf(RESULT_FILE_ADDED, u"C:\\x\\calc.exe & file:C:"), true,
         "https://www.google.com/search?q=calc.exe+%26+file%3AC%3A"},
        {"HTTP://search.example/search?q=", entryOf(RESULT_REG_KEY_ADDED, u"K"), true, "HTTP://search.example/search?q=K"},
        {google, entryOf(RESULT_FILE_ADDED, nullptr), false, ""},
        {"file:///C:/Windows/", entryOf(RESULT_REG_KEY_ADDED, u"K"), false, ""},  // only web addresses
        {"?", entryOf(RESULT_REG_KEY_ADDED, u"K"), false, ""},                     // a missing string
        {nullptr, entryOf(RESULT_REG_KEY_ADDED, u"K"), false, ""},
    };
    for (const Case& c : cases) {
        std::string address = "stale";
        EXPECT_EQ(buildWebSearchAddress(c.prefix, c.entry, address), c.ok) << (c.prefix ? c.prefix : "(null)");
        EXPECT_EQ(address, c.address);
    }
}

}  // namespace
}  // namespace pelorin
