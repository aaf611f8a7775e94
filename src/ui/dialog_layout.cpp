#include "ui/dialog_layout.h"

#include <algorithm>

namespace pelorin {
namespace {

void putWord(u8*& out, u16 value) {
    *out++ = static_cast<u8>(value);
    *out++ = static_cast<u8>(value >> 8);
}

void putLong(u8*& out, u32 value) {
    putWord(out, static_cast<u16>(value));
    putWord(out, static_cast<u16>(value >> 16));
}

}  // namespace

u32 dialogTemplateStyle(bool noCaption, bool resizable) {
    u32 style = DIALOG_STYLE_FRAME | DIALOG_STYLE_FOREGROUND;
    if (!noCaption) style |= DIALOG_STYLE_CAPTION;
    if (resizable) style |= DIALOG_STYLE_SIZING_BORDER;
    return style;
}

u32 writeDialogTemplate(u8* buffer, u32 capacity, u32 style, const char* title, const char16_t* wideTitle) {
    u32 titleLength = 0;
    if (wideTitle) {
        while (wideTitle[titleLength]) ++titleLength;
    } else if (title) {
        while (title[titleLength]) ++titleLength;
    }
    // style, extended style, item count, x, y, cx, cy, menu, class, title and its zero word
    const u64 size = 4 + 4 + 2 + 4 * 2 + 2 + 2 + 2 * (static_cast<u64>(titleLength) + 1);
    if (!buffer || size > capacity) return 0;
    u8* out = buffer;
    putLong(out, style);
    putLong(out, 0);
    putWord(out, 0);
    for (int i = 0; i < 4; ++i) putWord(out, 0);
    putWord(out, 0);  // no menu
    putWord(out, 0);  // the default dialog class
    for (u32 i = 0; i < titleLength; ++i) {
        putWord(out, wideTitle ? static_cast<u16>(wideTitle[i]) : static_cast<u8>(title[i]));
    }
    putWord(out, 0);
    return static_cast<u32>(out - buffer);
}

i32 scaleFontPoints(i32 points, i32 percent) {
    i64 size = points;
    if (percent >= 1 && percent <= LARGEST_FONT_PERCENT) {
        size += size * percent / 100;
    } else if (percent < 0) {
        size -= size * -static_cast<i64>(percent) / 100;
    }
    return size < 1 ? 1 : static_cast<i32>(std::min<i64>(size, INT32_MAX));
}

i32 defaultDialogFontPoints(bool compact, bool hasPercent, i32 percent) {
    const i32 points = compact ? COMPACT_DIALOG_FONT_POINTS : DIALOG_FONT_POINTS;
    return hasPercent ? scaleFontPoints(points, percent) : points;
}

bool isCompactWorkArea(i32 width, i32 height) {
    return width <= COMPACT_WORK_AREA_WIDTH || height <= COMPACT_WORK_AREA_HEIGHT;
}

AreaRect virtualScreenArea(i32 x, i32 y, i32 width, i32 height) {
    if (y < 0) {
        height += y;
        y = 0;
    }
    return AreaRect{x, y, x + width, y + height};
}

LayoutMetrics computeLayoutMetrics(i32 characterWidth, i32 characterHeight, bool compact) {
    const i32 w = characterWidth;
    const i32 h = characterHeight;
    const i32 fifth = w / 5;
    LayoutMetrics m;
    m.smallGap = w / 20 + 4;
    m.labelHeight = h + 2;
    if (!compact) {
        m.horizontalMargin = fifth + 8;
        m.verticalMargin = fifth + 8;
        m.horizontalGap = fifth + 6;
        m.sectionGap = 2 * fifth + 3;
        m.rowGap = fifth + 2;
        m.checkBoxAllowance = 3 * w;
        m.fieldHeight = h + 8;
        m.buttonHeight = h + 10;
        m.checkBoxHeight = h + 6;
        m.buttonPadding = w;
        m.labelPadding = w * 8 / 10;
    } else {
        m.horizontalMargin = (fifth + 8) / 2;
        m.verticalMargin = fifth + 4;
        m.horizontalGap = (fifth + 6) * 6 / 10;
        m.sectionGap = fifth + (fifth + 2) / 2 + 1;
        m.rowGap = (fifth + 2) / 2;
        m.checkBoxAllowance = 18 * w / 10;
        m.fieldHeight = h + 7;
        m.buttonHeight = h + 6;
        m.checkBoxHeight = h + 4;
        m.buttonPadding = w * 6 / 10;
        m.labelPadding = w * 6 / 10;
    }
    return m;
}

i32 buttonWidth(i32 widestText, const LayoutMetrics& metrics) {
    return std::max(MIN_BUTTON_TEXT_WIDTH, widestText) + metrics.buttonPadding;
}

i32 buttonRowMinimum(u32 count, i32 width, const LayoutMetrics& metrics) {
    const i32 n = static_cast<i32>(count);
    const i32 gaps = n > 0 ? n - 1 : 0;
    return n * width + gaps * metrics.horizontalGap + 2 * metrics.horizontalMargin + 3;
}

i32 buttonRowX(i32 dialogWidth, u32 count, i32 width, u32 index, const LayoutMetrics& metrics) {
    return (dialogWidth - buttonRowMinimum(count, width, metrics)) / 2 + metrics.horizontalMargin +
           static_cast<i32>(index) * (width + metrics.horizontalGap);
}

i32 heightBelowButtonRow(i32 rowTop, const LayoutMetrics& metrics) {
    return rowTop + metrics.smallGap + metrics.buttonHeight + metrics.verticalMargin;
}

WindowPosition centredPosition(i32 screenWidth, i32 screenHeight, i32 windowWidth, i32 windowHeight) {
    const i32 halfX = windowWidth > screenWidth ? 0 : (screenWidth - windowWidth) / 2;
    const i32 halfY = windowHeight > screenHeight ? 0 : (screenHeight - windowHeight) / 2;
    // x on a multiple of 8, as Windows aligns its own dialogs (byte-aligned in display memory).
    return WindowPosition{(halfX + 4) & ~7, halfY};
}

std::vector<DrawnCharacter> drawnCharacters(const char* text) {
    std::vector<DrawnCharacter> out;
    if (!text) return out;
    for (const char* p = text; *p; ++p) {
        if (*p != '&') {
            out.push_back({*p, false});
            continue;
        }
        if (!p[1]) break;  // an "&" at the very end marks nothing
        ++p;
        // "&&" is a plain "&"; any other character after an "&" is the mnemonic.
        out.push_back({*p, *p != '&'});
    }
    return out;
}

std::string withoutMnemonics(const char* text) {
    std::string out;
    for (const DrawnCharacter& drawn : drawnCharacters(text)) out += drawn.character;
    return out;
}

}  // namespace pelorin
