// progress_window_driver: opens the progress window and plays a parallel scan on it, for
// progress_window_test.sh, which watches and presses it with pelorin_automate.
//
//   progress_window_driver.exe <log file> <stop file> [<pause file>] [-~runtime switches]
//
// The window gets the pass texts directly, then two worker threads report registry and file
// texts (and a change now and then) in deferred mode while this thread flushes every 100 ms,
// as the parallel runner does. When the user has confirmed Cancel, the workers stop, the totals
// go to lines 3 and 6, and the driver waits for the stop file before it closes the window. The
// stop file also ends a run that is never cancelled (the script gives up). While the pause file
// exists the workers hold still, so that a screenshot catches no line half repainted.
// Its state goes to the log file, one line per event:
//   pid <n>                             the driver's process id, for pelorin_automate's attach
//   window <x> <y> <width> <height>     the dialog's screen rectangle (for the screenshots)
//   font <points> compact <0|1>         the dialog font's size and whether the layout is compact
//   cancelled 0                         the workers are running
//   cancelled 1 | stopped | timeout     the cancel request was seen (or the stop file, or neither)
//   workers <registry texts> <file texts> changes <recorded> <expected>
//   layout ok | outside <n> ...         whether every text and button lies inside the client area
//   totals shown                        lines 3 and 6 hold the totals
//   done | no stop file
// The container with the texts is appended to the executable, as to pelorin.exe.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "app/argument_list.h"
#include "app/startup.h"
#include "platform/win32/win32_platform.h"
#include "runtime/format.h"
#include "runtime/string_table.h"
#include "driver_log.h"
#include "ui/win32/dialog_base.h"
#include "ui/win32/progress_window.h"
#include "ui/win32/ui_handles.h"

namespace {

using namespace pelorin;

constexpr DWORD RUN_LIMIT_MS = 120000;

using namespace pelorin::test;

std::string text(u32 id) {
    char buffer[1024] = {};
    loadString(buffer, sizeof buffer, id, false);
    return buffer;
}

bool fileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// What a control shows must lie inside the dialog's client area, or part of it is cut off. The
// window is sized to the client size the dialog asks for, so its frame takes a few pixels of the
// margins: a static counts by its text (which may be narrower than its box), a button by its box.
void checkLayout(HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    u32 outside = 0;
    std::string first;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box = {};
        GetWindowRect(child, &box);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        char className[32] = {};
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") == 0) {
            char text[512] = {};
            GetWindowTextA(child, text, sizeof text);
            RECT drawn = {0, 0, box.right - box.left, 0};
            {
                ui::WindowDc dc(child);
                ui::SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
                DrawTextA(dc.get(), text, -1, &drawn, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            }
            // A text wider or (wrapped) taller than its own box is cut off by the box.
            const bool fits = drawn.right <= box.right - box.left && drawn.bottom <= box.bottom - box.top;
            box.right = box.left + (fits ? drawn.right : 1 << 20);
            box.bottom = box.top + drawn.bottom;
        }
        if (box.left < 0 || box.top < 0 || box.right > client.right || box.bottom > client.bottom) {
            if (!outside++) first = std::string(className) + " " + std::to_string(box.right) + "x" + std::to_string(box.bottom);
        }
    }
    logLine(outside ? "outside " + std::to_string(outside) + " " + first + " in " + std::to_string(client.right) + "x" +
                          std::to_string(client.bottom)
                    : "layout ok");
}

struct Worker {
    std::atomic<u32> texts{0};
    std::atomic<u32> changes{0};
};

std::atomic<bool> gPaused{false};

void holdWhilePaused(ProgressWindow& sink, const std::atomic<bool>& stop) {
    while (gPaused && !stop && !sink.isCancelled()) Sleep(10);
}

// The registry side: key paths on line 4, the change count on line 5.
void reportRegistry(ProgressWindow& sink, Worker& self, const std::atomic<bool>& stop) {
    const std::string changes = text(183);
    for (u32 i = 1; !stop && !sink.isCancelled(); ++i) {
        sink.showStatus(STATUS_RUNNING, 4, "HKLM\\SOFTWARE\\Classes\\CLSID\\{%08X-0000-0000}", i * 2654435761u);
        char count[32];
        formatText(count, sizeof count, "%$u", i / 7);
        sink.showStatus(STATUS_RUNNING, 5, changes.c_str(), count);
        if (i % 7 == 0) {
            sink.addChange(1, u"HKLM\\SOFTWARE\\Orvex\\Added", nullptr, 0, nullptr);
            ++self.changes;
        }
        ++self.texts;
        Sleep(1);
        holdWhilePaused(sink, stop);
    }
}

