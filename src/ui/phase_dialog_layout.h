#pragma once
// Where the phase dialogs put their controls: the start dialog, the phase-2 dialog, the setup
// dialog, the options dialog and the directory entry dialog, from the layout metrics and the
// measured texts. Free of Windows so that the arithmetic is tested natively.
#include "runtime/types.h"
#include "ui/dialog_layout.h"
#include "ui/progress_layout.h"

namespace pelorin {

// The picture buttons: the size of the bitmaps (string 102, default 172, and string 103,
// default 204) plus 5 pixels each way.
constexpr i32 DEFAULT_PICTURE_WIDTH = 172;
constexpr i32 DEFAULT_PICTURE_HEIGHT = 204;
constexpr i32 PICTURE_FRAME = 5;

struct PictureSize {
    i32 width = DEFAULT_PICTURE_WIDTH + PICTURE_FRAME;
    i32 height = DEFAULT_PICTURE_HEIGHT + PICTURE_FRAME;
};
PictureSize pictureButtonSize(i32 widthValue, i32 heightValue);

// A row of `count` push buttons of one width, centred, with its top at `top`.
struct ButtonRow {
    static constexpr u32 MAX_BUTTONS = 4;
    ControlBox buttons[MAX_BUTTONS];
    u32 count = 0;
    i32 minimumWidth = 0;
};
ButtonRow placeButtonRow(i32 dialogWidth, u32 count, i32 widestText, i32 top, const LayoutMetrics& metrics);

// The two picture buttons side by side, centred, with their top at `top`.
void placePictures(i32 dialogWidth, const PictureSize& picture, i32 top, const LayoutMetrics& metrics,
                   ControlBox& first, ControlBox& second);
// The narrowest dialog for the two pictures.
i32 picturesMinimumWidth(const PictureSize& picture, const LayoutMetrics& metrics);

// ---- start dialog and phase-2 dialog ------------------------------------------------------------

struct PictureDialogInput {
    LayoutMetrics metrics;
    i32 characterHeight = 1;
    PictureSize picture;
    i32 widestButtonText = 0;
};

struct PictureDialogLayout {
    ControlBox text;       // the start dialog's introduction; empty for the phase-2 dialog
    ControlBox pictures[2];
    ButtonRow row;
    i32 clientWidth = 0;
    i32 clientHeight = 0;
};

constexpr i32 PICTURE_DIALOG_MIN_WIDTH = 400;
constexpr i32 START_TEXT_LINES = 7;

// Introduction (seven lines), the pictures, and Load, Options, Cancel, Help.
PictureDialogLayout computeStartDialogLayout(const PictureDialogInput& input);
// The pictures at the top margin, and Cancel, Help.
PictureDialogLayout computePhaseTwoDialogLayout(const PictureDialogInput& input);

// ---- setup dialog -------------------------------------------------------------------------------

struct SetupDialogInput {
    LayoutMetrics metrics;
    i32 characterWidth = 1;
    i32 widestButtonText = 0;  // of Yes and No
    bool withButtons = false;  // the modal question
};

struct SetupDialogLayout {
    ControlBox text;
    ButtonRow row;  // empty without buttons
    i32 clientWidth = 0;
    i32 clientHeight = 0;
};

SetupDialogLayout computeSetupDialogLayout(const SetupDialogInput& input);

// ---- options dialog -----------------------------------------------------------------------------

struct OptionsDialogInput {
    LayoutMetrics metrics;
    i32 widestCheckBoxText = 0;  // of the three check boxes
    i32 widestButtonText = 0;    // of OK, Cancel, Help, Homepage
};

struct OptionsDialogLayout {
    ControlBox checkRegistry;
    ControlBox checkFileSystem;
    ControlBox list;
    i32 columnWidths[2] = {};
    ControlBox skipUpdates;
    ButtonRow row;
    i32 clientWidth = 0;
    i32 clientHeight = 0;
};

constexpr i32 OPTIONS_MIN_WIDTH = 450;
constexpr i32 OPTIONS_LIST_ROWS = 5;

OptionsDialogLayout computeOptionsDialogLayout(const OptionsDialogInput& input);

// ---- directory entry dialog ---------------------------------------------------------------------

struct DirectoryDialogInput {
    LayoutMetrics metrics;
    i32 widestLabelText = 0;   // "Path" and "Mode" as drawn, without the colon
    i32 colonWidth = 0;
    i32 changeTextWidth = 0;   // the "Change" button's text
    i32 widestButtonText = 0;  // of OK, Cancel, Help
};

struct DirectoryDialogLayout {
    ControlBox pathLabel;
    ControlBox path;
    ControlBox change;
    ControlBox modeLabel;
    ControlBox mode;  // the visible field; the drop-down opens below it
    ButtonRow row;
    i32 clientWidth = 0;
    i32 clientHeight = 0;
};

constexpr i32 DIRECTORY_DIALOG_MIN_WIDTH = 600;

DirectoryDialogLayout computeDirectoryDialogLayout(const DirectoryDialogInput& input);

}  // namespace pelorin
