#include "app/win32/flow_services.h"

#include <commdlg.h>

#include <cstring>

#include "runtime/string_table.h"
#include "runtime/text.h"
#include "snapshot/snapshot_file.h"

namespace pelorin {
namespace {

constexpr u32 FILE_BUFFER_SIZE = 2048;
constexpr u32 FILE_TITLE_SIZE = 256;
constexpr u32 FILTER_SIZE = 512;

using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEA);

// comdlg32 is not one of the core libraries: looked up once, and a missing one means no dialog.
FileDialogFunction fileDialog(const char* name) {
    HMODULE module = GetModuleHandleA("comdlg32.dll");
    if (!module) module = LoadLibraryA("comdlg32.dll");
    return module ? reinterpret_cast<FileDialogFunction>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

bool hasExtension(const char* name) {
    const char* dot = std::strrchr(name, '.');
    const char* slash = std::strrchr(name, '\\');
    return dot && (!slash || dot > slash);
}

void pumpMessages(HWND window) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (window && IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

void makeDialogFilter(const char* text, char* out, u32 size) {
    if (size < 2) return;
    const std::size_t length = std::strlen(text);
    const u32 n = length + 2 <= size ? static_cast<u32>(length) : size - 2;
    const char separator = length ? text[length - 1] : 0;
    for (u32 i = 0; i < n; ++i) out[i] = text[i] == separator ? 0 : text[i];
    out[n] = 0;
    out[n + 1] = 0;
}

u32 askSetupFileName(char* buffer, u32 size) {
    static const FileDialogFunction open = fileDialog("GetOpenFileNameA");
    if (!open) return ERR_CANCELLED;
    char title[256];
    char filterText[FILTER_SIZE];
    char filter[FILTER_SIZE];
    char file[FILE_BUFFER_SIZE] = {};
    char fileTitle[FILE_TITLE_SIZE] = {};
    loadString(title, sizeof title, MSG_RUN_EXECUTABLE_TITLE, false);
    loadString(filterText, sizeof filterText, MSG_EXECUTABLE_FILTER, false);
    makeDialogFilter(filterText, filter, sizeof filter);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = sizeof fileTitle;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    if (!open(&dialog)) return ERR_CANCELLED;
    copyBounded(buffer, size, file);
    return 0;
}

bool askSnapshotFileName(char* buffer, u32 size) {
    if (size) buffer[0] = 0;
    static const FileDialogFunction save = fileDialog("GetSaveFileNameA");
    if (!save) return false;
    char title[256];
    char filterText[FILTER_SIZE];
    char filter[FILTER_SIZE];
    char file[FILE_BUFFER_SIZE] = {};
    char fileTitle[FILE_TITLE_SIZE] = {};
    loadString(title, sizeof title, MSG_SAVE_SNAPSHOT_TITLE, false);
    loadString(filterText, sizeof filterText, MSG_SNAPSHOT_FILTER, false);
    makeDialogFilter(filterText, filter, sizeof filter);
    defaultSnapshotName(file, sizeof file);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = sizeof fileTitle;
    dialog.lpstrTitle = title;
    // No overwrite prompt: replacing an older snapshot of the same name is the usual case.
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    if (!save(&dialog)) return false;
    if (!hasExtension(file)) {
        char extension[16];
        loadString(extension, sizeof extension, MSG_SNAPSHOT_EXTENSION, false);
        const std::size_t used = std::strlen(file);
        copyBounded(file + used, sizeof file - used, extension);
    }
    copyBounded(buffer, size, file);
    return true;
}

u32 runSetupProgram(const char* fileName, HWND window) {
    if (!fileName || !*fileName) return ERR_BAD_VALUE;
    // CreateProcessA may write into its command line.
    char commandLine[FILE_BUFFER_SIZE];
    copyBounded(commandLine, sizeof commandLine, fileName);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError();
    CloseHandle(process.hThread);
    while (WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) pumpMessages(window);
    CloseHandle(process.hProcess);
    return 0;
}

void disableFileSystemRedirection() {
    using Disable = BOOL(WINAPI*)(PVOID*);
    static const Disable disable = reinterpret_cast<Disable>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "Wow64DisableWow64FsRedirection")));
    if (!disable) return;
    PVOID previous = nullptr;
    disable(&previous);
}

}  // namespace pelorin
