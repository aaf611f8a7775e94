#include "ui/win32/shell_open.h"

#include <string>
#include <vector>

#include "runtime/menu_template.h"
#include "runtime/resource_container.h"
#include "runtime/string_table.h"

namespace pelorin {
namespace {

using ShellExecuteAFunction = HINSTANCE(WINAPI*)(HWND, const char*, const char*, const char*, const char*, INT);

bool openThroughShellExecute(const char* target) {
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (!shell) shell = LoadLibraryA("shell32.dll");
    if (!shell) return false;
    auto execute =
        reinterpret_cast<ShellExecuteAFunction>(reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteA")));
    if (!execute) return false;
    // No parameters and no verb other than "open": the target is one argument of the shell.
    const INT_PTR result = reinterpret_cast<INT_PTR>(execute(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

ShellOpener gOpener = openThroughShellExecute;

bool fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool appendMenuItems(HMENU menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        BOOL added;
        if (!item.submenu.empty()) {
            HMENU sub = CreatePopupMenu();
            if (!sub || !appendMenuItems(sub, item.submenu)) {
                if (sub) DestroyMenu(sub);
                return false;
            }
            added = AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), item.text.c_str());
        } else if (item.text.empty() && !item.commandId) {
            added = AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            added = AppendMenuA(menu, MF_STRING | (item.state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)), item.commandId,
                                item.text.c_str());
        }
        if (!added) return false;
    }
    return true;
}

}  // namespace

bool openWithShell(const char* target) { return target && *target && gOpener && gOpener(target); }

void setShellOpener(ShellOpener opener) { gOpener = opener ? opener : openThroughShellExecute; }

bool showHelpTopic(u32 topic) {
    char module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    if (!length || length >= sizeof module) return false;
    std::string folder(module);
    folder.erase(folder.find_last_of('\\') + 1);
    const std::string page = "topic" + std::to_string(topic) + ".html";
    const std::string localised =
        folder + "help\\" + (interfaceLanguage == LANGUAGE_GERMAN ? "de\\" : "en\\") + page;
    if (fileExists(localised)) return openWithShell(localised.c_str());
    const std::string english = folder + "help\\en\\" + page;
    return fileExists(english) && openWithShell(english.c_str());
}

ui::UniqueMenu loadPopupMenu(u32 id) {
    const u8* data = nullptr;
    u32 size = 0;
    if (!findResource(RESOURCE_MENU_TEMPLATE, interfaceLanguage, id, {}, data, size)) return {};
    std::vector<MenuItem> items;
    if (parseMenuTemplate(data, size, items) != 0) return {};
    ui::UniqueMenu menu(CreatePopupMenu());
    if (!menu || !appendMenuItems(menu.get(), items)) return {};
    return menu;
}

}  // namespace pelorin
