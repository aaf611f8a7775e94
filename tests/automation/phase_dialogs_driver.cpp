// phase_dialogs_driver: opens one of the phase dialogs, for phase_dialogs_test.sh, which drives
// it with pelorin_automate as a user would.
//
//   phase_dialogs_driver.exe <log file> start|phase2|question|running|options [<stop file>]
//
// "running" shows the modeless "Running setup..." dialog holding two small trees until the stop
// file appears. What the shell would be asked to open is logged instead of opened. Its log:
//   pid <n>
//   window <x> <y> <width> <height>     a dialog's screen rectangle (for the screenshots), for
//                                       each dialog shown, followed by
//   layout ok | outside <n>             whether every control lies inside its client area
//   menu delete=<0|1> new=<0|1>         a right click's popup menu in the options dialog
//   open <target>
//   result <n> mode <m> load <0|1> choice <c>
//   options registry=<0|1> filesystem=<0|1> skip=<0|1>
//   path <mode> <path>                  the directories after the dialog, in order
//   remembered <file name> | remembered none    the snapshot name in the registry at the end
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/argument_list.h"
#include "app/registry_strings.h"
#include "app/run_options.h"
#include "app/startup.h"
#include "platform/win32/win32_platform.h"
#include "runtime/text.h"
#include "snapshot/snapshot_tree.h"
#include "driver_log.h"
#include "ui/win32/dialog_base.h"
#include "ui/win32/phase_dialogs.h"
#include "ui/win32/shell_open.h"

namespace {

using namespace pelorin;

using namespace pelorin::test;

bool noStrings(char*, u32, u32, bool) { return false; }

void checkLayout(HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    u32 outside = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        if (!IsWindowVisible(child) || std::strcmp(name, "tooltips_class32") == 0) continue;
        RECT box = {};
        GetWindowRect(child, &box);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        // A drop-down list's window reaches below its field by the opened list.
        if (std::strcmp(name, "ComboBox") == 0) box.bottom = box.top + 1;
        if (box.left < 0 || box.top < 0 || box.right > client.right || box.bottom > client.bottom) ++outside;
    }
    logLine(outside ? "outside " + std::to_string(outside) : "layout ok");
}

// Logs the rectangle and layout of every dialog of this thread once it is shown (from the
// thread's own timer), so that a dialog opened from another one is seen too.
VOID CALLBACK reportWindows(HWND, UINT, UINT_PTR, DWORD) {
    static std::vector<HWND> seen;
    std::vector<HWND> shown;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) == "#32770" && IsWindowVisible(window)) {
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    for (HWND dialog : shown) {
        if (std::find(seen.begin(), seen.end(), dialog) != seen.end()) continue;
        seen.push_back(dialog);
        RECT frame = {};
        GetWindowRect(dialog, &frame);
        logLine("window " + std::to_string(frame.left) + " " + std::to_string(frame.top) + " " +
                std::to_string(frame.right - frame.left) + " " + std::to_string(frame.bottom - frame.top));
        checkLayout(dialog);
    }
}

class LoggingOptionsDialog : public OptionsDialog {
public:
    using OptionsDialog::OptionsDialog;

protected:
    // The states the user would see; the command comes from the test as the menu would send it.
    void trackMenu(HMENU menu, POINT) override {
        auto enabled = [menu](u32 id) {
            return (GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) ? "0" : "1";
        };
        logLine(std::string("menu delete=") + enabled(MENU_DELETE) + " new=" + enabled(MENU_NEW));
    }
};

void logOptions(const RunOptions& options) {
    logLine(std::string("options registry=") + (options.checkRegistry ? "1" : "0") +
            " filesystem=" + (options.checkFileSystem ? "1" : "0") + " skip=" + (options.skipWindowsUpdateFiles ? "1" : "0"));
    for (u32 i = 0; i < options.directoryCount(); ++i) {
        const DirectoryEntry* entry = options.directoryAt(i);
        logLine("path " + std::to_string(entry->mode) + " " + narrow(entry->path ? entry->path.get() : u""));
    }
}

bool fileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void runDriver() {
    ArgumentList& arguments = programArguments();
    if (arguments.count() < 3) return;
    gLog = std::fopen(arguments.at(1), "wb");  // LF only: the test script reads it
    if (!gLog) return;
    const std::string which = arguments.at(2);
    const std::string stopPath = arguments.count() > 3 ? arguments.at(3) : "";
    logLine("pid " + std::to_string(GetCurrentProcessId()));
    setShellOpener(logOpen);
    SetTimer(nullptr, 0, 300, reportWindows);

    RunOptions options;
    appendDirectory(options, u"C:\\windows", MODE_COMPLETE);
    appendDirectory(options, u"C:\\users", MODE_QUICK);
    u32 mode = 0, choice = 0;
    bool load = false;
    INT_PTR result = -2;
    if (which == "start") {
        result = runStartDialog(options, mode, load);
    } else if (which == "phase2") {
        result = runPhaseTwoDialog(options, choice);
    } else if (which == "options") {
        LoggingOptionsDialog dialog(nullptr, options);
        result = dialog.runDialog();
        logOptions(options);
    } else if (which == "question" || which == "running") {
        // The trees an end-session save writes.
        SnapshotTree registry(nullptr, TREE_REGISTRY, noStrings);
        SnapshotTree files(nullptr, TREE_FILE_SYSTEM, noStrings);
        registry.addNode(0, false, nullptr, u"HKLM", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
        const u64 size = 3;
        files.addNode(0, true, nullptr, u"C:\\setup.log", nullptr, &size, nullptr, nullptr, nullptr, 0);
        deleteRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0);
        if (which == "question") {
            result = runSetupQuestion(nullptr, nullptr, &registry, &files, &options);
        } else {
            SetupDialog dialog(true, nullptr, nullptr, &registry, &files, &options, TEXT_RUNNING_SETUP);
            result = dialog.runDialog() ? 1 : 0;
            // The wait loop of the phase flow: pump the dialog's messages.
            const ULONGLONG deadline = GetTickCount64() + 120000;
            while (!fileExists(stopPath.c_str()) && GetTickCount64() < deadline) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                MSG message;
                while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
        }
        char remembered[1024] = {};
        if (readRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0, remembered,
                               sizeof remembered)) {
            logLine(std::string("remembered ") + remembered + (fileExists(remembered) ? " exists" : " missing"));
        } else {
            logLine("remembered none");
        }
    }
    logLine("result " + std::to_string(result) + " mode " + std::to_string(mode) + " load " + (load ? "1" : "0") +
            " choice " + std::to_string(choice));
    std::fclose(gLog);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    platform::installWin32Platform();
    registerStaticClass();
    return runStartup(GetCommandLineA(), runDriver);
}
