#include "app/app_main.h"

#include <new>

#include "app/argument_list.h"
#include "app/dialog_loop.h"
#include "app/message_box.h"
#include "app/message_ids.h"
#include "app/run_options.h"
#include "platform/platform.h"
#include "platform/system.h"

namespace pelorin {

bool checkPlatform() {
    platform::System& system = platform::system();
    platform::OsVersion version;
    if (!system.osVersion(version) || version.platformId != platform::PLATFORM_WIN32_NT) {
        showMessage(BOX_INFORMATION, MSG_UNSUPPORTED_SYSTEM, MESSAGE_SIZE);
        return false;
    }
    if (!system.resolveWideApis()) {
        messageBox(nullptr, "Error initializing functions!", BOX_INFORMATION);
        return false;
    }
    // Set only for a 32-bit process on 64-bit Windows, which sees a redirected system.
    char architecture[128];
    if (system.environmentVariable("PROCESSOR_ARCHITEW6432", architecture, sizeof architecture) &&
        !showMessage(BOX_YES_NO_DEFAULT_NO, MSG_32_BIT_ON_64_BIT, MESSAGE_SIZE)) {
        return false;
    }
    return true;
}

void runApplication(const ArgumentList& arguments, DialogLoop dialogLoop) {
    if (!checkPlatform()) return;
    RunOptions* options = new (std::nothrow) RunOptions;
    if (!options) return;
    if (buildRunOptions(arguments, *options) && dialogLoop) dialogLoop(*options);
    delete options;
}

void appMain() { runApplication(programArguments(), runDialogLoop); }

}  // namespace pelorin
