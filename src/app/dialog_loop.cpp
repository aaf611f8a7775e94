#include "app/dialog_loop.h"

#include "app/phase_flow.h"
#include "app/run_options.h"

namespace pelorin {
namespace {
PhaseFlowUiFactory gFactory = nullptr;
}  // namespace

void setPhaseFlowUiFactory(PhaseFlowUiFactory factory) { gFactory = factory; }

void runDialogLoop(RunOptions& options) {
    if (!gFactory) return;
    std::unique_ptr<PhaseFlowUi> ui = gFactory();
    if (ui) runDialogLoop(*ui, options);
}

}  // namespace pelorin
