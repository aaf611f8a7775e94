#pragma once
// The program's one message box, captioned with the program's title.
#include "platform/system.h"
#include "runtime/format.h"
#include "runtime/string_table.h"
#include "runtime/types.h"

namespace pelorin {

constexpr u32 BOX_INFORMATION = 0;  // OK; gives false
constexpr u32 BOX_OK_CANCEL = 1;    // gives true for OK
constexpr u32 BOX_YES_NO = 2;       // gives true for Yes
constexpr u32 BOX_YES_NO_DEFAULT_NO = 3;

// Messages are formatted into this many bytes.
constexpr u32 MESSAGE_SIZE = 1024;

// Any kind other than 1 to 3 is an information box.
bool messageBox(platform::WindowHandle owner, const char* text, u32 kind);

// Loads message `id` (its template cut to templateSize bytes, at most MESSAGE_SIZE), fills it
// with the arguments and shows it without an owner.
template <class... Args>
bool showMessage(u32 kind, u32 id, u32 templateSize, const Args&... args) {
    char format[MESSAGE_SIZE];
    loadString(format, templateSize < MESSAGE_SIZE ? templateSize : MESSAGE_SIZE, id, false);
    char text[MESSAGE_SIZE];
    formatText(text, sizeof text, format, args...);
    return messageBox(nullptr, text, kind);
}

}  // namespace pelorin
