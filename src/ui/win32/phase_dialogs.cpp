#include "ui/win32/phase_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/program_info.h"
#include "runtime/resource_container.h"
#include "runtime/string_table.h"
#include "runtime/text.h"
#include "snapshot/end_session_save.h"
#include "ui/chooser_filter.h"
#include "ui/win32/shell_open.h"

namespace pelorin {
namespace {

constexpr u32 IGNORED_NOTIFICATION = 0x100;
constexpr u32 CHOOSER_BUFFER_SIZE = 2048;

std::string loadText(u32 id) {
    char text[MESSAGE_SIZE] = {};
    loadString(text, sizeof text, id, false);
    return text;
}

template <class F>
F lookUp(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    if (!module) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using InitCommonControlsExFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
using GetOpenFileNameAFunction = BOOL(WINAPI*)(OPENFILENAMEA*);
using BrowseForFolderWFunction = PIDLIST_ABSOLUTE(WINAPI*)(BROWSEINFOW*);
using PathFromIdListWFunction = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, wchar_t*);
using TaskMemFreeFunction = void(WINAPI*)(void*);

bool registerListViewClass() {
    static const bool ready = [] {
        auto init = lookUp<InitCommonControlsExFunction>("comctl32.dll", "InitCommonControlsEx");
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
        return init && init(&classes);
    }();
    return ready;
}

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

}  // namespace

// ---- picture dialogs -------------------------------------------------------------------------

PictureDialog::PictureDialog(u16 firstBitmap, u16 secondBitmap, u16 firstBitmapGerman, u16 secondBitmapGerman)
    : DialogBase(nullptr, PROGRAM_TITLE) {
    const bool german = interfaceLanguage == LANGUAGE_GERMAN;
    bitmapIds_[0] = german ? firstBitmapGerman : firstBitmap;
    bitmapIds_[1] = german ? secondBitmapGerman : secondBitmap;
}

PictureDialogInput PictureDialog::layoutInput(std::initializer_list<const char*> buttonTexts) {
    for (u32 i = 0; i < 2; ++i) {
        bitmaps_[i].reset(static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapIds_[i]), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    }
    PictureDialogInput in;
    in.metrics = metrics();
    in.characterHeight = characterHeight();
    in.picture = pictureButtonSize(loadStringNumber(TEXT_PICTURE_WIDTH, DEFAULT_PICTURE_WIDTH, true),
                                   loadStringNumber(TEXT_PICTURE_HEIGHT, DEFAULT_PICTURE_HEIGHT, true));
    i32 widest = 0;
    for (const char* text : buttonTexts) widest = std::max(widest, textWidth(text));
    in.widestButtonText = widest;
    return in;
}

void PictureDialog::createPictures(const PictureDialogLayout& layout, u32 firstTip, u32 secondTip) {
    const int ids[] = {ID_FIRST_PICTURE, ID_SECOND_PICTURE};
    const u32 tips[] = {firstTip, secondTip};
    for (u32 i = 0; i < 2; ++i) {
        const ControlBox& box = layout.pictures[i];
        HWND button = createBitmapButton(box.x, box.y, box.width, box.height, bitmaps_[i].get(), ids[i], i == 0);
        if (button) addToolTip(button, loadText(tips[i]).c_str());
    }
    SetFocus(control(ID_FIRST_PICTURE));
}

StartDialog::StartDialog(RunOptions& options, u32& mode, bool& loadRequest)
    : PictureDialog(BITMAP_ONE_CLICK, BITMAP_TWO_PHASE, BITMAP_ONE_CLICK_DE, BITMAP_TWO_PHASE_DE),
      options_(options), mode_(mode), loadRequest_(loadRequest) {}

bool StartDialog::build(HWND, DialogSize& size) {
    const std::string texts[] = {loadText(TEXT_LOAD), loadText(TEXT_OPTIONS), loadText(TEXT_CANCEL), loadText(TEXT_HELP)};
    const PictureDialogLayout layout =
        computeStartDialogLayout(layoutInput({texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str()}));
    const ControlBox& text = layout.text;
    createStatic(text.x, text.y, text.width, text.height, loadText(TEXT_START_INTRODUCTION).c_str());
    createPictures(layout, TEXT_TIP_ONE_CLICK, TEXT_TIP_TWO_PHASE);
    const int ids[] = {ID_LOAD, ID_OPTIONS, ID_CANCEL, ID_HELP};
    for (u32 i = 0; i < layout.row.count; ++i) {
        const ControlBox& b = layout.row.buttons[i];
        createButton(b.x, b.y, b.width, b.height, texts[i].c_str(), ids[i]);
    }
    size.width = layout.clientWidth;
    size.height = layout.clientHeight;
    size.focusSet = true;
    return true;
}

bool StartDialog::onCommand(HWND window, u32 id, u32 code, HWND) {
    if (code == IGNORED_NOTIFICATION) return true;
    switch (id) {
    case ID_FIRST_PICTURE: mode_ = 1; endDialog(1); return true;
    case ID_SECOND_PICTURE: mode_ = 2; endDialog(1); return true;
    case ID_CANCEL: endDialog(0); return true;
    case ID_HELP: showHelpTopic(HELP_START); return true;
    case ID_OPTIONS: runOptionsDialog(window, options_); return true;
    case ID_LOAD: {
        char name[TEXT_FIELD_SIZE] = {};
        if (!chooseSnapshotFile(window, name, sizeof name)) return true;
        options_.loadSnapshot = true;
        copyBounded(options_.snapshotFileName, TEXT_FIELD_SIZE, name);
        loadRequest_ = true;
        endDialog(1);
        return true;
    }
    default: return false;
    }
}

PhaseTwoDialog::PhaseTwoDialog(RunOptions& options, u32& choice)
    : PictureDialog(BITMAP_CONTINUE, BITMAP_ABORT, BITMAP_CONTINUE_DE, BITMAP_ABORT_DE), options_(options),
      choice_(choice) {}

bool PhaseTwoDialog::build(HWND, DialogSize& size) {
    const std::string texts[] = {loadText(TEXT_CANCEL), loadText(TEXT_HELP)};
    const PictureDialogLayout layout = computePhaseTwoDialogLayout(layoutInput({texts[0].c_str(), texts[1].c_str()}));
    createPictures(layout, TEXT_TIP_CONTINUE, TEXT_TIP_ABORT);
    const int ids[] = {ID_CANCEL, ID_HELP};
    for (u32 i = 0; i < layout.row.count; ++i) {
        const ControlBox& b = layout.row.buttons[i];
        createButton(b.x, b.y, b.width, b.height, texts[i].c_str(), ids[i]);
    }
    size.width = layout.clientWidth;
    size.height = layout.clientHeight;
    size.focusSet = true;
    return true;
}

bool PhaseTwoDialog::onCommand(HWND, u32 id, u32 code, HWND) {
    if (code == IGNORED_NOTIFICATION) return true;
    switch (id) {
    case ID_FIRST_PICTURE: choice_ = 1; endDialog(1); return true;
    case ID_SECOND_PICTURE: choice_ = 2; endDialog(1); return true;
    case ID_CANCEL: endDialog(0); return true;
    case ID_HELP: showHelpTopic(HELP_PHASE_TWO); return true;
    default: return false;
    }
}

// ---- setup dialog ----------------------------------------------------------------------------

SetupDialog::SetupDialog(bool modeless, HWND owner, ProgressSink* sink, SnapshotTree* registryTree,
                         SnapshotTree* fileSystemTree, const RunOptions* options, u32 textId)
    : DialogBase(modeless, owner, PROGRAM_TITLE), sink_(sink), registryTree_(registryTree),
      fileSystemTree_(fileSystemTree), options_(options), textId_(textId) {}

bool SetupDialog::build(HWND, DialogSize& size) {
    const std::string yes = loadText(TEXT_YES);
    const std::string no = loadText(TEXT_NO);
    SetupDialogInput in;
    in.metrics = metrics();
    in.characterWidth = characterWidth();
    in.widestButtonText = std::max(textWidth(yes.c_str()), textWidth(no.c_str()));
    in.withButtons = !isModeless();
    const SetupDialogLayout layout = computeSetupDialogLayout(in);
    const ControlBox& text = layout.text;
    createStatic(text.x, text.y, text.width, text.height, loadText(textId_).c_str());
    if (layout.row.count == 2) {
        const ControlBox& y = layout.row.buttons[0];
        const ControlBox& n = layout.row.buttons[1];
        createButton(y.x, y.y, y.width, y.height, yes.c_str(), ID_YES, true);
        createButton(n.x, n.y, n.width, n.height, no.c_str(), ID_NO);
    }
    size.width = layout.clientWidth;
    size.height = layout.clientHeight;
    return true;
}

bool SetupDialog::onCommand(HWND, u32 id, u32 code, HWND) {
    if (code == IGNORED_NOTIFICATION || isModeless()) return true;
    if (id == static_cast<u32>(ID_YES)) endDialog(1);
    else if (id == static_cast<u32>(ID_NO)) endDialog(0);
    else return false;
    return true;
}

INT_PTR SetupDialog::onMessage(HWND window, UINT message, WPARAM, LPARAM) {
    if (message != WM_QUERYENDSESSION) return 0;
    // The installer restarts the computer: keep the pass-1 snapshot for phase 2.
    if (registryTree_ && fileSystemTree_ && options_) {
        saveAtEndOfSession(sink_, registryTree_, fileSystemTree_, *options_);
    }
    SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

// ---- options dialog --------------------------------------------------------------------------

OptionsDialog::OptionsDialog(HWND owner, RunOptions& options)
    : DialogBase(owner, loadText(TEXT_OPTIONS_TITLE).c_str()), options_(options) {
    makeWide();
    menu_ = loadPopupMenu(POPUP_MENU);
}

bool OptionsDialog::build(HWND window, DialogSize& size) {
    registerListViewClass();
    const std::string checks[] = {loadText(TEXT_CHECK_REGISTRY), loadText(TEXT_CHECK_FILE_SYSTEM),
                                  loadText(TEXT_SKIP_UPDATE_FILES)};
    const std::string buttons[] = {loadText(TEXT_OK), loadText(TEXT_CANCEL), loadText(TEXT_HELP),
                                   loadText(TEXT_HOMEPAGE)};
    OptionsDialogInput in;
    in.metrics = metrics();
    for (const std::string& text : checks) in.widestCheckBoxText = std::max(in.widestCheckBoxText, textWidth(text.c_str()));
    for (const std::string& text : buttons) in.widestButtonText = std::max(in.widestButtonText, textWidth(text.c_str()));
    const OptionsDialogLayout layout = computeOptionsDialogLayout(in);

    const ControlBox* boxes[] = {&layout.checkRegistry, &layout.checkFileSystem};
    const int checkIds[] = {ID_CHECK_REGISTRY, ID_CHECK_FILE_SYSTEM};
    const bool checked[] = {options_.checkRegistry, options_.checkFileSystem};
    for (u32 i = 0; i < 2; ++i) {
        HWND box = createCheckBox(boxes[i]->x, boxes[i]->y, boxes[i]->width, boxes[i]->height, checks[i].c_str(), checkIds[i]);
        if (box) SendMessageW(box, BM_SETCHECK, checked[i] ? BST_CHECKED : BST_UNCHECKED, 0);
    }

    const ControlBox& box = layout.list;
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"SysListView32", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_HSCROLL | WS_VSCROLL | LVS_REPORT |
                                LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                            box.x, box.y, box.width, box.height, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_LIST)), GetModuleHandleW(nullptr), nullptr);
    if (list_) {
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
        SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        const u32 headings[] = {TEXT_COLUMN_DIRECTORY, TEXT_COLUMN_MODE};
        for (u32 column = 0; column < 2; ++column) {
            const std::u16string heading = widen(loadText(headings[column]));
            LVCOLUMNW info = {};
            info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            info.fmt = LVCFMT_LEFT;
            info.cx = layout.columnWidths[column];
            info.pszText = const_cast<wchar_t*>(wide(heading));
            info.iSubItem = static_cast<int>(column);
            SendMessageW(list_, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
        }
        refreshList();
    }

    const ControlBox& skip = layout.skipUpdates;
    if (HWND check = createCheckBox(skip.x, skip.y, skip.width, skip.height, checks[2].c_str(), ID_SKIP_UPDATES)) {
        SendMessageW(check, BM_SETCHECK, options_.skipWindowsUpdateFiles ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    const int ids[] = {IDOK, IDCANCEL, 3, ID_HOMEPAGE};
    for (u32 i = 0; i < layout.row.count; ++i) {
        const ControlBox& b = layout.row.buttons[i];
        createButton(b.x, b.y, b.width, b.height, buttons[i].c_str(), ids[i], i == 0);
    }
    size.width = layout.clientWidth;
    size.height = layout.clientHeight;
    return true;
}

void OptionsDialog::refreshList() {
    if (!list_) return;
    SendMessageW(list_, LVM_SETITEMCOUNT, options_.directoryCount(), 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void OptionsDialog::fillCell(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = 0;
    const DirectoryEntry* entry = item.iItem >= 0 ? options_.directoryAt(static_cast<u32>(item.iItem)) : nullptr;
    if (!entry) return;
    if (item.iSubItem == 0) {
        cellText_ = entry->path ? entry->path.get() : u"";
    } else {
        cellText_ = widen(entry->mode == MODE_QUICK      ? loadText(TEXT_MODE_QUICK)
                          : entry->mode == MODE_COMPLETE ? loadText(TEXT_MODE_COMPLETE)
                                                         : std::string("???"));
    }
    copyBounded(reinterpret_cast<char16_t*>(item.pszText), static_cast<size_t>(item.cchTextMax), cellText_);
}

i32 OptionsDialog::selectedRow() const {
    return list_ ? static_cast<i32>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) : -1;
}

void OptionsDialog::editEntry(i32 row) {
    DirectoryEntry* existing = row >= 0 ? options_.directoryAt(static_cast<u32>(row)) : nullptr;
    if (existing) {
        runDirectoryEntryDialog(window(), *existing);
    } else {
        DirectoryEntry* fresh = DirectoryEntry::create(u"", MODE_COMPLETE);
        if (!fresh) return;
        if (runDirectoryEntryDialog(window(), *fresh) != 1 || !options_.paths.append(fresh)) delete fresh;
    }
    refreshList();
}

void OptionsDialog::deleteSelected() {
    const i32 row = selectedRow();
    if (row < 0 || static_cast<u32>(row) >= options_.directoryCount()) return;
    options_.paths.removeAt(static_cast<u32>(row), false);
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), 0);
    refreshList();
}

void OptionsDialog::trackMenu(HMENU menu, POINT at) {
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window(), nullptr);
}

