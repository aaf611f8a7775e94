#pragma once
// The Windows services of a tracking run that are not dialogs of the program's own: the common
// file dialogs, starting the setup program and waiting for it, and the WOW64 redirection.
#include <windows.h>

#include "runtime/types.h"

namespace pelorin {

constexpr u32 MSG_RUN_EXECUTABLE_TITLE = 105;   // "Run executable file"
constexpr u32 MSG_EXECUTABLE_FILTER = 106;      // "Executable file (*.exe)|*.exe|"
constexpr u32 MSG_SNAPSHOT_FILTER = 127;        // "Snapshot file (*.sna)|*.sna|"
constexpr u32 MSG_SAVE_SNAPSHOT_TITLE = 132;    // "Save snapshot file"
constexpr u32 MSG_SNAPSHOT_EXTENSION = 134;     // ".sna"

// The Open dialog for the program to track: 0 with the name in buffer, or 270 when the user
// cancelled or the common dialogs are missing.
u32 askSetupFileName(char* buffer, u32 size);

// The Save dialog for a snapshot, proposing defaultSnapshotName. The buffer is emptied first;
// a chosen name without an extension gets ".sna". False when cancelled or unavailable.
bool askSnapshotFileName(char* buffer, u32 size);

// Starts the program (the name alone is its command line) and pumps `window`'s messages until
// it ends. 296 for an empty name, the system's code when it cannot be started, else 0.
u32 runSetupProgram(const char* fileName, HWND window);

// Wow64DisableWow64FsRedirection for the calling thread, where the system has it.
void disableFileSystemRedirection();

}  // namespace pelorin
