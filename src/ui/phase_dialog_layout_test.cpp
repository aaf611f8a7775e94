#include "ui/phase_dialog_layout.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

// Arial 10 points at 96 dpi: margins 10, gap 8, section 7, small gap 4, row gap 4, allowance 33,
// label 18, field 24, button 26, check box 22, button padding 11, label padding 8.
const LayoutMetrics M = computeLayoutMetrics(11, 16, false);

void expectInside(const ControlBox& box, i32 width, i32 height, const char* what) {
    EXPECT_GE(box.x, 0) << what;
    EXPECT_GE(box.y, 0) << what;
    EXPECT_LE(box.right(), width) << what;
    EXPECT_LE(box.bottom(), height) << what;
}

TEST(PictureButtons, SizeIsTheBitmapPlusAFrame) {
    const PictureSize size = pictureButtonSize(172, 204);
    EXPECT_EQ(size.width, 177);
    EXPECT_EQ(size.height, 209);
    EXPECT_EQ(pictureButtonSize(100, 50).width, 105);
}

TEST(StartDialog, TextPicturesAndFourButtons) {
    struct Case {
        i32 widestText;
        PictureSize picture;
        i32 width;
    };
    const Case cases[] = {
        {60, {177, 209}, 400},   // 2 * 177 + 8 + 20 = 382: the minimum of 400 wins
        {60, {250, 209}, 528},   // wide pictures: 500 + 8 + 20
        {150, {177, 209}, 691},  // long button texts: 4 * 161 + 3 * 8 + 20 + 3
    };
    for (const Case& c : cases) {
        PictureDialogInput in{M, 16, c.picture, c.widestText};
        const PictureDialogLayout got = computeStartDialogLayout(in);
        SCOPED_TRACE(testing::Message() << "widest " << c.widestText << ", picture " << c.picture.width);
        EXPECT_EQ(got.clientWidth, c.width);
        EXPECT_EQ(got.text.x, 10);
        EXPECT_EQ(got.text.y, 10);
        EXPECT_EQ(got.text.width, c.width - 20);
        EXPECT_EQ(got.text.height, 7 * 16);
        const i32 picturesTop = 10 + 7 * 16 + 7;
        EXPECT_EQ(got.pictures[0].y, picturesTop);
        EXPECT_EQ(got.pictures[0].x, 10 + (c.width - (2 * c.picture.width + 8 + 20)) / 2);
        EXPECT_EQ(got.pictures[1].x, got.pictures[0].x + c.picture.width + 8);
        EXPECT_EQ(got.pictures[1].y, picturesTop);
        const i32 rowTop = picturesTop + c.picture.height + 3 * 7;
        ASSERT_EQ(got.row.count, 4u);
        for (u32 i = 0; i < 4; ++i) {
            EXPECT_EQ(got.row.buttons[i].y, rowTop);
            EXPECT_EQ(got.row.buttons[i].height, 26);
            EXPECT_EQ(got.row.buttons[i].width, std::max(50, c.widestText) + 11);
            expectInside(got.row.buttons[i], got.clientWidth, got.clientHeight, "button");
        }
        EXPECT_EQ(got.clientHeight, rowTop + 4 + 26 + 10);
        expectInside(got.pictures[1], got.clientWidth, got.clientHeight, "second picture");
    }
}

TEST(PhaseTwoDialog, PicturesAtTheTopAndTwoButtons) {
    PictureDialogInput in{M, 16, {177, 209}, 40};
    const PictureDialogLayout got = computePhaseTwoDialogLayout(in);
    EXPECT_EQ(got.clientWidth, 400);
    EXPECT_EQ(got.pictures[0].y, 10);
    EXPECT_EQ(got.pictures[0].x, 10 + (400 - 382) / 2);
    EXPECT_EQ(got.text.width, 0);
    ASSERT_EQ(got.row.count, 2u);
    const i32 rowTop = 10 + 209 + 21;
    // two buttons of 61: row minimum 122 + 8 + 23 = 153, centred
    EXPECT_EQ(got.row.buttons[0].x, (400 - 153) / 2 + 10);
    EXPECT_EQ(got.row.buttons[1].x, (400 - 153) / 2 + 10 + 69);
    EXPECT_EQ(got.row.buttons[0].y, rowTop);
    EXPECT_EQ(got.clientHeight, rowTop + 40);
}

