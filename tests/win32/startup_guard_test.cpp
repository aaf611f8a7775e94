// pelorin.exe with a missing or damaged resource container: it shows "Bad resource data!" in a
// message box and ends with exit code 0; an intact copy gets past the guard to its start dialog.
// The test starts real copies of the program, reads the first dialog's texts, cancels it (which
// a message box with only OK takes as OK) and waits for the exit.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring windowsPath(const std::string& path) {
    std::wstring w(path.begin(), path.end());
    for (wchar_t& c : w) if (c == L'/') c = L'\\';
    // Under Wine the build tree is reached through drive Z:.
    return !w.empty() && w[0] == L'\\' ? L"Z:" + w : w;
}

bool readFile(const std::wstring& path, std::vector<char>& out) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    GetFileSizeEx(h, &size);
    out.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    const BOOL ok = ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
    CloseHandle(h);
    return ok && got == out.size();
}

bool writeFile(const std::wstring& path, const std::vector<char>& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

struct BoxSearch {
    DWORD processId;
    HWND box;
};

BOOL CALLBACK findBox(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (pid == search->processId && IsWindowVisible(hwnd) && std::wcscmp(cls, L"#32770") == 0) {
        search->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collectStaticText(HWND hwnd, LPARAM param) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (_wcsicmp(cls, L"Static") == 0) {
        char text[256] = {};
        GetWindowTextA(hwnd, text, sizeof text);
        if (text[0]) *reinterpret_cast<std::string*>(param) += text;
    }
    return TRUE;
}

struct RunResult {
    bool ended = false;
    DWORD exitCode = 0xFFFFFFFF;
    bool boxShown = false;
    std::string boxText;
};

// Runs the program, cancels its first dialog, and waits at most 30 seconds.
RunResult run(const std::wstring& exe) {
    RunResult result;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start the program, error " << GetLastError();
        return result;
    }
    for (int step = 0; step < 300; ++step) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) {
            result.ended = true;
            break;
        }
        BoxSearch search{pi.dwProcessId, nullptr};
        EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
        if (search.box && !result.boxShown) {
            result.boxShown = true;
            EnumChildWindows(search.box, collectStaticText, reinterpret_cast<LPARAM>(&result.boxText));
            PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
    if (!result.ended) {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

void put32(std::vector<char>& v, std::size_t at, unsigned value) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<char>(value >> (8 * i));
}

TEST(StartupGuard, BadContainerShowsTheMessageAndEnds) {
    std::vector<char> exe;
    ASSERT_TRUE(readFile(windowsPath(PELORIN_EXE_PATH), exe)) << PELORIN_EXE_PATH;
    ASSERT_GT(exe.size(), 32u);
    ASSERT_EQ(std::memcmp(exe.data() + exe.size() - 32, "RsOfs100", 8), 0);
    unsigned base = 0;
    std::memcpy(&base, exe.data() + exe.size() - 24, 4);
    ASSERT_LT(base, exe.size());

    struct Variant { const char* name; std::vector<char> bytes; bool bad; };
    std::vector<Variant> variants;
    variants.push_back({"intact", exe, false});
    variants.push_back({"container removed", std::vector<char>(exe.begin(), exe.begin() + base), true});
    std::vector<char> header = exe;
    header[base] = 'X';
    variants.push_back({"header damaged", header, true});
    std::vector<char> zero = exe;
    put32(zero, exe.size() - 24, 0);
    variants.push_back({"trailer base zero", zero, true});
    std::vector<char> beyond = exe;
    put32(beyond, exe.size() - 24, static_cast<unsigned>(exe.size()) + 100);
    variants.push_back({"trailer base beyond the end", beyond, true});

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    int index = 0;
    for (const Variant& v : variants) {
        const std::wstring path = std::wstring(temp) + L"pelorin-guard-" + std::to_wstring(index++) + L".exe";
        ASSERT_TRUE(writeFile(path, v.bytes)) << v.name;
        const RunResult r = run(path);
        EXPECT_TRUE(r.ended) << v.name << ": still running after 30 seconds";
        EXPECT_EQ(r.exitCode, 0u) << v.name;
        EXPECT_TRUE(r.boxShown) << v.name;
        if (v.bad) {
            EXPECT_EQ(r.boxText, "Bad resource data!") << v.name;
        } else {
            EXPECT_NE(r.boxText, "Bad resource data!") << v.name;
        }
        DeleteFileW(path.c_str());
    }
}

}  // namespace
