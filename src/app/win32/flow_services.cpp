#include "app/win32/flow_services.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "runtime/string_table.h"
#include "ui/chooser_filter.h"
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

// The Open or Save dialog without owner, on `file` (FILE_BUFFER_SIZE bytes, possibly pre-filled).
bool runFileDialog(FileDialogFunction dialogFunction, u32 titleId, u32 filterId, DWORD extraFlags, char* file) {
    if (!dialogFunction) return false;
    char title[256];
    char filterText[FILTER_SIZE];
    char fileTitle[FILE_TITLE_SIZE] = {};
    loadString(title, sizeof title, titleId, false);
    loadString(filterText, sizeof filterText, filterId, false);
    const std::string filter = makeChooserFilter(filterText);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = FILE_BUFFER_SIZE;
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = sizeof fileTitle;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES | extraFlags;
    return dialogFunction(&dialog) != 0;
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

u32 askSetupFileName(char* buffer, u32 size) {
    static const FileDialogFunction open = fileDialog("GetOpenFileNameA");
    char file[FILE_BUFFER_SIZE] = {};
    if (!runFileDialog(open, MSG_RUN_EXECUTABLE_TITLE, MSG_EXECUTABLE_FILTER, OFN_FILEMUSTEXIST, file))
        return ERR_CANCELLED;
    copyBounded(buffer, size, file);
    return 0;
}

bool askSnapshotFileName(char* buffer, u32 size) {
    if (size) buffer[0] = 0;
    static const FileDialogFunction save = fileDialog("GetSaveFileNameA");
    char file[FILE_BUFFER_SIZE] = {};
    defaultSnapshotName(file, sizeof file);
    // No overwrite prompt: replacing an older snapshot of the same name is the usual case.
    if (!runFileDialog(save, MSG_SAVE_SNAPSHOT_TITLE, MSG_SNAPSHOT_FILTER, 0, file)) return false;
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