TEST(SetupDialog, WithAndWithoutTheQuestionButtons) {
    struct Case {
        i32 characterWidth, widestText;
        bool buttons;
        i32 width, height;
    };
    const Case cases[] = {
        {11, 30, true, 275, 10 + 24 + 4 + 7 + 4 + 26 + 10},  // 25 W wins over 153
        {11, 30, false, 275, 10 + 24 + 10},
        {4, 30, true, 153, 10 + 24 + 4 + 7 + 4 + 26 + 10},   // a narrow font: the button row wins
    };
    for (const Case& c : cases) {
        const SetupDialogLayout got = computeSetupDialogLayout({M, c.characterWidth, c.widestText, c.buttons});
        EXPECT_EQ(got.clientWidth, c.width);
        EXPECT_EQ(got.clientHeight, c.height);
        EXPECT_EQ(got.text.width, c.width - 20);
        EXPECT_EQ(got.text.height, 24);
        EXPECT_EQ(got.row.count, c.buttons ? 2u : 0u);
        for (u32 i = 0; i < got.row.count; ++i) expectInside(got.row.buttons[i], got.clientWidth, got.clientHeight, "button");
    }
}

TEST(OptionsDialog, CheckBoxesListAndButtonsStackUp) {
    const OptionsDialogLayout got = computeOptionsDialogLayout({M, 150, 70});
    EXPECT_EQ(got.clientWidth, 450);  // 4 * 81 + 24 + 23 = 371 < 450
    EXPECT_EQ(got.checkRegistry.x, 10);
    EXPECT_EQ(got.checkRegistry.y, 10);
    EXPECT_EQ(got.checkRegistry.width, 183);
    EXPECT_EQ(got.checkFileSystem.y, 10 + 22 + 4);
    EXPECT_EQ(got.list.y, 36 + 22 + 4);
    EXPECT_EQ(got.list.width, 450 - 30);
    EXPECT_EQ(got.list.height, 5 * 24);
    EXPECT_EQ(got.columnWidths[0], 420 * 70 / 100);
    EXPECT_EQ(got.columnWidths[1], 420 * 30 / 100);
    EXPECT_EQ(got.skipUpdates.y, got.list.bottom() + 7);
    const i32 rowTop = got.skipUpdates.bottom() + 4 + 7;
    EXPECT_EQ(got.row.buttons[0].y, rowTop);
    EXPECT_EQ(got.clientHeight, rowTop + 40);
    EXPECT_EQ(computeOptionsDialogLayout({M, 150, 120}).clientWidth, 4 * 131 + 24 + 23);
}

TEST(DirectoryDialog, LabelsFieldsAndTheChangeButtonShareTheRows) {
    const DirectoryDialogLayout got = computeDirectoryDialogLayout({M, 40, 3, 52, 60});
    EXPECT_EQ(got.clientWidth, 600);
    const i32 labelColumn = 40 + 3 + 8;
    EXPECT_EQ(got.pathLabel.x, 10);
    EXPECT_EQ(got.pathLabel.y, 10 + (24 - 18) / 2);  // centred on the field row
    EXPECT_EQ(got.path.x, 10 + labelColumn);
    EXPECT_EQ(got.change.width, 63);
    EXPECT_EQ(got.change.right(), 590);  // at the right edge
    EXPECT_EQ(got.path.right() + 8, got.change.x);
    EXPECT_EQ(got.modeLabel.y, 10 + 24 + 4 + 3);
    EXPECT_EQ(got.mode.y, 38);
    EXPECT_EQ(got.mode.x, got.path.x);
    const i32 rowTop = 38 + 24 + 7;
    ASSERT_EQ(got.row.count, 3u);
    EXPECT_EQ(got.row.buttons[2].y, rowTop);
    EXPECT_EQ(got.clientHeight, rowTop + 40);
    EXPECT_EQ(computeDirectoryDialogLayout({M, 40, 3, 52, 300}).clientWidth, 3 * 311 + 16 + 23);
}

}  // namespace
}  // namespace pelorin
