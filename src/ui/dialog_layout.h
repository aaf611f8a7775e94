#pragma once
// The arithmetic behind the dialogs that are built in code: the in-memory frame template, the
// dialog font's size, the layout metrics derived from the measured font, button rows and the
// placement on the screen. Kept free of Windows so that it is tested natively; the Win32 part
// (src/ui/win32/dialog_base.h) only measures and creates.
#include <string>
#include <vector>

#include "runtime/types.h"

namespace pelorin {

// ---- frame template ------------------------------------------------------------------------

// WS_POPUP | WS_VISIBLE | WS_SYSMENU | DS_MODALFRAME
constexpr u32 DIALOG_STYLE_FRAME = 0x90080080;
constexpr u32 DIALOG_STYLE_CAPTION = 0x00C00000;       // WS_CAPTION
constexpr u32 DIALOG_STYLE_SIZING_BORDER = 0x00040000;  // WS_THICKFRAME
constexpr u32 DIALOG_STYLE_FOREGROUND = 0x00000200;     // DS_SETFOREGROUND

u32 dialogTemplateStyle(bool noCaption, bool resizable);

// The template buffer: room for the fixed part plus two bytes per title character.
constexpr u32 dialogTemplateCapacity(u32 titleCharacters) { return 1024 + 2 * titleCharacters; }

// Writes a template without items at position and size 0: style, no extended style, no menu,
// the default class and the title (the wide title when given, else each byte of `title` widened
// unchanged). Gives the bytes written, 0 when they do not fit into `capacity`.
u32 writeDialogTemplate(u8* buffer, u32 capacity, u32 style, const char* title, const char16_t* wideTitle);

// ---- dialog font ---------------------------------------------------------------------------

constexpr i32 DIALOG_FONT_POINTS = 10;
constexpr i32 COMPACT_DIALOG_FONT_POINTS = 9;
constexpr i32 LARGEST_FONT_PERCENT = 500;

// Grows the size by points * percent / 100 for a percentage from 1 to 500, shrinks it by
// points * |percent| / 100 for a negative one; any other percentage leaves it. At least 1.
i32 scaleFontPoints(i32 points, i32 percent);

// The default dialog font's size: 10 points, 9 in compact mode, then scaled by the percentage
// when one is given.
i32 defaultDialogFontPoints(bool compact, bool hasPercent, i32 percent);

// A work area this small asks for the compact layout.
constexpr i32 COMPACT_WORK_AREA_WIDTH = 240;
constexpr i32 COMPACT_WORK_AREA_HEIGHT = 320;
bool isCompactWorkArea(i32 width, i32 height);

struct AreaRect {
    i32 left = 0;
    i32 top = 0;
    i32 right = 0;
    i32 bottom = 0;
    i32 width() const { return right - left; }
    i32 height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
};

// The virtual screen as a work area: a part above the top of the primary screen (negative top)
// is cut off, and the height shrinks by as much.
AreaRect virtualScreenArea(i32 x, i32 y, i32 width, i32 height);

// ---- layout metrics ------------------------------------------------------------------------

// Every position and size of the dialogs comes from these, derived from the character width W
// ("W") and height H ("|") of the dialog font.
struct LayoutMetrics {
    i32 horizontalMargin = 0;   // left and right border
    i32 verticalMargin = 0;     // top and bottom border
    i32 horizontalGap = 0;      // between controls of a row
    i32 sectionGap = 0;         // above a row of buttons
    i32 smallGap = 0;           // between a button row and the bottom margin
    i32 rowGap = 0;             // between rows of fields or check boxes
    i32 checkBoxAllowance = 0;  // added to a check box's text width
    i32 labelHeight = 0;
    i32 fieldHeight = 0;        // edit fields and combo boxes
    i32 buttonHeight = 0;
    i32 checkBoxHeight = 0;
    i32 buttonPadding = 0;      // added to a button's text width
    i32 labelPadding = 0;       // added to the widest label of a column
};

LayoutMetrics computeLayoutMetrics(i32 characterWidth, i32 characterHeight, bool compact);

// ---- button rows ---------------------------------------------------------------------------

constexpr i32 MIN_BUTTON_TEXT_WIDTH = 50;

// All buttons of a row share one width: the widest text, at least 50 pixels, plus padding.
i32 buttonWidth(i32 widestText, const LayoutMetrics& metrics);
// The narrowest dialog that holds `count` buttons of `width` side by side.
i32 buttonRowMinimum(u32 count, i32 width, const LayoutMetrics& metrics);
// The x position of button `index` (from 0) of a row centred in a dialog `dialogWidth` wide.
i32 buttonRowX(i32 dialogWidth, u32 count, i32 width, u32 index, const LayoutMetrics& metrics);
// The dialog height below a button row whose top is `rowTop`.
i32 heightBelowButtonRow(i32 rowTop, const LayoutMetrics& metrics);

// ---- placement -----------------------------------------------------------------------------

struct WindowPosition {
    i32 x = 0;
    i32 y = 0;
};

// Centred on the screen, x rounded down to a multiple of 8 (after adding 4); a window larger
// than the screen in one direction starts at 0 there.
WindowPosition centredPosition(i32 screenWidth, i32 screenHeight, i32 windowWidth, i32 windowHeight);

// ---- texts ---------------------------------------------------------------------------------

// The text as drawn: every "&" removed, "&&" kept as one "&", an "&" at the very end dropped.
std::string withoutMnemonics(const char* text);

// One character of a label as drawn; a character that followed a lone "&" is underlined.
struct DrawnCharacter {
    char character = 0;
    bool underlined = false;
};
std::vector<DrawnCharacter> drawnCharacters(const char* text);

}  // namespace pelorin
