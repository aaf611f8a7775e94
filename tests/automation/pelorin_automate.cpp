// pelorin_automate: drives the program's windows from outside, for the integration tests.
//
//   pelorin_automate <step> [<step> ...]
//
// Steps run in order; the first one that fails ends the run with exit code 1 (2 for a usage
// error). Options are written name=value. Timeouts are in seconds (default 30).
//
//   start <command line>        start a program (the whole command line as one argument); it
//                               becomes the current process; prints "pid <n>"
//   attach <pid>                make a running process the current one
//   wait [title=T] [class=C] [text=X] [timeout=S]
//                               wait for a visible top-level window of the current process (of
//                               any process when there is none) whose title and class are exactly
//                               T and C (either may be left out) and, with text=, that has a
//                               control whose text is exactly X; it becomes the current window
//   texts                       print the current window, "window<TAB>class<TAB>title", then one
//                               line per control, "control<TAB>id<TAB>class<TAB>text"
//   press <button>              press a button of the current window, by its text ("&" ignored)
//                               or by "#<id>", and wait until the window has gone or stays
//   answer <button> [title=T] [timeout=S]
//                               wait for a message box (class #32770) other than the current
//                               window (a dialog of the program has that class too), print it,
//                               press <button>
//   windows                     list the top-level windows of the current process,
//                               "toplevel<TAB>handle<TAB>visible<TAB>class<TAB>title"
//   exit [timeout=S] [code=N]   wait for the current process to end and print "exit <code>";
//                               fails (listing the windows left) when it does not end in time,
//                               or when its exit code is not N
//   sleep <milliseconds>
//   command <id>                post WM_COMMAND <id> (as a menu sends it) to the current window
//   clipboard                   print the clipboard's text, "clipboard<TAB>text"
//   key <control id> <key>      press and release a virtual key (a number) in a control
//   column <control id> <n>     click the heading of column n of a list view
//   click <control id> left|right|double <row>
//                               click a list view's row (counted from the top of the view), or
//                               with row "empty" the empty space at the bottom of the view
//   send <control id> <message> [<wparam> [<lparam>]]
//                               send a message (numbers) to a control, or to the current window
//                               for id 0, and print "sent<TAB>result"
//   settext <control id> <text> set a control's text, as typing would
//
// Texts are printed in UTF-8; a CR, LF or TAB inside a text is written as \r, \n or \t.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultTimeoutMs = 30000;
constexpr DWORD kPollMs = 100;

HANDLE gProcess = nullptr;
DWORD gProcessId = 0;
HWND gWindow = nullptr;

void writeUtf8(const std::wstring& text) {
    if (text.empty()) return;
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void printLine(const std::wstring& line) { writeUtf8(line + L"\n"); }

void fail(const std::wstring& message) {
    std::fwprintf(stderr, L"pelorin_automate: %ls\n", message.c_str());
}

std::wstring escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\r') out += L"\\r";
        else if (c == L'\n') out += L"\\n";
        else if (c == L'\t') out += L"\\t";
        else out += c;
    }
    return out;
}

