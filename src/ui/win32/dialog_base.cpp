#include "ui/win32/dialog_base.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "app/argument_list.h"
#include "runtime/text.h"

namespace pelorin {
namespace {

using DialogBoxIndirectParamWFunction = INT_PTR(WINAPI*)(HINSTANCE, LPCDLGTEMPLATEW, HWND, DLGPROC, LPARAM);
using CreateDialogIndirectParamWFunction = HWND(WINAPI*)(HINSTANCE, LPCDLGTEMPLATEW, HWND, DLGPROC, LPARAM);
using InitCommonControlsExFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

template <class F>
F lookUp(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    if (!module) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

constexpr DWORD STYLE_STATIC = 0x50000080;        // WS_CHILD | WS_VISIBLE | SS_NOPREFIX
constexpr DWORD STYLE_LABEL = 0x50000000;         // "&" marks a mnemonic
constexpr DWORD STYLE_EDIT = 0x50010080;          // WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL
constexpr DWORD STYLE_WIDE_EDIT = 0x50810080;     // the same with WS_BORDER
constexpr DWORD STYLE_EDIT_MULTI_LINE = 0x00301044;  // both scroll bars, ES_WANTRETURN, ES_AUTOVSCROLL, ES_MULTILINE
constexpr DWORD STYLE_COMBO_BOX = 0x50210003;     // WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST
constexpr DWORD STYLE_BUTTON = 0x50010000;
constexpr DWORD STYLE_BITMAP_BUTTON = 0x50010080;  // BS_BITMAP
constexpr DWORD STYLE_CHECK_BOX = 0x50010003;      // BS_AUTOCHECKBOX

HINSTANCE programInstance() { return GetModuleHandleW(nullptr); }

i32 pixelsPerInchY(HDC dc) {
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

LOGFONTA logFontFor(const char* face, i32 points, bool bold, bool italic, HDC dc) {
    LOGFONTA font = {};
    font.lfHeight = -MulDiv(points, pixelsPerInchY(dc), 72);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = italic ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    const DialogSwitches& switches = DialogBase::switches();
    font.lfQuality = switches.hasFontQuality ? switches.fontQuality : DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    copyBounded(font.lfFaceName, LF_FACESIZE, face ? face : "");
    return font;
}

// The size of a text drawn in `font`: on `dc` when given, else on the device context of `window`
// (the screen's for none).
TextSize extentOf(HDC dc, HWND window, HFONT font, const char* text, size_t length) {
    TextSize out;
    if (!text || !length) return out;
    std::optional<ui::WindowDc> own;
    if (!dc) dc = own.emplace(window).get();
    if (!dc) return out;
    ui::SelectedObject selected(dc, font);
    SIZE size = {};
    if (GetTextExtentPoint32A(dc, text, static_cast<int>(length), &size)) {
        out.width = size.cx;
        out.height = size.cy;
    }
    return out;
}

bool isControl(HWND control) { return control && IsWindow(control); }

WNDPROC gSystemStaticProcedure = nullptr;

struct StaticColours {
    bool on = false;
    COLORREF text = 0;
    COLORREF background = 0xFFFFFF;
};
StaticColours gStaticColours;

// The text of a "MyStatic" in the custom colours, character by character from the top left (or
// centred for SS_CENTER), with a line two pixels above the text's bottom under each mnemonic.
void paintCustomStatic(HWND window, HDC dc) {
    RECT client = {};
    GetClientRect(window, &client);
    ui::UniqueBrush background(CreateSolidBrush(gStaticColours.background));
    if (background) FillRect(dc, &client, background.get());
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    const std::vector<DrawnCharacter> drawn = drawnCharacters(text);
    // Declared before their selections, so that each is selected out before it is deleted.
    ui::UniquePen pen(CreatePen(PS_SOLID, 1, gStaticColours.text));
    ui::SelectedObject selectedFont(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    ui::SelectedObject selectedPen(dc, pen.get());
    SetTextColor(dc, gStaticColours.text);
    SetBkMode(dc, TRANSPARENT);
    i32 total = 0;
    for (const DrawnCharacter& d : drawn) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, &d.character, 1, &size);
        total += size.cx;
    }
    i32 x = (GetWindowLongA(window, GWL_STYLE) & SS_CENTER) ? std::max<i32>(0, (client.right - total) / 2) : 0;
    for (const DrawnCharacter& d : drawn) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, &d.character, 1, &size);
        TextOutA(dc, x, 0, &d.character, 1);
        if (d.underlined && pen) {
            const i32 y = size.cy - 2;
            MoveToEx(dc, x, y, nullptr);
            LineTo(dc, x + size.cx, y);
        }
        x += size.cx;
    }
}

LRESULT CALLBACK myStaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gStaticColours.on) {
        switch (message) {
        case WM_ERASEBKGND: return 1;  // painted with the text
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (HDC dc = BeginPaint(window, &paint)) {
                paintCustomStatic(window, dc);
                EndPaint(window, &paint);
            }
            return 0;
        }
        case WM_PRINTCLIENT:
            paintCustomStatic(window, reinterpret_cast<HDC>(wParam));
            return 0;
        default: break;
        }
    }
    return CallWindowProcA(gSystemStaticProcedure, window, message, wParam, lParam);
}

