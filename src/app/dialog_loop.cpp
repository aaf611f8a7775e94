#include "app/dialog_loop.h"

#include "app/run_options.h"

namespace pelorin {

// NOT YET BUILT: the phase dialogs and the tracking run come with their own work. Until then
// the program ends once the run options are built and checked.
void runDialogLoop(RunOptions&) {}

}  // namespace pelorin
