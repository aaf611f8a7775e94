#pragma once
// The dialog loop: the start dialog or, when a phase-1 snapshot waits, the phase-2 dialog, each
// choice starting one tracking run, until the user leaves.

namespace pelorin {

struct RunOptions;

void runDialogLoop(RunOptions& options);

}  // namespace pelorin
