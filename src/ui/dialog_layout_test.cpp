#include "ui/dialog_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/argument_list.h"
#include "ui/dialog_switches.h"

namespace pelorin {
namespace {

// Expected values worked out by hand from the metric table, for fonts where the integer
// divisions round differently.
TEST(LayoutMetrics, BothModesForSeveralFonts) {
    struct Case {
        i32 w, h;
        bool compact;
        LayoutMetrics expected;  // margins, gaps, allowance, heights, paddings in declaration order
    };
    const Case cases[] = {
        // before measuring: W = H = 1
        {1, 1, false, {8, 8, 6, 3, 4, 2, 3, 3, 9, 11, 7, 1, 0}},
        {1, 1, true, {4, 4, 3, 2, 4, 1, 1, 3, 8, 7, 5, 0, 0}},
        // Arial 10 points at 96 dpi
        {11, 16, false, {10, 10, 8, 7, 4, 4, 33, 18, 24, 26, 22, 11, 8}},
        {11, 16, true, {5, 6, 4, 5, 4, 2, 19, 18, 23, 22, 20, 6, 6}},
        // a large font: W / 20 and the tenths start to count
        {25, 30, false, {13, 13, 11, 13, 5, 7, 75, 32, 38, 40, 36, 25, 20}},
        {25, 30, true, {6, 9, 6, 9, 5, 3, 45, 32, 37, 36, 34, 15, 15}},
    };
    for (const Case& c : cases) {
        const LayoutMetrics got = computeLayoutMetrics(c.w, c.h, c.compact);
        const LayoutMetrics& e = c.expected;
        SCOPED_TRACE(testing::Message() << "W=" << c.w << " H=" << c.h << (c.compact ? " compact" : " normal"));
        EXPECT_EQ(got.horizontalMargin, e.horizontalMargin);
        EXPECT_EQ(got.verticalMargin, e.verticalMargin);
        EXPECT_EQ(got.horizontalGap, e.horizontalGap);
        EXPECT_EQ(got.sectionGap, e.sectionGap);
        EXPECT_EQ(got.smallGap, e.smallGap);
        EXPECT_EQ(got.rowGap, e.rowGap);
        EXPECT_EQ(got.checkBoxAllowance, e.checkBoxAllowance);
        EXPECT_EQ(got.labelHeight, e.labelHeight);
        EXPECT_EQ(got.fieldHeight, e.fieldHeight);
        EXPECT_EQ(got.buttonHeight, e.buttonHeight);
        EXPECT_EQ(got.checkBoxHeight, e.checkBoxHeight);
        EXPECT_EQ(got.buttonPadding, e.buttonPadding);
        EXPECT_EQ(got.labelPadding, e.labelPadding);
    }
}

std::vector<u8> templateBytes(u32 style, const char* title, const char16_t* wideTitle, u32 capacity = 0) {
    u32 length = 0;
    if (title) while (title[length]) ++length;
    if (!capacity) capacity = dialogTemplateCapacity(length > 64 ? length : 64);
    std::vector<u8> buffer(capacity, 0xCD);
    buffer.resize(writeDialogTemplate(buffer.data(), capacity, style, title, wideTitle));
    return buffer;
}

TEST(DialogTemplate, FrameOnlyWithTheTitleAsWords) {
    struct Case {
        const char* name;
        const char* title;
        const char16_t* wideTitle;
        std::vector<u16> titleWords;  // without the closing zero word
    };
    const Case cases[] = {
        {"empty title", "", nullptr, {}},
        {"no title at all", nullptr, nullptr, {}},
        {"ASCII", "Pelorin V 1.1.4", nullptr, {'P', 'e', 'l', 'o', 'r', 'i', 'n', ' ', 'V', ' ', '1', '.', '1', '.', '4'}},
        // bytes above 127 are widened unchanged, not sign-extended and not converted
        {"high bytes", "Gr\xFC\xDF", nullptr, {'G', 'r', 0x00FC, 0x00DF}},
        {"wide title wins", "ignored", u"\u0416x", {0x0416, 'x'}},
        {"empty wide title", "ignored", u"", {}},
    };
    const u32 style = dialogTemplateStyle(false, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<u8> bytes = templateBytes(style, c.title, c.wideTitle);
        ASSERT_EQ(bytes.size(), 24 + 2 * c.titleWords.size());
        EXPECT_EQ(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<u32>(bytes[3]) << 24, style);
        // extended style, item count, position, size, menu and class are all zero
        for (size_t i = 4; i < 22; ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
        for (size_t i = 0; i < c.titleWords.size(); ++i) {
            EXPECT_EQ(bytes[22 + 2 * i] | bytes[23 + 2 * i] << 8, c.titleWords[i]) << "title word " << i;
        }
        EXPECT_EQ(bytes[bytes.size() - 2], 0);
        EXPECT_EQ(bytes[bytes.size() - 1], 0);
    }
}

TEST(DialogTemplate, StyleBitsAndCapacity) {
    EXPECT_EQ(dialogTemplateStyle(false, false), 0x90C80280u);
    EXPECT_EQ(dialogTemplateStyle(true, false), 0x90080280u);
    EXPECT_EQ(dialogTemplateStyle(false, true), 0x90CC0280u);
    EXPECT_EQ(dialogTemplateStyle(true, true), 0x900C0280u);

    // The buffer the dialog allocates always holds the template of its title.
    const char* title = "A title of some length";
    const u32 capacity = dialogTemplateCapacity(22);
    EXPECT_EQ(capacity, 1024u + 44);
    EXPECT_EQ(templateBytes(0, title, nullptr, capacity).size(), 24u + 44);
    // A buffer one byte short writes nothing.
    EXPECT_EQ(templateBytes(0, title, nullptr, 24 + 44 - 1).size(), 0u);
    EXPECT_EQ(writeDialogTemplate(nullptr, 100, 0, "", nullptr), 0u);
}

TEST(Placement, CentredWithXOnAMultipleOfEight) {
    struct Case { i32 screenW, screenH, windowW, windowH, x, y; };
    const Case cases[] = {
        {1280, 1024, 400, 300, 440, 362},
        {1024, 768, 333, 200, 344, 284},  // half-difference 345, plus 4 = 349, down to 344
        {1024, 768, 340, 201, 344, 283},  // 342 + 4 = 346 -> 344
        {1024, 768, 326, 200, 352, 284},  // 349 + 4 = 353 -> 352: rounding after adding 4
        {800, 600, 2000, 300, 0, 150},    // wider than the screen: half-difference 0, 4 -> 0
        {800, 600, 300, 900, 248, 0},     // taller than the screen
        {800, 600, 800, 600, 0, 0},
    };
    for (const Case& c : cases) {
        const WindowPosition p = centredPosition(c.screenW, c.screenH, c.windowW, c.windowH);
        EXPECT_EQ(p.x, c.x) << c.windowW << " on " << c.screenW;
        EXPECT_EQ(p.y, c.y) << c.windowH << " on " << c.screenH;
    }
    for (i32 width = 1; width <= 1300; ++width) {
        const WindowPosition p = centredPosition(1280, 1024, width, 100);
        ASSERT_EQ(p.x % 8, 0) << width;
        const i32 half = width > 1280 ? 0 : (1280 - width) / 2;
        ASSERT_LE(p.x, half + 4) << width;
        ASSERT_GT(p.x, half - 4) << width;
    }
}

TEST(ButtonRow, WidthMinimumAndPositions) {
    const LayoutMetrics m = computeLayoutMetrics(11, 16, false);  // margin 10, gap 8, padding 11
    EXPECT_EQ(buttonWidth(0, m), 61);   // at least 50 pixels of text
    EXPECT_EQ(buttonWidth(50, m), 61);
    EXPECT_EQ(buttonWidth(64, m), 75);
    EXPECT_EQ(buttonRowMinimum(4, 75, m), 4 * 75 + 3 * 8 + 2 * 10 + 3);
    EXPECT_EQ(buttonRowMinimum(1, 61, m), 61 + 2 * 10 + 3);

    // A row of four in a 400-pixel dialog: (400 - 347) / 2 + 10 = 36, then one button and gap on.
    const i32 expected[] = {36, 119, 202, 285};
    for (u32 i = 0; i < 4; ++i) EXPECT_EQ(buttonRowX(400, 4, 75, i, m), expected[i]) << i;
    // The row is centred: equal space on both sides, give or take the odd pixel.
    for (i32 width : {347, 400, 451, 600}) {
        const i32 left = buttonRowX(width, 4, 75, 0, m);
        const i32 right = width - (buttonRowX(width, 4, 75, 3, m) + 75);
        EXPECT_LE(std::abs(left + 3 - right), 1) << width;  // the row minimum carries 3 extra pixels
    }
    // In a dialog exactly as wide as the row minimum the first button sits on the margin.
    EXPECT_EQ(buttonRowX(347, 4, 75, 0, m), m.horizontalMargin);
    EXPECT_EQ(heightBelowButtonRow(100, m), 100 + 4 + 26 + 10);
}

TEST(DialogFont, ScalingByPercent) {
    struct Case { i32 points, percent, expected; };
    const Case cases[] = {
        {10, 0, 10},    {10, 1, 10},      {10, 50, 15},   {10, 500, 60},  {10, 501, 10},  // above 500: ignored
        {9, 33, 11},    {10, -50, 5},     {9, -33, 7},    {10, -100, 1},  // never below 1
        {10, -1000, 1}, {1, 100, 2},      {10, INT32_MIN, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(scaleFontPoints(c.points, c.percent), c.expected) << c.points << " " << c.percent;

    struct Default { bool compact, hasPercent; i32 percent, expected; };
    const Default defaults[] = {
        {false, false, 0, 10}, {true, false, 0, 9},   {false, false, 50, 10},  // no switch: no scaling
        {false, true, 50, 15}, {true, true, 50, 13}, {true, true, -50, 5}, {true, true, 0, 9},
    };
    for (const Default& d : defaults) {
        EXPECT_EQ(defaultDialogFontPoints(d.compact, d.hasPercent, d.percent), d.expected)
            << d.compact << " " << d.hasPercent << " " << d.percent;
    }
}

TEST(CompactMode, WorkAreaThresholds) {
    struct Case { i32 width, height; bool compact; };
    const Case cases[] = {
        {240, 1000, true}, {241, 1000, false}, {1000, 320, true}, {1000, 321, false},
        {241, 321, false}, {240, 320, true},   {1280, 1024, false},
    };
    for (const Case& c : cases) EXPECT_EQ(isCompactWorkArea(c.width, c.height), c.compact) << c.width << "x" << c.height;

    // A virtual screen reaching above the primary one loses that part.
    const AreaRect above = virtualScreenArea(-1280, -200, 2560, 1224);
    EXPECT_EQ(above.left, -1280);
    EXPECT_EQ(above.top, 0);
    EXPECT_EQ(above.width(), 2560);
    EXPECT_EQ(above.height(), 1024);
    const AreaRect below = virtualScreenArea(0, 0, 1920, 1080);
    EXPECT_EQ(below.top, 0);
    EXPECT_EQ(below.height(), 1080);
}

TEST(Mnemonics, RemovedBeforeMeasuringAndMarkedForUnderlining) {
    struct Case {
        const char* text;
        const char* drawn;
        const char* underlined;  // "^" under each underlined character of `drawn`
    };
    const Case cases[] = {
        {"&Cancel", "Cancel", "^     "},     {"Copy &all", "Copy all", "     ^  "},
        {"Save && exit", "Save & exit", "           "},
        {"End&", "End", "   "},              {"&&&x", "&x", " ^"},
        {"a&&&", "a&", "  "},                {"", "", ""},
        {"&", "", ""},                       {"no mnemonic", "no mnemonic", "           "},
        {"&a&b", "ab", "^^"},                {"&\xFC" "ber", "\xFC" "ber", "^   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(withoutMnemonics(c.text), c.drawn);
        const std::vector<DrawnCharacter> drawn = drawnCharacters(c.text);
        std::string characters, marks;
        for (const DrawnCharacter& d : drawn) {
            characters += d.character;
            marks += d.underlined ? '^' : ' ';
        }
        EXPECT_EQ(characters, c.drawn);
        EXPECT_EQ(marks, c.underlined);
    }
    EXPECT_EQ(withoutMnemonics(nullptr), "");
    EXPECT_TRUE(drawnCharacters(nullptr).empty());
}

TEST(DialogSwitches, ParsedFromTheRuntimeSwitches) {
    struct Case {
        std::vector<const char*> switches;
        bool compact;
        bool hasPercent;
        i32 percent;
        bool hasQuality;
        u8 quality;
        bool hasArea;
        i32 areaWidth, areaHeight;
    };
    const Case cases[] = {
        {{}, false, false, 0, false, 0, false, 0, 0},
        {{"-~compact"}, true, false, 0, false, 0, false, 0, 0},
        {{"-~compactly", "-~lang:en"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~fontscale:150"}, false, true, 150, false, 0, false, 0, 0},
        {{"-~fontscale:-20"}, false, true, -20, false, 0, false, 0, 0},
        {{"-~fontscale:+20"}, false, true, 20, false, 0, false, 0, 0},
        {{"-~fontscale:"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~fontscale:12pt"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~fontscale:50", "-~fontscale:20"}, false, true, 20, false, 0, false, 0, 0},  // the last counts
        {{"-~fontquality:5"}, false, false, 0, true, 5, false, 0, 0},
        {{"-~fontquality:256"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~fontquality:-1"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~workarea:240,320"}, false, false, 0, false, 0, true, 240, 320},
        {{"-~workarea:240x320"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~workarea:240,"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~workarea:0,320"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~workarea:240,320,5"}, false, false, 0, false, 0, false, 0, 0},
        {{"-~compact", "-~fontscale:10", "-~fontquality:3", "-~workarea:800,600"}, true, true, 10, true, 3, true, 800, 600},
    };
    for (const Case& c : cases) {
        ArgumentList list;
        std::string joined;
        for (const char* s : c.switches) {
            list.append(s);
            joined += std::string(s) + " ";
        }
        SCOPED_TRACE(joined);
        const DialogSwitches got = readDialogSwitches(list);
        EXPECT_EQ(got.compact, c.compact);
        EXPECT_EQ(got.hasFontPercent, c.hasPercent);
        if (c.hasPercent) {
            EXPECT_EQ(got.fontPercent, c.percent);
        }
        EXPECT_EQ(got.hasFontQuality, c.hasQuality);
        if (c.hasQuality) {
            EXPECT_EQ(got.fontQuality, c.quality);
        }
        EXPECT_EQ(got.hasWorkArea, c.hasArea);
        if (c.hasArea) {
            EXPECT_EQ(got.workAreaWidth, c.areaWidth);
            EXPECT_EQ(got.workAreaHeight, c.areaHeight);
        }
    }
}

}  // namespace
}  // namespace pelorin