// The application's accelerators for pumpMessages.
HWND gAcceleratorTarget = nullptr;
HACCEL gAccelerators = nullptr;
HWND gMdiClient = nullptr;

}  // namespace

// ---- construction ----------------------------------------------------------------------------

DialogBase::DialogBase(HWND owner, const char* title) : DialogBase(false, owner, title) {}

DialogBase::DialogBase(bool modeless, HWND owner, const char* title)
    : modeless_(modeless), owner_(owner), title_(title ? title : "") {
    metrics_ = computeLayoutMetrics(characterWidth_, characterHeight_, false);
}

DialogBase::~DialogBase() { destroyModelessWindow(); }

void DialogBase::destroyModelessWindow() { modelessWindow_.reset(); }

void DialogBase::setWideTitle(const char16_t* title) {
    hasWideTitle_ = title != nullptr;
    wideTitle_ = title ? title : u"";
}

void DialogBase::keepPosition(i32 x, i32 y) {
    storedX_ = x;
    storedY_ = y;
    keepPosition_ = true;
}

// ---- running ---------------------------------------------------------------------------------

bool DialogBase::buildTemplate() {
    const size_t titleLength = hasWideTitle_ ? wideTitle_.size() : title_.size();
    const u32 capacity = dialogTemplateCapacity(static_cast<u32>(titleLength));
    template_.reset(new (std::nothrow) u8[capacity]);
    if (!template_) return false;
    const u32 style = dialogTemplateStyle(noCaption_, resizable_);
    if (!writeDialogTemplate(template_.get(), capacity, style, title_.c_str(), hasWideTitle_ ? wideTitle_.c_str() : nullptr)) {
        template_.reset();
        return false;
    }
    return true;
}

INT_PTR DialogBase::runDialog() {
    if (!buildTemplate()) return -1;
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    const auto* wideTemplate = reinterpret_cast<LPCDLGTEMPLATEW>(template_.get());
    const auto* ansiTemplate = reinterpret_cast<LPCDLGTEMPLATEA>(template_.get());
    if (modeless_) {
        auto createWide = useWideDialog_
                              ? lookUp<CreateDialogIndirectParamWFunction>("user32.dll", "CreateDialogIndirectParamW")
                              : nullptr;
        HWND window = createWide ? createWide(programInstance(), wideTemplate, owner_, dialogProcedure, self)
                                 : CreateDialogIndirectParamA(programInstance(), ansiTemplate, owner_, dialogProcedure, self);
        if (!window) return 0;
        modelessWindow_.reset(window);
        ShowWindow(window, SW_SHOW);
        return reinterpret_cast<INT_PTR>(window);
    }
    auto runWide =
        useWideDialog_ ? lookUp<DialogBoxIndirectParamWFunction>("user32.dll", "DialogBoxIndirectParamW") : nullptr;
    const INT_PTR result = runWide ? runWide(programInstance(), wideTemplate, owner_, dialogProcedure, self)
                                   : DialogBoxIndirectParamA(programInstance(), ansiTemplate, owner_, dialogProcedure, self);
    template_.reset();
    return result;
}

void DialogBase::endDialog(INT_PTR result) {
    if (window_) EndDialog(window_, result);
}

void DialogBase::setApplicationAccelerators(HWND target, HACCEL table, HWND mdiClient) {
    gAcceleratorTarget = target;
    gAccelerators = table;
    gMdiClient = mdiClient;
}

