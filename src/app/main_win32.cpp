// The program's entry point: the real platform, then the runtime's start-up.
#include <windows.h>

#include "app/app_main.h"
#include "app/phase_flow.h"
#include "app/startup.h"
#include "app/win32/phase_flow_ui.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/dialog_base.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    pelorin::platform::installWin32Platform();
    pelorin::registerStaticClass();
    pelorin::setPhaseFlowUiFactory(pelorin::createWin32PhaseFlowUi);
    return pelorin::runStartup(GetCommandLineA(), pelorin::appMain);
}
