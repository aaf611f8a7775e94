#include "ui/progress_layout.h"

#include <algorithm>

namespace pelorin {

ProgressLayout computeProgressLayout(const ProgressLayoutInput& in) {
    const LayoutMetrics& m = in.metrics;
    const i32 w = in.characterWidth;
    ProgressLayout out;
    const i32 button = buttonWidth(in.cancelTextWidth, m);
    const i32 buttonRow = buttonRowMinimum(1, button, m);
    out.clientWidth = std::max(40 * w, buttonRow);
    const i32 textWidth = out.clientWidth - 2 * m.horizontalMargin;

    i32 y = m.verticalMargin;
    auto row = [&](u32 line, i32 height, bool indented) {
        const i32 indent = indented ? w : 0;
        out.lines[line] = ControlBox{m.horizontalMargin + indent, y, textWidth - indent, height};
        y += height + m.rowGap;
    };
    row(0, in.largeBoldHeight, false);
    row(1, in.boldHeight, false);
    row(2, 3 * in.characterHeight, false);  // up to three lines of text
    y += m.sectionGap;
    row(ProgressLayout::REGISTRY_HEADING_LINE, in.boldHeight, false);
    row(4, m.labelHeight, true);
    row(5, m.labelHeight, true);
    y += m.sectionGap;
    row(ProgressLayout::FILE_SYSTEM_HEADING_LINE, in.boldHeight, false);
    for (u32 line = 7; line <= 10; ++line) row(line, m.labelHeight, true);
    y += m.sectionGap;

    out.cancel = ControlBox{buttonRowX(out.clientWidth, 1, button, 0, m), y, button, m.buttonHeight};
    out.clientHeight = heightBelowButtonRow(y, m);
    return out;
}

}  // namespace pelorin
