#pragma once
// The popup-menu templates of the resource container (type 7).
#include <string>
#include <vector>

#include "runtime/types.h"

namespace pelorin {

struct MenuItem {
    std::string text;  // ANSI; empty for a separator
    bool hasShortcut = false;
    u16 shortcut = 0;
    u32 commandId = 0;
    u32 state = 0;
    std::vector<MenuItem> submenu;
};

// Parses a `MenuTemplate` payload into its items. Gives 0, or ERR_BAD_FORMAT (11) for a
// template with a wrong header, a missing tag or terminator, a TAB in a text, a nesting mark
// other than 1 or 2, a submenu end without a submenu, or nesting deeper than 30 levels.
u32 parseMenuTemplate(const u8* data, u32 size, std::vector<MenuItem>& items);

}  // namespace pelorin