INT_PTR OptionsDialog::onMessage(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY) return 0;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->hwndFrom != list_) return 0;
    switch (header->code) {
    case LVN_GETDISPINFOW:
        fillCell(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
        break;
    case NM_DBLCLK:
        // A double click on an item edits it; one outside the items makes a new entry.
        editEntry(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
        break;
    case NM_RCLICK:
        if (menu_) {
            EnableMenuItem(menu_.get(), MENU_DELETE, MF_BYCOMMAND | (selectedRow() >= 0 ? MF_ENABLED : MF_GRAYED));
            POINT at = {};
            GetCursorPos(&at);
            trackMenu(menu_.get(), at);
        }
        break;
    default:
        return 0;
    }
    SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
    return TRUE;
}

bool OptionsDialog::onCommand(HWND, u32 id, u32 code, HWND) {
    if (code == IGNORED_NOTIFICATION) return true;
    auto isChecked = [this](int check) { return SendMessageW(control(check), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    switch (id) {
    case IDOK: {
        const bool registry = isChecked(ID_CHECK_REGISTRY);
        const bool fileSystem = isChecked(ID_CHECK_FILE_SYSTEM);
        // A run needs something to look at: the dialog stays open.
        if (!registry && !fileSystem) return true;
        options_.checkRegistry = registry;
        options_.checkFileSystem = fileSystem;
        options_.skipWindowsUpdateFiles = isChecked(ID_SKIP_UPDATES);
        endDialog(1);
        return true;
    }
    case IDCANCEL: endDialog(0); return true;
    case 3: showHelpTopic(HELP_OPTIONS); return true;
    case ID_HOMEPAGE: {
        char address[MESSAGE_SIZE] = {};
        if (loadString(address, sizeof address, TEXT_HOMEPAGE_ADDRESS, true)) openWithShell(address);
        return true;
    }
    case MENU_NEW: editEntry(-1); return true;
    case MENU_DELETE: deleteSelected(); return true;
    default: return false;
    }
}

// ---- directory entry dialog ------------------------------------------------------------------

DirectoryEntryDialog::DirectoryEntryDialog(HWND owner, DirectoryEntry& entry)
    : DialogBase(owner, loadText(TEXT_DIRECTORY_TITLE).c_str()), entry_(entry) {
    makeWide();
}

bool DirectoryEntryDialog::build(HWND, DialogSize& size) {
    const std::string pathLabel = loadText(TEXT_PATH_LABEL);
    const std::string modeLabel = loadText(TEXT_MODE_LABEL);
    const std::string change = loadText(TEXT_CHANGE);
    const std::string buttons[] = {loadText(TEXT_OK), loadText(TEXT_CANCEL), loadText(TEXT_HELP)};
    DirectoryDialogInput in;
    in.metrics = metrics();
    in.widestLabelText = std::max(textWidth(pathLabel.c_str()), textWidth(modeLabel.c_str()));
    in.colonWidth = colonWidth();
    in.changeTextWidth = textWidth(change.c_str());
    for (const std::string& text : buttons) in.widestButtonText = std::max(in.widestButtonText, textWidth(text.c_str()));
    const DirectoryDialogLayout layout = computeDirectoryDialogLayout(in);

    auto box = [](const ControlBox& b) { return b; };
    ControlBox b = box(layout.pathLabel);
    createStatic(b.x, b.y, b.width, b.height, pathLabel.c_str(), true);
    b = layout.path;
    HWND path = createEdit(b.x, b.y, b.width, b.height, entry_.path ? entry_.path.get() : u"", ID_PATH);
    b = layout.change;
    createButton(b.x, b.y, b.width, b.height, change.c_str(), ID_CHANGE);
    b = layout.modeLabel;
    createStatic(b.x, b.y, b.width, b.height, modeLabel.c_str(), true);
    b = layout.mode;
    // A drop-down list's height includes the opened list.
    if (HWND mode = createComboBox(b.x, b.y, b.width, b.height * 5, ID_MODE)) {
        addComboString(mode, loadText(TEXT_MODE_COMPLETE).c_str());
        addComboString(mode, loadText(TEXT_MODE_QUICK).c_str());
        setComboSelection(mode, entry_.mode == MODE_QUICK ? 1 : 0);
    }
    const int ids[] = {IDOK, IDCANCEL, 3};
    for (u32 i = 0; i < layout.row.count; ++i) {
        const ControlBox& button = layout.row.buttons[i];
        createButton(button.x, button.y, button.width, button.height, buttons[i].c_str(), ids[i], i == 0);
    }
    SetFocus(path);
    size.width = layout.clientWidth;
    size.height = layout.clientHeight;
    size.focusSet = true;
    return true;
}

void DirectoryEntryDialog::browse() {
    auto browseForFolder = lookUp<BrowseForFolderWFunction>("shell32.dll", "SHBrowseForFolderW");
    auto pathFromIdList = lookUp<PathFromIdListWFunction>("shell32.dll", "SHGetPathFromIDListW");
    auto taskMemFree = lookUp<TaskMemFreeFunction>("ole32.dll", "CoTaskMemFree");
    if (!browseForFolder || !pathFromIdList) return;
    const std::u16string title = widen(loadText(TEXT_SELECT_FOLDER));
    wchar_t chosen[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = window();
    info.pszDisplayName = chosen;
    info.lpszTitle = wide(title);
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE list = browseForFolder(&info);
    if (!list) return;
    if (pathFromIdList(list, chosen)) SetWindowTextW(control(ID_PATH), chosen);
    if (taskMemFree) taskMemFree(list);
}

bool DirectoryEntryDialog::accept() {
    char16_t text[TEXT_FIELD_SIZE] = {};
    getControlWideText(control(ID_PATH), text, sizeof text);
    if (!text[0]) return false;
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(text));
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    wchar_t full[TEXT_FIELD_SIZE] = {};
    const DWORD length = GetFullPathNameW(reinterpret_cast<const wchar_t*>(text), TEXT_FIELD_SIZE, full, nullptr);
    const std::u16string path = normaliseDirectoryPath(
        length && length < TEXT_FIELD_SIZE ? std::u16string(reinterpret_cast<const char16_t*>(full)) : std::u16string(text));
    std::unique_ptr<char16_t[]> stored(new (std::nothrow) char16_t[path.size() + 1]);
    if (!stored) return false;
    copyBounded(stored.get(), path.size() + 1, path);
    entry_.path = std::move(stored);
    entry_.mode = comboSelection(control(ID_MODE)) == 1 ? MODE_QUICK : MODE_COMPLETE;
    return true;
}

bool DirectoryEntryDialog::onCommand(HWND, u32 id, u32 code, HWND) {
    if (code == IGNORED_NOTIFICATION) return true;
    switch (id) {
    case ID_CHANGE: browse(); return true;
    case IDOK:
        if (accept()) endDialog(1);
        else SetFocus(control(ID_PATH));
        return true;
    case IDCANCEL: endDialog(0); return true;
    case 3: showHelpTopic(HELP_DIRECTORY); return true;
    default: return false;
    }
}

// ---- entry points ----------------------------------------------------------------------------

INT_PTR runStartDialog(RunOptions& options, u32& mode, bool& loadRequest) {
    StartDialog dialog(options, mode, loadRequest);
    return dialog.runDialog();
}

INT_PTR runPhaseTwoDialog(RunOptions& options, u32& choice) {
    PhaseTwoDialog dialog(options, choice);
    return dialog.runDialog();
}

INT_PTR runSetupQuestion(HWND owner, ProgressSink* sink, SnapshotTree* registryTree, SnapshotTree* fileSystemTree,
                         const RunOptions* options) {
    SetupDialog dialog(false, owner, sink, registryTree, fileSystemTree, options, TEXT_SETUP_COMPLETE);
    return dialog.runDialog();
}

INT_PTR runOptionsDialog(HWND owner, RunOptions& options) {
    OptionsDialog dialog(owner, options);
    return dialog.runDialog();
}

INT_PTR runDirectoryEntryDialog(HWND owner, DirectoryEntry& entry) {
    DirectoryEntryDialog dialog(owner, entry);
    return dialog.runDialog();
}

bool chooseSnapshotFile(HWND owner, char* buffer, u32 size) {
    auto open = lookUp<GetOpenFileNameAFunction>("comdlg32.dll", "GetOpenFileNameA");
    if (!open || !buffer || !size) return false;
    const std::string filter = makeChooserFilter(loadText(TEXT_SNAPSHOT_FILTER).c_str());
    const std::string title = loadText(TEXT_OPEN_SNAPSHOT);
    std::vector<char> file(CHOOSER_BUFFER_SIZE, '\0');
    OPENFILENAMEA chooser = {};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = owner;
    chooser.lpstrFilter = filter.c_str();
    chooser.nFilterIndex = 1;
    chooser.lpstrFile = file.data();
    chooser.nMaxFile = CHOOSER_BUFFER_SIZE;
    chooser.lpstrTitle = title.c_str();
    chooser.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    if (!open(&chooser)) return false;
    copyBounded(buffer, size, file.data());
    return true;
}

}  // namespace pelorin
