#pragma once
// The phase flow's user interface on Windows: the phase dialogs, the progress window, the
// result window and the system's file dialogs.
#include <memory>

#include "app/phase_flow.h"

namespace pelorin {

std::unique_ptr<PhaseFlowUi> createWin32PhaseFlowUi();

}  // namespace pelorin
