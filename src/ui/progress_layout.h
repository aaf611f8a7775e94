#pragma once
// Where the progress window puts its eleven status lines, the two section headings and the
// Cancel button, from the measured fonts.
#include "runtime/types.h"
#include "ui/dialog_layout.h"

namespace pelorin {

struct ControlBox {
    i32 x = 0;
    i32 y = 0;
    i32 width = 0;
    i32 height = 0;
    i32 bottom() const { return y + height; }
    i32 right() const { return x + width; }
};

struct ProgressLayoutInput {
    LayoutMetrics metrics;
    i32 characterWidth = 1;    // "W" in the dialog font
    i32 characterHeight = 1;   // "|" in the dialog font
    i32 largeBoldHeight = 1;   // "|" in the large bold font (line 0)
    i32 boldHeight = 1;        // "|" in the bold font (line 1 and the headings)
    i32 cancelTextWidth = 0;   // the Cancel button's text as drawn
};

struct ProgressLayout {
    static constexpr u32 LINE_COUNT = 11;
    // Lines 3 and 6 (registry and file-system totals) share the rows of the two headings.
    static constexpr u32 REGISTRY_HEADING_LINE = 3;
    static constexpr u32 FILE_SYSTEM_HEADING_LINE = 6;

    ControlBox lines[LINE_COUNT];
    ControlBox cancel;
    i32 clientWidth = 0;
    i32 clientHeight = 0;
};

ProgressLayout computeProgressLayout(const ProgressLayoutInput& input);

}  // namespace pelorin
