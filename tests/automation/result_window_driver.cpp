// result_window_driver: opens the result window on a sample list of differences, for
// result_window_test.sh, which drives it with pelorin_automate as a user would.
//
//   result_window_driver.exe <log file>
//
// The web search and the help open nothing: what the shell would be handed is logged. The undo
// is the list's own: the added file is created first, so that its undo succeeds, and the added
// directory "locked" does not exist, so that its undo fails. Its log, one line per event:
//   pid <n>
//   window <x> <y> <width> <height>     the dialog's screen rectangle (for the screenshots)
//   layout ok | outside <n>             whether every control lies inside the client area
//   rows <visible rows> columns <w0> <w1> <w2> <w3>
//   menu undo=<0|1> search=<0|1> copy=<0|1> copyall=<0|1>   a right click's popup menu
//   undo <first text> ok|failed
//   open <target>                       what the shell was asked to open
//   file gone | file present            the added file after the window closed
//   result <n>                          the window's end
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "app/argument_list.h"
#include "app/startup.h"
#include "platform/win32/win32_platform.h"
#include "results/sort_results.h"
#include "results/undo.h"
#include "runtime/text.h"
#include "driver_log.h"
#include "ui/win32/dialog_base.h"
#include "ui/win32/result_window.h"
#include "ui/win32/shell_open.h"

namespace {

using namespace pelorin;

using namespace pelorin::test;

// The list's own undo, logged.
class LoggingUndo : public ResultUndo {
public:
    bool canUndo(const ResultEntry& entry) override { return resultListUndo().canUndo(entry); }
    bool undo(ResultEntry& entry) override {
        const bool ok = resultListUndo().undo(entry);
        logLine("undo " + narrow(entry.text1 ? entry.text1 : u"") + (ok ? " ok" : " failed"));
        return ok;
    }
};

class LoggingResultWindow : public ResultWindow {
public:
    using ResultWindow::ResultWindow;

protected:
    bool build(HWND window, DialogSize& size) override {
        if (!ResultWindow::build(window, size)) return false;
        std::string line = "rows " + std::to_string(SendMessageW(listView(), LVM_GETCOUNTPERPAGE, 0, 0)) + " columns";
        for (int column = 0; column < 4; ++column) {
            line += " " + std::to_string(SendMessageW(listView(), LVM_GETCOLUMNWIDTH, column, 0));
        }
        logLine(line);
        return true;
    }
    // The states the user would see; the menu loop itself is left out, a command comes from the
    // test as the menu would send it.
    void trackMenu(HMENU menu, POINT) override {
        auto enabled = [menu](u32 id) {
            return (GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) ? "0" : "1";
        };
        logLine(std::string("menu undo=") + enabled(MENU_UNDO) + " search=" + enabled(MENU_SEARCH) +
                " copy=" + enabled(MENU_COPY) + " copyall=" + enabled(MENU_COPY_ALL));
    }
};

// Every child window must lie inside the dialog's client area, or part of it is cut off.
void checkLayout(HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    u32 outside = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box = {};
        GetWindowRect(child, &box);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        if (box.left < 0 || box.top < 0 || box.right > client.right || box.bottom > client.bottom) ++outside;
    }
    logLine(outside ? "outside " + std::to_string(outside) : "layout ok");
}

HWND gDialog = nullptr;

// Logs the window's rectangle and layout once it is shown (from its own thread's timer).
VOID CALLBACK reportWindow(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND dialog = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    gDialog = dialog;
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    logLine("window " + std::to_string(frame.left) + " " + std::to_string(frame.top) + " " +
            std::to_string(frame.right - frame.left) + " " + std::to_string(frame.bottom - frame.top));
    checkLayout(dialog);
}

void addSample(ResultList& list) {
    static const u8 oldData[] = {'1', 0, '.', 0, '0', 0, 0, 0};
    struct Sample {
        u32 kind;
        const char16_t* text1;
        const char16_t* text2;
        u32 priority;
        bool data;
    };
    const Sample samples[] = {
        {RESULT_FILE_CHANGED, u"C:\\windows\\win.ini", nullptr, 0, false},
        {RESULT_REG_VALUE_ADDED, u"OrvexUpdater", u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 1, false},
        {RESULT_FILE_ADDED, u"C:\\Program Files\\Orvex Tools\\orvex tool.exe", nullptr, 3, false},
        {RESULT_REG_KEY_ADDED, u"HKLM\\SOFTWARE\\Orvex\\Tools", nullptr, 0, false},
        {RESULT_REG_VALUE_CHANGED, u"Version", u"HKLM\\SOFTWARE\\Orvex", 2, true},
        {RESULT_DIR_ADDED, u"C:\\Program Files\\Orvex Tools\\locked", nullptr, 0, false},
    };
    for (const Sample& s : samples) {
        list.addChange(s.kind, s.text1, s.text2, s.data ? sizeof oldData : 0, s.data ? oldData : nullptr);
        list.entry(list.count() - 1)->priority = s.priority;
    }
    sortResults(list, SORT_BY_PRIORITY);
}

void runDriver() {
    ArgumentList& arguments = programArguments();
    if (arguments.count() < 2) return;
    gLog = std::fopen(arguments.at(1), "wb");  // LF only: the test script reads it
    if (!gLog) return;
    logLine("pid " + std::to_string(GetCurrentProcessId()));
    setShellOpener(logOpen);

    ResultList list;
    addSample(list);
    // The added file exists, so that its undo succeeds; the added directory does not, so that
    // its undo fails.
    CreateDirectoryW(L"C:\\Program Files\\Orvex Tools", nullptr);
    const wchar_t* added = L"C:\\Program Files\\Orvex Tools\\orvex tool.exe";
    HANDLE file = CreateFileW(added, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    RemoveDirectoryW(L"C:\\Program Files\\Orvex Tools\\locked");
    LoggingUndo undo;
    const std::string title = resultWindowTitle();
    LoggingResultWindow window(title.c_str(), nullptr, list, &undo);
    SetTimer(nullptr, 0, 300, reportWindow);
    const INT_PTR result = window.runDialog();
    logLine(GetFileAttributesW(added) == INVALID_FILE_ATTRIBUTES ? "file gone" : "file present");
    logLine("result " + std::to_string(result));
    std::fclose(gLog);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    platform::installWin32Platform();
    registerStaticClass();
    return runStartup(GetCommandLineA(), runDriver);
}