std::wstring className(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

std::wstring titleOf(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

// Controls of another process answer WM_GETTEXT through the system's marshalling.
std::wstring controlText(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"";
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_ABORTIFHUNG, 2000, &got);
    return std::wstring(buffer.data());
}

std::wstring withoutMnemonics(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) {
            ++i;  // "&&" is a literal "&"
        }
        out += text[i];
    }
    return out;
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> controlsOf(HWND window) {
    std::vector<HWND> controls;
    EnumChildWindows(
        window,
        [](HWND control, LPARAM context) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(context)->push_back(control);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    return controls;
}

DWORD processOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// ---- operands ---------------------------------------------------------------------------

struct Options {
    std::wstring title;
    bool hasTitle = false;
    std::wstring windowClass;
    bool hasClass = false;
    DWORD timeoutMs = kDefaultTimeoutMs;
    bool hasCode = false;
    DWORD code = 0;
    HWND exclude = nullptr;  // a window that does not count as found
    std::wstring controlText;
    bool hasControlText = false;
};

bool isOption(const wchar_t* arg) {
    return wcsncmp(arg, L"title=", 6) == 0 || wcsncmp(arg, L"class=", 6) == 0 || wcsncmp(arg, L"timeout=", 8) == 0 ||
           wcsncmp(arg, L"code=", 5) == 0 || wcsncmp(arg, L"text=", 5) == 0;
}

// Consumes the name=value operands that follow a step.
Options readOptions(int argc, wchar_t** argv, int& i) {
    Options options;
    while (i < argc && isOption(argv[i])) {
        const wchar_t* arg = argv[i++];
        if (wcsncmp(arg, L"title=", 6) == 0) {
            options.title = arg + 6;
            options.hasTitle = true;
        } else if (wcsncmp(arg, L"class=", 6) == 0) {
            options.windowClass = arg + 6;
            options.hasClass = true;
        } else if (wcsncmp(arg, L"timeout=", 8) == 0) {
            options.timeoutMs = static_cast<DWORD>(wcstod(arg + 8, nullptr) * 1000);
        } else if (wcsncmp(arg, L"text=", 5) == 0) {
            options.controlText = arg + 5;
            options.hasControlText = true;
        } else {
            options.code = static_cast<DWORD>(wcstoul(arg + 5, nullptr, 0));
            options.hasCode = true;
        }
    }
    return options;
}

// ---- steps ------------------------------------------------------------------------------

bool start(const wchar_t* commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        fail(L"cannot start: " + line + L" (error " + std::to_wstring(GetLastError()) + L")");
        return false;
    }
    CloseHandle(info.hThread);
    if (gProcess) CloseHandle(gProcess);
    gProcess = info.hProcess;
    gProcessId = info.dwProcessId;
    gWindow = nullptr;
    printLine(L"pid " + std::to_wstring(gProcessId));
    return true;
}

bool attach(const wchar_t* pidText) {
    const DWORD pid = static_cast<DWORD>(wcstoul(pidText, nullptr, 0));
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) {
        fail(L"cannot attach to process " + std::wstring(pidText));
        return false;
    }
    if (gProcess) CloseHandle(gProcess);
    gProcess = process;
    gProcessId = pid;
    gWindow = nullptr;
    return true;
}

HWND findWindow(const Options& options) {
    for (HWND window : topLevelWindows()) {
        if (gProcessId && processOf(window) != gProcessId) continue;
        if (!IsWindowVisible(window) || window == options.exclude) continue;
        if (options.hasClass && className(window) != options.windowClass) continue;
        if (options.hasTitle && titleOf(window) != options.title) continue;
        if (options.hasControlText) {
            bool found = false;
            for (HWND control : controlsOf(window)) found = found || controlText(control) == options.controlText;
            if (!found) continue;
        }
        return window;
    }
    return nullptr;
}

bool processEnded() { return gProcess && WaitForSingleObject(gProcess, 0) == WAIT_OBJECT_0; }

bool waitWindow(const Options& options) {
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    for (;;) {
        if (HWND window = findWindow(options)) {
            gWindow = window;
            return true;
        }
        if (processEnded()) {
            fail(L"the process ended before the window appeared");
            return false;
        }
        if (GetTickCount64() >= deadline) {
            fail(L"no window with title \"" + options.title + L"\" and class \"" + options.windowClass + L"\"");
            return false;
        }
        Sleep(kPollMs);
    }
}

bool texts() {
    if (!gWindow || !IsWindow(gWindow)) {
        fail(L"no current window");
        return false;
    }
    printLine(L"window\t" + className(gWindow) + L"\t" + escaped(titleOf(gWindow)));
    for (HWND control : controlsOf(gWindow)) {
        printLine(L"control\t" + std::to_wstring(GetDlgCtrlID(control)) + L"\t" + className(control) + L"\t" +
                  escaped(controlText(control)));
    }
    return true;
}

bool press(const std::wstring& button, DWORD timeoutMs) {
    if (!gWindow || !IsWindow(gWindow)) {
        fail(L"no current window");
        return false;
    }
    HWND target = nullptr;
    const bool byId = !button.empty() && button[0] == L'#';
    const int id = byId ? static_cast<int>(wcstol(button.c_str() + 1, nullptr, 0)) : 0;
    for (HWND control : controlsOf(gWindow)) {
        if (byId ? GetDlgCtrlID(control) == id
                 : _wcsicmp(className(control).c_str(), L"Button") == 0 &&
                       withoutMnemonics(controlText(control)) == withoutMnemonics(button)) {
            target = control;
            break;
        }
    }
    if (!target) {
        fail(L"no button " + button);
        return false;
    }
    // A posted command works whatever window has the focus, across processes.
    HWND parent = GetParent(target);
    PostMessageW(parent ? parent : gWindow, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(target), BN_CLICKED),
                 reinterpret_cast<LPARAM>(target));
    // Wait for the window to close, so the next step cannot find it again; a window that stays
    // (a button that does not close it) is fine once the time is up.
    const ULONGLONG deadline = GetTickCount64() + (timeoutMs < 5000 ? timeoutMs : 5000);
    while (IsWindow(gWindow) && IsWindowVisible(gWindow) && GetTickCount64() < deadline) Sleep(kPollMs / 2);
    return true;
}

