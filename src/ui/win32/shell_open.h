#pragma once
// Opening a web address or a help page through the shell, and the popup menus of the resource
// container as Windows menus.
#include <windows.h>

#include "runtime/types.h"
#include "ui/win32/ui_handles.h"

namespace pelorin {

// Hands `target` (an address or a file) to the shell's "open" (ShellExecuteA, looked up at run
// time). True when the shell took it.
bool openWithShell(const char* target);

// The test programs see what would be opened instead of a browser starting.
using ShellOpener = bool (*)(const char* target);
void setShellOpener(ShellOpener opener);

// Help topics 100 to 104: the page "help\topic<N>.html" beside the executable, in the interface
// language's folder ("help\de\" for German) when there is one.
constexpr u32 HELP_START = 100;
constexpr u32 HELP_PHASE_TWO = 101;
constexpr u32 HELP_RESULT = 102;
constexpr u32 HELP_OPTIONS = 103;
constexpr u32 HELP_DIRECTORY = 104;
bool showHelpTopic(u32 topic);

// Popup menu `id` of the resource container in the interface language; empty when it is missing
// or malformed.
ui::UniqueMenu loadPopupMenu(u32 id);

}  // namespace pelorin