void DialogBase::pumpMessages() {
    MSG message;
    const bool wide = window_ && IsWindowUnicode(window_);
    while (window_ && (wide ? PeekMessageW(&message, window_, 0, 0, PM_REMOVE)
                            : PeekMessageA(&message, window_, 0, 0, PM_REMOVE))) {
        if (gAccelerators && gAcceleratorTarget && TranslateAcceleratorA(gAcceleratorTarget, gAccelerators, &message)) {
            continue;
        }
        if (gMdiClient && TranslateMDISysAccel(gMdiClient, &message)) continue;
        TranslateMessage(&message);
        if (wide) DispatchMessageW(&message);
        else DispatchMessageA(&message);
    }
}

void DialogBase::update() {
    if (window_) UpdateWindow(window_);
}

// ---- the dialog procedure --------------------------------------------------------------------

INT_PTR CALLBACK DialogBase::dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<DialogBase*>(lParam);
        return self ? self->initialise(window) : TRUE;
    }
    auto* self = reinterpret_cast<DialogBase*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
    case WM_COMMAND:
        return self->onCommand(window, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_CLOSE:
        // Handled either way, so that the system does not turn it into a Cancel command.
        if (self->canClose(window)) EndDialog(window, -1);
        return TRUE;
    case WM_DESTROY:
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->onDestroy(window);
        self->window_ = nullptr;
        // The window goes by itself; the owner must not destroy it again.
        if (self->modelessWindow_.get() == window) self->modelessWindow_.release();
        return FALSE;
    default:
        return self->onMessage(window, message, wParam, lParam);
    }
}

INT_PTR DialogBase::initialise(HWND window) {
    if (HICON icon = LoadIconW(programInstance(), MAKEINTRESOURCEW(1))) {
        SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    }
    window_ = window;
    ui::WindowDc dc(window);
    initDc_ = dc.get();
    setUpFont(initDc_);
    DialogSize size;
    if (build(window, size)) {
        const i32 width = size.width;
        const i32 height = size.height + GetSystemMetrics(SM_CYCAPTION);
        const WindowPosition position =
            keepPosition_ ? WindowPosition{storedX_, storedY_}
                          : centredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
        MoveWindow(window, position.x, position.y, width, height, FALSE);
    }
    initDc_ = nullptr;
    return size.focusSet ? FALSE : TRUE;
}

void DialogBase::setUpFont(HDC dc) {
    fontRequest_ = FontRequest{};
    dialogFont(fontRequest_);
    const LOGFONTA request = logFontFor(fontRequest_.face, fontRequest_.points, false, false, dc);
    ownedFont_.reset(CreateFontIndirectA(&request));
    font_ = ownedFont_.get();
    if (!font_) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!font_) font_ = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    characterWidth_ = std::max(1, extentOf(dc, window_, font_, "W", 1).width);
    characterHeight_ = std::max(1, extentOf(dc, window_, font_, "|", 1).height);
    colonWidth_ = extentOf(dc, window_, font_, ":", 1).width;
    metrics_ = computeLayoutMetrics(characterWidth_, characterHeight_, isCompactMode(window_));
}

// ---- default operations ----------------------------------------------------------------------

bool DialogBase::onCommand(HWND, u32, u32, HWND) { return false; }
INT_PTR DialogBase::onMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }
bool DialogBase::canClose(HWND) { return true; }
bool DialogBase::onDestroy(HWND) { return true; }

void DialogBase::dialogFont(FontRequest& request) {
    copyBounded(request.face, sizeof request.face, "Arial");
    request.points =
        defaultDialogFontPoints(isCompactMode(window_), switches().hasFontPercent, switches().fontPercent);
}

// ---- fonts and measuring ---------------------------------------------------------------------

ui::UniqueFont DialogBase::createFont(const char* face, i32 points, bool bold, bool italic) {
    ui::WindowDc desktop(nullptr);
    const LOGFONTA request = logFontFor(face, points, bold, italic, desktop.get());
    return ui::UniqueFont(CreateFontIndirectA(&request));
}

bool DialogBase::measureText(const char* text, TextSize& size) const {
    size = TextSize{};
    if (!text || !*text) return false;
    const std::string drawn = withoutMnemonics(text);
    size = extentOf(initDc_, window_, font_, drawn.c_str(), drawn.size());
    return true;
}

i32 DialogBase::textWidth(const char* text) const {
    TextSize size;
    measureText(text, size);
    return size.width;
}

