#pragma once
// The result window: a modal dialog with a four-column owner-data list of every difference,
// sorted by the clicked column, entries with a priority in red, copy to the clipboard, and a
// popup menu with copy, undo of a single change and a web search for the changed item.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "results/result_list.h"
#include "ui/result_view.h"
#include "ui/win32/dialog_base.h"
#include "ui/win32/ui_handles.h"

namespace pelorin {

// "Result Pelorin": string 138, a blank and the product name, at most 127 characters.
std::string resultWindowTitle();

class ResultWindow : public DialogBase {
public:
    static constexpr int ID_LIST = 100;
    static constexpr int ID_COPY = 10;
    static constexpr int ID_COPY_ALL = 11;
    static constexpr int ID_CLOSE = 1;
    static constexpr int ID_HELP = 3;
    static constexpr u32 POPUP_MENU = 1001;
    static constexpr u32 MENU_SEARCH = 0x3003;
    static constexpr u32 MENU_COPY = 0x3004;
    static constexpr u32 MENU_COPY_ALL = 0x3005;
    static constexpr u32 MENU_UNDO = 0x3006;

    // `undo` may be null: then nothing can be undone.
    ResultWindow(const char* title, HWND owner, ResultList& list, ResultUndo* undo);

    HWND listView() const { return list_; }
    // Sets the greying of the popup menu for the focused row, as a right click shows it. Gives
    // false when the menu could not be loaded.
    bool prepareMenu();
    HMENU menu() const { return menu_.get(); }

protected:
    bool build(HWND window, DialogSize& size) override;
    bool onCommand(HWND window, u32 id, u32 code, HWND control) override;
    INT_PTR onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Shows the prepared popup menu at the mouse position and waits for the choice, which
    // arrives as a WM_COMMAND.
    virtual void trackMenu(HMENU menu, POINT at);

private:
    LRESULT onNotify(const NMHDR& header);
    LRESULT onCustomDraw(NMLVCUSTOMDRAW& draw);
    void fillCell(NMLVDISPINFOW& info);
    i32 focusedRow() const;
    ResultEntry* focusedEntry() const;
    std::u16string listCellText(u32 row, u32 column) const;
    void copyRows(bool all);
    void undoFocused();
    void searchFocused();
    void showPopupMenu();
    std::string kindText(u32 id);

    ResultList& results_;
    ResultUndo* undo_;
    u32 count_;
    HWND list_ = nullptr;
    ui::UniqueMenu menu_;
    // Cell texts handed to the list must outlive the notification.
    std::u16string cellText_;
    std::string kindTexts_[16];
    bool kindTextLoaded_[16] = {};
    char message_[1024] = {};
    char address_[1024] = {};
};

// Runs the window modally; gives 1 after Close, 0 (or -1) otherwise.
INT_PTR runResultWindow(HWND owner, ResultList& list, ResultUndo* undo = &resultListUndo());

}  // namespace pelorin