bool windows() {
    for (HWND window : topLevelWindows()) {
        if (gProcessId && processOf(window) != gProcessId) continue;
        wchar_t handle[32];
        swprintf(handle, 32, L"%p", static_cast<void*>(window));
        printLine(std::wstring(L"toplevel\t") + handle + L"\t" + (IsWindowVisible(window) ? L"1" : L"0") + L"\t" +
                  className(window) + L"\t" + escaped(titleOf(window)));
    }
    return true;
}

bool waitExit(const Options& options) {
    if (!gProcess) {
        fail(L"no current process");
        return false;
    }
    if (WaitForSingleObject(gProcess, options.timeoutMs) != WAIT_OBJECT_0) {
        fail(L"the process did not end; its windows:");
        windows();
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(gProcess, &code);
    printLine(L"exit " + std::to_wstring(code));
    if (options.hasCode && code != options.code) {
        fail(L"unexpected exit code " + std::to_wstring(code));
        return false;
    }
    return true;
}

bool command(const wchar_t* idText) {
    if (!gWindow || !IsWindow(gWindow)) {
        fail(L"no current window");
        return false;
    }
    const WORD id = static_cast<WORD>(wcstoul(idText, nullptr, 0));
    PostMessageW(gWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    Sleep(300);
    return true;
}

bool clipboard() {
    std::wstring text;
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt) Sleep(50);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    printLine(L"clipboard\t" + escaped(text));
    return true;
}

HWND controlById(const wchar_t* idText) {
    HWND control = gWindow ? GetDlgItem(gWindow, static_cast<int>(wcstol(idText, nullptr, 0))) : nullptr;
    if (!control) fail(std::wstring(L"no control ") + idText);
    return control;
}

bool key(const wchar_t* idText, const wchar_t* keyText) {
    HWND control = controlById(idText);
    if (!control) return false;
    const WPARAM virtualKey = wcstoul(keyText, nullptr, 0);
    PostMessageW(control, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(control, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
    Sleep(300);
    return true;
}

// Posted mouse messages reach a control wherever the real pointer is.
void clickAt(HWND control, bool right, int x, int y, bool twice = false) {
    const LPARAM at = MAKELPARAM(x, y);
    if (twice) {
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(control, WM_LBUTTONUP, 0, at);
        PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(control, WM_LBUTTONUP, 0, at);
        Sleep(400);
        return;
    }
    PostMessageW(control, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at);
    PostMessageW(control, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
    Sleep(400);
}

bool column(const wchar_t* idText, const wchar_t* indexText) {
    HWND list = controlById(idText);
    if (!list) return false;
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, 0x101F /* LVM_GETHEADER */, 0, 0));
    if (!header) {
        fail(L"the list has no heading");
        return false;
    }
    const int index = static_cast<int>(wcstol(indexText, nullptr, 0));
    int x = 0;
    for (int i = 0; i < index; ++i) x += static_cast<int>(SendMessageW(list, 0x101D /* LVM_GETCOLUMNWIDTH */, i, 0));
    RECT box = {};
    GetClientRect(header, &box);
    // The middle of the heading: near its edges a press grabs the divider instead.
    const int width = static_cast<int>(SendMessageW(list, 0x101D /* LVM_GETCOLUMNWIDTH */, index, 0));
    clickAt(header, false, x + width / 2, box.bottom / 2);
    return true;
}

bool click(const wchar_t* idText, const std::wstring& button, const std::wstring& row) {
    HWND list = controlById(idText);
    if (!list) return false;
    RECT client = {}, heading = {};
    GetClientRect(list, &client);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, 0x101F /* LVM_GETHEADER */, 0, 0));
    if (header) GetClientRect(header, &heading);
    const int perPage = static_cast<int>(SendMessageW(list, 0x1028 /* LVM_GETCOUNTPERPAGE */, 0, 0));
    const int rowHeight = perPage > 0 ? (client.bottom - heading.bottom) / perPage : 16;
    const int y = row == L"empty" ? client.bottom - 3
                                  : heading.bottom + static_cast<int>(wcstol(row.c_str(), nullptr, 0)) * rowHeight +
                                        rowHeight / 2;
    clickAt(list, button == L"right", 20, y, button == L"double");
    return true;
}