i32 DialogBase::fontCharacterWidth(HFONT font) const {
    return font ? extentOf(initDc_, window_, font, "W", 1).width : characterWidth_;
}

i32 DialogBase::fontCharacterHeight(HFONT font) const {
    return font ? extentOf(initDc_, window_, font, "|", 1).height : characterHeight_;
}

i32 DialogBase::buttonWidthFor(std::initializer_list<const char*> texts) const {
    i32 widest = 0;
    for (const char* text : texts) widest = std::max(widest, textWidth(text));
    return buttonWidth(widest, metrics_);
}

// ---- compact mode and work area --------------------------------------------------------------

const DialogSwitches& DialogBase::switches() {
    static const DialogSwitches read = readDialogSwitches(runtimeSwitches());
    return read;
}

bool DialogBase::isCompactMode(HWND window) {
    // Decided once for the process (user-interface thread only).
    static int compact = -1;
    if (compact < 0) {
        const AreaRect area = workArea(window);
        compact = switches().compact || isCompactWorkArea(area.width(), area.height()) ? 1 : 0;
    }
    return compact == 1;
}

AreaRect DialogBase::workArea(HWND window) {
    const DialogSwitches& given = switches();
    if (given.hasWorkArea) return AreaRect{0, 0, given.workAreaWidth, given.workAreaHeight};
    if (GetSystemMetrics(SM_CMONITORS) > 1) {
        MONITORINFO info = {};
        info.cbSize = sizeof info;
        HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr;
        if (monitor && GetMonitorInfoW(monitor, &info)) {
            return AreaRect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
        }
        return virtualScreenArea(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                 GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    }
    RECT work = {};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) && work.right > work.left && work.bottom > work.top) {
        return AreaRect{work.left, work.top, work.right, work.bottom};
    }
    return AreaRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// ---- control creators ------------------------------------------------------------------------

HWND DialogBase::createChild(DWORD exStyle, const char* className, const char* text, DWORD style, i32 x, i32 y,
                             i32 width, i32 height, int id, HFONT font) {
    if (!window_) return nullptr;
    HWND child = CreateWindowExA(exStyle, className, text, style, x, y, width, height, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), programInstance(), nullptr);
    if (!child) return nullptr;
    SetWindowLongPtrW(child, GWLP_ID, id);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : font_), FALSE);
    return child;
}

HWND DialogBase::createStatic(i32 x, i32 y, i32 width, i32 height, const char* text, bool label, bool centred,
                              HFONT font) {
    std::string shown = text ? text : "";
    if (label) shown += ':';
    const DWORD style = (label ? STYLE_LABEL : STYLE_STATIC) | (centred ? SS_CENTER : 0);
    return createChild(0, "STATIC", shown.c_str(), style, x, y, width, height, -1, font);
}

HWND DialogBase::createEdit(i32 x, i32 y, i32 width, i32 height, const char* text, int id, bool readOnly,
                            bool password, bool multiLine, bool editControlClass) {
    DWORD style = STYLE_EDIT | (readOnly ? ES_READONLY : 0) | (password ? ES_PASSWORD : 0) |
                  (multiLine ? STYLE_EDIT_MULTI_LINE : 0);
    if (!editControlClass) style |= WS_BORDER;
    return createChild(editControlClass ? 0 : WS_EX_CLIENTEDGE, editControlClass ? "EDITCTRL" : "edit", text ? text : "",
                       style, x, y, width, height, id, nullptr);
}

HWND DialogBase::createEdit(i32 x, i32 y, i32 width, i32 height, const char16_t* text, int id, bool readOnly,
                            bool password, bool multiLine) {
    if (!window_) return nullptr;
    const DWORD style = STYLE_WIDE_EDIT | (readOnly ? ES_READONLY : 0) | (password ? ES_PASSWORD : 0) |
                        (multiLine ? STYLE_EDIT_MULTI_LINE : 0);
    HWND child = CreateWindowExW(WS_EX_CLIENTEDGE, L"edit", reinterpret_cast<const wchar_t*>(text ? text : u""), style, x,
                                 y, width, height, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 programInstance(), nullptr);
    if (!child) return nullptr;
    SetWindowLongPtrW(child, GWLP_ID, id);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return child;
}

HWND DialogBase::createComboBox(i32 x, i32 y, i32 width, i32 height, int id, bool editable) {
    const DWORD style = editable ? (STYLE_COMBO_BOX & ~CBS_DROPDOWNLIST) | CBS_DROPDOWN : STYLE_COMBO_BOX;
    return createChild(0, "COMBOBOX", "", style, x, y, width, height, id, nullptr);
}

