#include "ui/progress_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace pelorin {
namespace {

ProgressLayoutInput inputFor(i32 w, i32 h, bool compact, i32 cancelWidth) {
    ProgressLayoutInput in;
    in.metrics = computeLayoutMetrics(w, h, compact);
    in.characterWidth = w;
    in.characterHeight = h;
    in.largeBoldHeight = h * 14 / 10 + 1;
    in.boldHeight = h + 1;
    in.cancelTextWidth = cancelWidth;
    return in;
}

TEST(ProgressLayout, RowsStackInsideTheClientArea) {
    struct Case { i32 w, h; bool compact; i32 cancelWidth; };
    const Case cases[] = {
        {11, 16, false, 40}, {11, 16, true, 40}, {10, 15, false, 63},  // "Abbrechen" is wider than 50
        {1, 1, false, 0},    {25, 30, true, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "W=" << c.w << (c.compact ? " compact" : " normal"));
        const ProgressLayoutInput in = inputFor(c.w, c.h, c.compact, c.cancelWidth);
        const LayoutMetrics& m = in.metrics;
        const ProgressLayout layout = computeProgressLayout(in);

        EXPECT_EQ(layout.clientWidth, std::max(40 * c.w, buttonRowMinimum(1, buttonWidth(c.cancelWidth, m), m)));
        EXPECT_EQ(layout.lines[0].y, m.verticalMargin);
        EXPECT_EQ(layout.lines[0].height, in.largeBoldHeight);
        EXPECT_EQ(layout.lines[1].height, in.boldHeight);
        EXPECT_EQ(layout.lines[2].height, 3 * c.h);
        EXPECT_EQ(layout.lines[ProgressLayout::REGISTRY_HEADING_LINE].height, in.boldHeight);
        EXPECT_EQ(layout.lines[ProgressLayout::FILE_SYSTEM_HEADING_LINE].height, in.boldHeight);

        // Top to bottom in line order, a row gap between rows and a section gap more above each
        // heading and above the button.
        for (u32 line = 1; line < ProgressLayout::LINE_COUNT; ++line) {
            const bool newSection = line == ProgressLayout::REGISTRY_HEADING_LINE ||
                                    line == ProgressLayout::FILE_SYSTEM_HEADING_LINE;
            EXPECT_EQ(layout.lines[line].y, layout.lines[line - 1].bottom() + m.rowGap + (newSection ? m.sectionGap : 0))
                << "line " << line;
        }
        EXPECT_EQ(layout.cancel.y, layout.lines[10].bottom() + m.rowGap + m.sectionGap);

        // Section lines are indented by one character and end where the others end.
        for (u32 line = 0; line < ProgressLayout::LINE_COUNT; ++line) {
            const bool indented = line == 4 || line == 5 || line >= 7;
            EXPECT_EQ(layout.lines[line].x, m.horizontalMargin + (indented ? c.w : 0)) << "line " << line;
            EXPECT_EQ(layout.lines[line].right(), layout.clientWidth - m.horizontalMargin) << "line " << line;
        }

        // The button: centred, as wide as its text needs, the bottom margin below.
        EXPECT_EQ(layout.cancel.width, buttonWidth(c.cancelWidth, m));
        EXPECT_EQ(layout.cancel.height, m.buttonHeight);
        const i32 left = layout.cancel.x;
        const i32 right = layout.clientWidth - layout.cancel.right();
        EXPECT_LE(std::abs(left + 3 - right), 1);
        EXPECT_EQ(layout.clientHeight, layout.cancel.y + m.smallGap + m.buttonHeight + m.verticalMargin);
        EXPECT_LE(layout.cancel.bottom() + m.verticalMargin, layout.clientHeight);
    }
}

TEST(ProgressLayout, AWideCancelTextWidensTheWindow) {
    const ProgressLayoutInput in = inputFor(11, 16, false, 600);
    const LayoutMetrics& m = in.metrics;
    const ProgressLayout layout = computeProgressLayout(in);
    EXPECT_EQ(layout.clientWidth, 600 + m.buttonPadding + 2 * m.horizontalMargin + 3);
    EXPECT_EQ(layout.cancel.x, m.horizontalMargin);
    EXPECT_EQ(layout.lines[0].width, layout.clientWidth - 2 * m.horizontalMargin);
}

}  // namespace
}  // namespace pelorin
