#include "ui/win32/result_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/message_box.h"
#include "app/program_info.h"
#include "runtime/string_table.h"
#include "runtime/text.h"
#include "ui/win32/shell_open.h"

namespace pelorin {
namespace {

// Notification code that every command of the dialogs ignores.
constexpr u32 IGNORED_NOTIFICATION = 0x100;
constexpr COLORREF PRIORITY_COLOUR = RGB(255, 0, 0);
constexpr u32 TITLE_LIMIT = 127;

std::string loadText(u32 id) {
    char text[MESSAGE_SIZE] = {};
    loadString(text, sizeof text, id, false);
    return text;
}

using InitCommonControlsExFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

// The list view comes with the common controls library, which is looked up, not linked.
bool registerListViewClass() {
    static const bool ready = [] {
        HMODULE library = GetModuleHandleA("comctl32.dll");
        if (!library) library = LoadLibraryA("comctl32.dll");
        auto init = library ? reinterpret_cast<InitCommonControlsExFunction>(
                                  reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")))
                            : nullptr;
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
        return init && init(&classes);
    }();
    return ready;
}

}  // namespace

std::string resultWindowTitle() {
    std::string title = loadText(TEXT_RESULT) + " " + PELORIN_PRODUCT_NAME;
    if (title.size() > TITLE_LIMIT) title.resize(TITLE_LIMIT);
    return title;
}

ResultWindow::ResultWindow(const char* title, HWND owner, ResultList& list, ResultUndo* undo)
    : DialogBase(owner, title), results_(list), undo_(undo), count_(list.count()) {
    makeWide();
    menu_ = loadPopupMenu(POPUP_MENU);
}

std::string ResultWindow::kindText(u32 id) {
    // The ids are 143..151 and 198: cached by kind, as every visible row asks for one.
    for (u32 kind = 1; kind < 16; ++kind) {
        if (resultKindTextId(kind) != id) continue;
        if (!kindTextLoaded_[kind]) {
            kindTexts_[kind] = loadText(id);
            kindTextLoaded_[kind] = true;
        }
        return kindTexts_[kind];
    }
    return loadText(id);
}

bool ResultWindow::build(HWND window, DialogSize& size) {
    registerListViewClass();
    const std::string copy = loadText(TEXT_COPY_BUTTON);
    const std::string copyAll = loadText(TEXT_COPY_ALL_BUTTON);
    const std::string close = loadText(TEXT_CLOSE_BUTTON);
    const std::string help = loadText(TEXT_HELP_BUTTON);

    const AreaRect work = workArea(window);
    ResultWindowLayoutInput input;
    input.metrics = metrics();
    input.widestButtonText = std::max({textWidth(copy.c_str()), textWidth(copyAll.c_str()), textWidth(close.c_str()),
                                       textWidth(help.c_str())});
    input.entryCount = count_;
    input.workAreaWidth = work.width();
    input.workAreaHeight = work.height();
    const ResultWindowLayout layout = computeResultWindowLayout(input);

    const ControlBox& box = layout.list;
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"SysListView32", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_HSCROLL | WS_VSCROLL | LVS_REPORT |
                                LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                            box.x, box.y, box.width, box.height, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_LIST)), GetModuleHandleW(nullptr), nullptr);
    if (!list_) return false;
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (u32 column = 0; column < RESULT_COLUMN_COUNT; ++column) {
        const std::u16string heading = widen(loadText(RESULT_COLUMN_TEXT_IDS[column]));
        LVCOLUMNW info = {};
        info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        info.fmt = LVCFMT_LEFT;
        info.cx = layout.columnWidths[column];
        info.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(heading.c_str()));
        info.iSubItem = static_cast<int>(column);
        SendMessageW(list_, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(list_, LVM_SETITEMCOUNT, count_, 0);

    const char* texts[] = {copy.c_str(), copyAll.c_str(), close.c_str(), help.c_str()};
    const int ids[] = {ID_COPY, ID_COPY_ALL, ID_CLOSE, ID_HELP};
    for (u32 i = 0; i < ResultWindowLayout::BUTTON_COUNT; ++i) {
        const ControlBox& b = layout.buttons[i];
        createButton(b.x, b.y, b.width, b.height, texts[i], ids[i], ids[i] == ID_CLOSE);
    }
    SetFocus(list_);
    size.width = layout.clientWidth;
    size.height = layout.clientHeight;
    size.focusSet = true;
    return true;
}

// ---- the list --------------------------------------------------------------------------------