HWND DialogBase::createButton(i32 x, i32 y, i32 width, i32 height, const char* text, int id, bool isDefault) {
    return createChild(0, "BUTTON", text ? text : "", STYLE_BUTTON | (isDefault ? BS_DEFPUSHBUTTON : 0), x, y, width,
                       height, id, nullptr);
}

HWND DialogBase::createBitmapButton(i32 x, i32 y, i32 width, i32 height, HBITMAP bitmap, int id, bool isDefault) {
    HWND button = createChild(0, "BUTTON", "", STYLE_BITMAP_BUTTON | (isDefault ? BS_DEFPUSHBUTTON : 0), x, y, width,
                              height, id, nullptr);
    if (button) SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    return button;
}

HWND DialogBase::createCheckBox(i32 x, i32 y, i32 width, i32 height, const char* text, int id) {
    return createChild(0, "BUTTON", text ? text : "", STYLE_CHECK_BOX, x, y, width, height, id, nullptr);
}

bool DialogBase::addToolTip(HWND control, const char* text) {
    if (!window_ || !isControl(control)) return false;
    // The tooltip class comes with the common controls library, which is looked up, not linked.
    static const bool classesReady = [] {
        auto init = lookUp<InitCommonControlsExFunction>("comctl32.dll", "InitCommonControlsEx");
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
        return init && init(&classes);
    }();
    (void)classesReady;  // an older library may have registered the class through InitCommonControls
    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, programInstance(), nullptr);
    if (!tip) return false;
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every library version from 4.70 on
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = control;
    tool.hinst = programInstance();
    tool.lpszText = const_cast<char*>(text ? text : "");
    GetClientRect(control, &tool.rect);
    if (!SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tip);
        return false;
    }
    return true;
}

// ---- control operations ----------------------------------------------------------------------

u32 DialogBase::controlTextLength(HWND control) {
    return isControl(control) ? static_cast<u32>(SendMessageA(control, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

bool DialogBase::getControlText(HWND control, char* buffer, u32 capacity) {
    if (!isControl(control) || !buffer || !capacity) return false;
    SendMessageA(control, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(buffer));
    return true;
}

bool DialogBase::setControlText(HWND control, const char* text, bool appendColon) {
    if (!isControl(control)) return false;
    std::string shown = text ? text : "";
    if (appendColon) shown += ':';
    return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str())) != FALSE;
}

bool DialogBase::getControlWideText(HWND control, char16_t* buffer, u32 capacityBytes) {
    if (!isControl(control) || !buffer || capacityBytes < 2) return false;
    SendMessageW(control, WM_GETTEXT, capacityBytes / 2, reinterpret_cast<LPARAM>(buffer));
    return true;
}

bool DialogBase::selectEditRange(HWND control, i32 start, i32 end) {
    if (!isControl(control)) return false;
    SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    SendMessageW(control, EM_SCROLLCARET, 0, 0);
    return true;
}

bool DialogBase::addComboString(HWND control, const char* text) {
    if (!isControl(control)) return false;
    const LRESULT index = SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""));
    return index != CB_ERR && index != CB_ERRSPACE;
}

bool DialogBase::setComboSelection(HWND control, i32 index) {
    if (!isControl(control)) return false;
    SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return true;
}

i32 DialogBase::comboSelection(HWND control) {
    return isControl(control) ? static_cast<i32>(SendMessageW(control, CB_GETCURSEL, 0, 0)) : -1;
}

// ---- the "MyStatic" class --------------------------------------------------------------------

void setCustomStaticColours(bool on, COLORREF text, COLORREF background) {
    gStaticColours = StaticColours{on, text, background};
}

bool registerStaticClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXA system = {};
    system.cbSize = sizeof system;
    if (!GetClassInfoExA(nullptr, "STATIC", &system)) return false;
    gSystemStaticProcedure = system.lpfnWndProc;
    WNDCLASSEXA copy = system;
    copy.lpfnWndProc = myStaticProcedure;
    copy.hInstance = programInstance();
    copy.lpszClassName = "MyStatic";
    copy.style &= ~CS_GLOBALCLASS;
    registered = RegisterClassExA(&copy) != 0;
    return registered;
}

}  // namespace pelorin