// The file-system side: path, size, time stamp and digest on lines 7 to 10.
void reportFiles(ProgressWindow& sink, Worker& self, const std::atomic<bool>& stop) {
    const std::string size = text(162);
    const std::string time = text(163);
    const std::string digest = text(164);
    for (u32 i = 1; !stop && !sink.isCancelled(); ++i) {
        sink.showStatus(STATUS_RUNNING, 7, "C:\\Windows\\System32\\drivers\\file%05u.sys", i);
        char number[32];
        formatText(number, sizeof number, "%$u", i * 4093u);
        sink.showStatus(STATUS_DETAIL, 8, size.c_str(), number);
        formatText(number, sizeof number, "2024-05-%02u 10:%02u:%02u", 1 + i % 28, i % 60, (i * 7) % 60);
        sink.showStatus(STATUS_DETAIL, 9, time.c_str(), number);
        sink.showStatus(STATUS_DETAIL, 10, digest.c_str(), "9e107d9d372bb6826bd81d3542a419d6");
        if (i % 11 == 0) {
            sink.addChange(6, u"C:\\Program Files\\Orvex\\added.dll", nullptr, 0, nullptr);
            ++self.changes;
        }
        ++self.texts;
        Sleep(1);
        holdWhilePaused(sink, stop);
    }
}

// Keeps the window alive until `done` says so or the time is up.
template <class Done>
bool flushUntil(ProgressWindow& window, DWORD limitMs, const std::string& pausePath, Done done) {
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        gPaused = !pausePath.empty() && fileExists(pausePath.c_str());
        window.flush();
    }
    return true;
}

void runDriver() {
    ArgumentList& arguments = programArguments();
    if (arguments.count() < 3) return;
    const std::string logPath = arguments.at(1);
    const std::string stopPath = arguments.at(2);
    const std::string pausePath = arguments.count() > 3 ? arguments.at(3) : "";
    gLog = std::fopen(logPath.c_str(), "wb");  // LF only: the test script reads it
    if (!gLog) return;
    logLine("pid " + std::to_string(GetCurrentProcessId()));

    {
        ProgressWindow window;
        HWND dialog = window.window();
        if (!dialog) {
            logLine("no window");
            std::fclose(gLog);
            return;
        }
        RECT frame = {};
        GetWindowRect(dialog, &frame);
        logLine("window " + std::to_string(frame.left) + " " + std::to_string(frame.top) + " " +
                std::to_string(frame.right - frame.left) + " " + std::to_string(frame.bottom - frame.top));
        logLine("font " + std::to_string(window.dialog()->fontRequest().points) + " compact " +
                std::to_string(DialogBase::isCompactMode(dialog) ? 1 : 0));

        window.showStatus(STATUS_ALWAYS, 0, text(129).c_str());
        window.showStatus(STATUS_ALWAYS, 1, text(160).c_str());
        window.showStatus(STATUS_ALWAYS, 2, text(161).c_str());

        window.deferredMode = 1;
        std::atomic<bool> stop{false};
        Worker registry;
        Worker files;
        std::thread registryThread(reportRegistry, std::ref(window), std::ref(registry), std::cref(stop));
        std::thread fileThread(reportFiles, std::ref(window), std::ref(files), std::cref(stop));
        logLine("cancelled 0");
        const bool ended = flushUntil(window, RUN_LIMIT_MS, pausePath,
                                      [&] { return window.isCancelled() || fileExists(stopPath.c_str()); });
        logLine(!ended ? "timeout" : window.isCancelled() ? "cancelled 1" : "stopped");
        stop = true;
        registryThread.join();
        fileThread.join();
        window.deferredMode = 0;
        window.flush();
        logLine("workers " + std::to_string(registry.texts) + " " + std::to_string(files.texts) + " changes " +
                std::to_string(window.changes().count()) + " " + std::to_string(registry.changes + files.changes));

        char count[32];
        formatText(count, sizeof count, "%$u", registry.texts.load());
        window.showStatus(STATUS_ALWAYS, 3, text(170).c_str(), count);
        formatText(count, sizeof count, "%$u", files.texts.load());
        window.showStatus(STATUS_ALWAYS, 6, text(168).c_str(), count);
        checkLayout(dialog);  // every line holds a text now
        logLine("totals shown");
        const bool stopped = flushUntil(window, 60000, "", [&] { return fileExists(stopPath.c_str()); });
        logLine(stopped ? "done" : "no stop file");
    }
    std::fclose(gLog);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    platform::installWin32Platform();
    registerStaticClass();
    return runStartup(GetCommandLineA(), runDriver);
}
