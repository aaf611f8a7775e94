#pragma once
// The runtime switches ("-~", see app/startup.h) that tune the dialogs for unusual screens.
#include "runtime/types.h"

namespace pelorin {

class ArgumentList;

// The switches, whose names the program keeps scrambled (they are for support, not for the
// manual):
//   "-~compact"                    compact layout and a 9-point font, whatever the screen
//   "-~fontscale:<percent>"        grows the dialog font by 1 to 500 percent, or shrinks it by a
//                                  negative percentage
//   "-~fontquality:<n>"            the LOGFONT quality of the dialog fonts (0 default,
//                                  3 non-antialiased, 4 antialiased, 5 ClearType)
//   "-~workarea:<width>,<height>"  the work area in pixels instead of the monitor's

struct DialogSwitches {
    bool compact = false;
    bool hasFontPercent = false;
    i32 fontPercent = 0;
    bool hasFontQuality = false;
    u8 fontQuality = 0;
    bool hasWorkArea = false;
    i32 workAreaWidth = 0;
    i32 workAreaHeight = 0;
};

// Reads the switches; a value that does not parse leaves its setting out, and of several
// switches of one kind the last counts.
DialogSwitches readDialogSwitches(const ArgumentList& switches);

}  // namespace pelorin
