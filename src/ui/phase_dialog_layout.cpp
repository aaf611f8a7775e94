#include "ui/phase_dialog_layout.h"

#include <algorithm>

namespace pelorin {

PictureSize pictureButtonSize(i32 widthValue, i32 heightValue) {
    return PictureSize{widthValue + PICTURE_FRAME, heightValue + PICTURE_FRAME};
}

ButtonRow placeButtonRow(i32 dialogWidth, u32 count, i32 widestText, i32 top, const LayoutMetrics& m) {
    ButtonRow row;
    row.count = std::min(count, ButtonRow::MAX_BUTTONS);
    const i32 width = buttonWidth(widestText, m);
    row.minimumWidth = buttonRowMinimum(row.count, width, m);
    for (u32 i = 0; i < row.count; ++i) {
        row.buttons[i] = ControlBox{buttonRowX(dialogWidth, row.count, width, i, m), top, width, m.buttonHeight};
    }
    return row;
}

i32 picturesMinimumWidth(const PictureSize& picture, const LayoutMetrics& m) {
    return 2 * picture.width + m.horizontalGap + 2 * m.horizontalMargin;
}

void placePictures(i32 dialogWidth, const PictureSize& picture, i32 top, const LayoutMetrics& m, ControlBox& first,
                   ControlBox& second) {
    const i32 x = m.horizontalMargin + (dialogWidth - picturesMinimumWidth(picture, m)) / 2;
    first = ControlBox{x, top, picture.width, picture.height};
    second = ControlBox{x + picture.width + m.horizontalGap, top, picture.width, picture.height};
}

namespace {

PictureDialogLayout pictureDialog(const PictureDialogInput& in, u32 buttons, i32 picturesTop, bool withText) {
    const LayoutMetrics& m = in.metrics;
    PictureDialogLayout out;
    const i32 rowMinimum = buttonRowMinimum(buttons, buttonWidth(in.widestButtonText, m), m);
    out.clientWidth = std::max({PICTURE_DIALOG_MIN_WIDTH, rowMinimum, picturesMinimumWidth(in.picture, m)});
    if (withText) {
        out.text = ControlBox{m.horizontalMargin, m.verticalMargin, out.clientWidth - 2 * m.horizontalMargin,
                              START_TEXT_LINES * in.characterHeight};
    }
    placePictures(out.clientWidth, in.picture, picturesTop, m, out.pictures[0], out.pictures[1]);
    const i32 rowTop = picturesTop + in.picture.height + 3 * m.sectionGap;
    out.row = placeButtonRow(out.clientWidth, buttons, in.widestButtonText, rowTop, m);
    out.clientHeight = heightBelowButtonRow(rowTop, m);
    return out;
}

}  // namespace

PictureDialogLayout computeStartDialogLayout(const PictureDialogInput& in) {
    const LayoutMetrics& m = in.metrics;
    return pictureDialog(in, 4, m.verticalMargin + START_TEXT_LINES * in.characterHeight + m.sectionGap, true);
}

PictureDialogLayout computePhaseTwoDialogLayout(const PictureDialogInput& in) {
    return pictureDialog(in, 2, in.metrics.verticalMargin, false);
}

SetupDialogLayout computeSetupDialogLayout(const SetupDialogInput& in) {
    const LayoutMetrics& m = in.metrics;
    SetupDialogLayout out;
    out.clientWidth = std::max(25 * in.characterWidth, buttonRowMinimum(2, buttonWidth(in.widestButtonText, m), m));
    out.text = ControlBox{m.horizontalMargin, m.verticalMargin, out.clientWidth - 2 * m.horizontalMargin, m.fieldHeight};
    if (in.withButtons) {
        const i32 rowTop = m.verticalMargin + m.fieldHeight + m.rowGap + m.sectionGap;
        out.row = placeButtonRow(out.clientWidth, 2, in.widestButtonText, rowTop, m);
        out.clientHeight = heightBelowButtonRow(rowTop, m);
    } else {
        out.clientHeight = out.text.bottom() + m.verticalMargin;
    }
    return out;
}

OptionsDialogLayout computeOptionsDialogLayout(const OptionsDialogInput& in) {
    const LayoutMetrics& m = in.metrics;
    OptionsDialogLayout out;
    const i32 rowMinimum = buttonRowMinimum(4, buttonWidth(in.widestButtonText, m), m);
    out.clientWidth = std::max(OPTIONS_MIN_WIDTH, rowMinimum);
    const i32 checkWidth = in.widestCheckBoxText + m.checkBoxAllowance;
    out.checkRegistry = ControlBox{m.horizontalMargin, m.verticalMargin, checkWidth, m.checkBoxHeight};
    out.checkFileSystem =
        ControlBox{m.horizontalMargin, out.checkRegistry.bottom() + m.rowGap, checkWidth, m.checkBoxHeight};
    out.list = ControlBox{m.horizontalMargin, out.checkFileSystem.bottom() + m.rowGap,
                          out.clientWidth - 3 * m.horizontalMargin, OPTIONS_LIST_ROWS * m.fieldHeight};
    out.columnWidths[0] = out.list.width * 70 / 100;
    out.columnWidths[1] = out.list.width * 30 / 100;
    out.skipUpdates = ControlBox{m.horizontalMargin, out.list.bottom() + m.sectionGap, checkWidth, m.checkBoxHeight};
    const i32 rowTop = out.skipUpdates.bottom() + m.rowGap + m.sectionGap;
    out.row = placeButtonRow(out.clientWidth, 4, in.widestButtonText, rowTop, m);
    out.clientHeight = heightBelowButtonRow(rowTop, m);
    return out;
}

DirectoryDialogLayout computeDirectoryDialogLayout(const DirectoryDialogInput& in) {
    const LayoutMetrics& m = in.metrics;
    DirectoryDialogLayout out;
    const i32 rowMinimum = buttonRowMinimum(3, buttonWidth(in.widestButtonText, m), m);
    out.clientWidth = std::max(DIRECTORY_DIALOG_MIN_WIDTH, rowMinimum);
    // The labels are drawn with their colon.
    const i32 labelColumn = in.widestLabelText + in.colonWidth + m.labelPadding;
    const i32 fieldX = m.horizontalMargin + labelColumn;
    const i32 labelOffset = (m.fieldHeight - m.labelHeight) / 2;

    const i32 firstRow = m.verticalMargin;
    const i32 change = buttonWidth(in.changeTextWidth, m);
    out.change = ControlBox{out.clientWidth - m.horizontalMargin - change, firstRow, change, m.fieldHeight};
    out.pathLabel = ControlBox{m.horizontalMargin, firstRow + labelOffset, labelColumn, m.labelHeight};
    out.path = ControlBox{fieldX, firstRow, out.change.x - m.horizontalGap - fieldX, m.fieldHeight};

    const i32 secondRow = firstRow + m.fieldHeight + m.rowGap;
    out.modeLabel = ControlBox{m.horizontalMargin, secondRow + labelOffset, labelColumn, m.labelHeight};
    out.mode = ControlBox{fieldX, secondRow, out.path.width, m.fieldHeight};

    const i32 rowTop = secondRow + m.fieldHeight + m.sectionGap;
    out.row = placeButtonRow(out.clientWidth, 3, in.widestButtonText, rowTop, m);
    out.clientHeight = heightBelowButtonRow(rowTop, m);
    return out;
}

}  // namespace pelorin