i32 ResultWindow::focusedRow() const {
    if (!list_) return -1;
    return static_cast<i32>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

ResultEntry* ResultWindow::focusedEntry() const {
    const i32 row = focusedRow();
    return row >= 0 && static_cast<u32>(row) < count_ ? results_.entry(static_cast<u32>(row)) : nullptr;
}

void ResultWindow::fillCell(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = 0;
    if (item.iItem < 0 || static_cast<u32>(item.iItem) >= count_ || item.iSubItem < 0) return;
    const ResultEntry* entry = results_.entry(static_cast<u32>(item.iItem));
    if (!entry) return;
    cellText_ = resultCellText(*entry, static_cast<u32>(item.iSubItem), [this](u32 id) { return kindText(id); });
    copyBounded(reinterpret_cast<char16_t*>(item.pszText), static_cast<size_t>(item.cchTextMax), cellText_);
}

std::u16string ResultWindow::listCellText(u32 row, u32 column) const {
    // Read back from the list, as it shows the cell (at most RESULT_CELL_CAPACITY characters).
    wchar_t buffer[RESULT_CELL_CAPACITY] = {};
    LVITEMW item = {};
    item.iSubItem = static_cast<int>(column);
    item.pszText = buffer;
    item.cchTextMax = RESULT_CELL_CAPACITY;
    SendMessageW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

LRESULT ResultWindow::onCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const u32 row = static_cast<u32>(draw.nmcd.dwItemSpec);
        const ResultEntry* entry = row < count_ ? results_.entry(row) : nullptr;
        if (entry && entry->priority != 0) {
            draw.clrText = PRIORITY_COLOUR;
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

LRESULT ResultWindow::onNotify(const NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW:
        fillCell(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    case LVN_COLUMNCLICK: {
        const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
        if (click.iSubItem < 0 || static_cast<u32>(click.iSubItem) >= RESULT_COLUMN_COUNT) return 0;
        sortResults(results_, sortOrderForColumn(static_cast<u32>(click.iSubItem)));
        InvalidateRect(list_, nullptr, TRUE);
        return 0;
    }
    case NM_CUSTOMDRAW:
        return onCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
    case NM_RCLICK:
        showPopupMenu();
        return 0;
    default:
        return 0;
    }
}

INT_PTR ResultWindow::onMessage(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY) return 0;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->hwndFrom != list_) return 0;
    // A dialog procedure answers a notification through DWLP_MSGRESULT.
    SetWindowLongPtrW(window, DWLP_MSGRESULT, onNotify(*header));
    return TRUE;
}

// ---- commands --------------------------------------------------------------------------------

bool ResultWindow::prepareMenu() {
    if (!menu_) return false;
    const ResultEntry* entry = focusedEntry();
    const bool undoable = entry && undo_ && undo_->canUndo(*entry);
    EnableMenuItem(menu_.get(), MENU_UNDO, MF_BYCOMMAND | (undoable ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu_.get(), MENU_SEARCH, MF_BYCOMMAND | (focusedRow() >= 0 ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu_.get(), MENU_COPY, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu_.get(), MENU_COPY_ALL, MF_BYCOMMAND | MF_ENABLED);
    return true;
}

void ResultWindow::showPopupMenu() {
    if (!prepareMenu()) return;
    POINT at = {};
    GetCursorPos(&at);
    trackMenu(menu_.get(), at);
}

void ResultWindow::trackMenu(HMENU menu, POINT at) {
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window(), nullptr);
}

void ResultWindow::copyRows(bool all) {
    std::vector<u32> rows;
    if (all) {
        for (u32 row = 0; row < count_; ++row) rows.push_back(row);
    } else {
        std::vector<u32> selected;
        for (int row = -1; (row = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;) {
            selected.push_back(static_cast<u32>(row));
        }
        rows = rowsToCopy(selected, focusedRow(), count_);
    }
    if (rows.empty()) return;
    const std::u16string text =
        buildClipboardText(rows, count_, [this](u32 row, u32 column) { return listCellText(row, column); });
    if (!OpenClipboard(window())) return;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
    if (block) {
        if (void* target = GlobalLock(block)) {
            std::memcpy(target, text.c_str(), (text.size() + 1) * sizeof(char16_t));
            GlobalUnlock(block);
            // The clipboard owns the block once it took it.
            if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

void ResultWindow::undoFocused() {
    ResultEntry* entry = focusedEntry();
    if (!entry || !undo_ || !undo_->canUndo(*entry)) return;
    loadString(message_, sizeof message_, TEXT_UNDO_QUESTION, false);
    if (!messageBox(window(), message_, BOX_YES_NO_DEFAULT_NO)) return;
    const bool done = undo_->undo(*entry);
    loadString(message_, sizeof message_, done ? TEXT_UNDO_DONE : TEXT_UNDO_FAILED, false);
    messageBox(window(), message_, BOX_INFORMATION);
    InvalidateRect(list_, nullptr, TRUE);
}

void ResultWindow::searchFocused() {
    const ResultEntry* entry = focusedEntry();
    if (!entry) return;
    char prefix[MESSAGE_SIZE] = {};
    loadString(prefix, sizeof prefix, TEXT_SEARCH_ADDRESS, false);
    std::string address;
    if (!buildWebSearchAddress(prefix, *entry, address)) return;
    copyBounded(address_, sizeof address_, address);
    // A cut address would end in the middle of an escape: leave it rather than open it.
    if (address.size() >= sizeof address_) return;
    openWithShell(address_);
}

bool ResultWindow::onCommand(HWND, u32 id, u32 code, HWND) {
    if (code == IGNORED_NOTIFICATION) return true;
    switch (id) {
    case ID_COPY:
    case MENU_COPY: copyRows(false); return true;
    case ID_COPY_ALL:
    case MENU_COPY_ALL: copyRows(true); return true;
    case ID_CLOSE: endDialog(1); return true;
    case IDCANCEL: endDialog(0); return true;
    case ID_HELP: showHelpTopic(HELP_RESULT); return true;
    case MENU_UNDO: undoFocused(); return true;
    case MENU_SEARCH: searchFocused(); return true;
    default: return false;
    }
}

INT_PTR runResultWindow(HWND owner, ResultList& list, ResultUndo* undo) {
    const std::string title = resultWindowTitle();
    ResultWindow window(title.c_str(), owner, list, undo);
    return window.runDialog();
}

}  // namespace pelorin