bool send(const wchar_t* idText, const wchar_t* message, const wchar_t* wParam, const wchar_t* lParam) {
    if (!gWindow || !IsWindow(gWindow)) {
        fail(L"no current window");
        return false;
    }
    HWND target = wcstol(idText, nullptr, 0) == 0 ? gWindow : controlById(idText);
    if (!target) return false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(target, static_cast<UINT>(wcstoul(message, nullptr, 0)), wcstoull(wParam, nullptr, 0),
                             static_cast<LPARAM>(wcstoll(lParam, nullptr, 0)), SMTO_ABORTIFHUNG, 10000, &result)) {
        fail(L"the message was not answered");
        return false;
    }
    printLine(L"sent\t" + std::to_wstring(result));
    return true;
}

bool setText(const wchar_t* idText, const wchar_t* text) {
    HWND control = controlById(idText);
    if (!control) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

int usage(const wchar_t* what) {
    fail(std::wstring(L"usage error: ") + what + L" (see the comment at the top of pelorin_automate.cpp)");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage(L"no steps");
    int i = 1;
    while (i < argc) {
        const std::wstring step = argv[i++];
        bool ok = false;
        if (step == L"start" || step == L"attach" || step == L"press" || step == L"sleep") {
            if (i >= argc) return usage((step + L" needs an operand").c_str());
            const wchar_t* operand = argv[i++];
            if (step == L"start") ok = start(operand);
            else if (step == L"attach") ok = attach(operand);
            else if (step == L"press") ok = press(operand, kDefaultTimeoutMs);
            else {
                Sleep(static_cast<DWORD>(wcstoul(operand, nullptr, 0)));
                ok = true;
            }
        } else if (step == L"wait") {
            ok = waitWindow(readOptions(argc, argv, i));
        } else if (step == L"answer") {
            if (i >= argc) return usage(L"answer needs a button");
            const std::wstring button = argv[i++];
            Options options = readOptions(argc, argv, i);
            options.windowClass = L"#32770";
            options.hasClass = true;
            options.exclude = gWindow;
            ok = waitWindow(options) && texts() && press(button, options.timeoutMs);
        } else if (step == L"command") {
            if (i >= argc) return usage(L"command needs an id");
            ok = command(argv[i++]);
        } else if (step == L"clipboard") {
            ok = clipboard();
        } else if (step == L"key" || step == L"column") {
            if (i + 1 >= argc) return usage((step + L" needs two operands").c_str());
            const wchar_t* first = argv[i++];
            const wchar_t* second = argv[i++];
            ok = step == L"key" ? key(first, second) : column(first, second);
        } else if (step == L"click") {
            if (i + 2 >= argc) return usage(L"click needs a control, a button and a row");
            const wchar_t* id = argv[i++];
            const std::wstring button = argv[i++];
            ok = click(id, button, argv[i++]);
        } else if (step == L"send") {
            if (i + 1 >= argc) return usage(L"send needs a control and a message");
            const wchar_t* id = argv[i++];
            const wchar_t* message = argv[i++];
            const wchar_t* wParam = i < argc && iswdigit(argv[i][0]) ? argv[i++] : L"0";
            const wchar_t* lParam = i < argc && iswdigit(argv[i][0]) ? argv[i++] : L"0";
            ok = send(id, message, wParam, lParam);
        } else if (step == L"settext") {
            if (i + 1 >= argc) return usage(L"settext needs a control and a text");
            const wchar_t* id = argv[i++];
            ok = setText(id, argv[i++]);
        } else if (step == L"texts") {
            ok = texts();
        } else if (step == L"windows") {
            ok = windows();
        } else if (step == L"exit") {
            ok = waitExit(readOptions(argc, argv, i));
        } else {
            return usage((L"unknown step " + step).c_str());
        }
        if (!ok) return 1;
    }
    return 0;
}
