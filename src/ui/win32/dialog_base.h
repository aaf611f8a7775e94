#pragma once
// The base of every dialog the user sees. The dialog starts from a template built in memory
// that describes only the frame; the derived class creates its controls in `build`, at pixel
// positions computed from the measured dialog font (metrics()), and reports the client size it
// needs; the base then sizes the window and centres it on the screen.
//
//   class AskDialog : public DialogBase {
//   public:
//       AskDialog() : DialogBase(nullptr, PROGRAM_TITLE) {}
//   protected:
//       bool build(HWND, DialogSize& size) override {
//           const LayoutMetrics& m = metrics();
//           const i32 b = buttonWidthFor({"&Yes", "&No"});
//           size.width = std::max(25 * characterWidth(), buttonRowMinimum(2, b, m));
//           ...create controls..., then size.height = heightBelowButtonRow(rowTop, m);
//           return true;
//       }
//       bool onCommand(HWND, u32 id, u32, HWND) override { endDialog(id == 1); return true; }
//   };
//   AskDialog dialog;  INT_PTR answer = dialog.runDialog();
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "runtime/types.h"
#include "ui/dialog_layout.h"
#include "ui/dialog_switches.h"
#include "ui/win32/ui_handles.h"

namespace pelorin {

// What `build` reports: the client size it needs, and whether it set the focus itself (the
// system then leaves the focus alone).
struct DialogSize {
    i32 width = 0;
    i32 height = 0;
    bool focusSet = false;
};

// The face and size `dialogFont` asks for.
struct FontRequest {
    char face[LF_FACESIZE] = "Arial";
    i32 points = DIALOG_FONT_POINTS;
};

struct TextSize {
    i32 width = 0;
    i32 height = 0;
};

class DialogBase {
public:
    // A modal dialog.
    DialogBase(HWND owner, const char* title);
    // A modal or modeless dialog.
    DialogBase(bool modeless, HWND owner, const char* title);
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // Run through the wide-character dialog functions (when the system has them).
    void makeWide() { useWideDialog_ = true; }
    // A title with characters beyond the ANSI range; used instead of the title.
    void setWideTitle(const char16_t* title);
    void setNoCaption(bool noCaption) { noCaption_ = noCaption; }
    void setResizable(bool resizable) { resizable_ = resizable; }
    // Open at this screen position instead of centred.
    void keepPosition(i32 x, i32 y);

    // Modal: runs the dialog and gives the value passed to endDialog (-1 when it was closed
    // through the close box, or when it could not be shown). Modeless: creates and shows the
    // window and gives its handle (as a number; 0 when it could not be created), at once.
    INT_PTR runDialog();
    void endDialog(INT_PTR result);
    // Dispatches the messages waiting for the dialog window; long operations on the
    // user-interface thread call it to keep a modeless dialog alive.
    void pumpMessages();
    void update();
    // The application's keyboard accelerators, translated by pumpMessages for `target` before
    // anything else (and the MDI system keys of `mdiClient` when the application is an MDI one).
    // None by default.
    static void setApplicationAccelerators(HWND target, HACCEL table, HWND mdiClient = nullptr);

    HWND window() const { return window_; }
    HWND owner() const { return owner_; }
    bool isModeless() const { return modeless_; }

    // ---- font and metrics (valid from `build` on; 1 and the "before measuring" values before)
    HFONT font() const { return font_; }
    const FontRequest& fontRequest() const { return fontRequest_; }
    i32 characterWidth() const { return characterWidth_; }
    i32 characterHeight() const { return characterHeight_; }
    i32 colonWidth() const { return colonWidth_; }
    const LayoutMetrics& metrics() const { return metrics_; }

    // The text as drawn in the dialog font, mnemonic "&"s removed; false (and 0 x 0) for an
    // empty text.
    bool measureText(const char* text, TextSize& size) const;
    i32 textWidth(const char* text) const;
    // Width of "W" and height of "|" in a font (the dialog font when none is given).
    i32 fontCharacterWidth(HFONT font = nullptr) const;
    i32 fontCharacterHeight(HFONT font = nullptr) const;
    // The width of a row's push buttons: the widest text, at least 50 pixels, plus padding.
    i32 buttonWidthFor(std::initializer_list<const char*> texts) const;

    // A font at the desktop's resolution in the dialog font's quality; empty on failure.
    static ui::UniqueFont createFont(const char* face, i32 points, bool bold, bool italic);

    // ---- control creators: children of the dialog window; null on failure
    HWND createStatic(i32 x, i32 y, i32 width, i32 height, const char* text, bool label = false,
                      bool centred = false, HFONT font = nullptr);
    // `editControlClass` asks for the framework's "EDITCTRL" class instead of "edit" (no
    // client edge, no border); nothing registers that class yet.
    HWND createEdit(i32 x, i32 y, i32 width, i32 height, const char* text, int id, bool readOnly = false,
                    bool password = false, bool multiLine = false, bool editControlClass = false);
    HWND createEdit(i32 x, i32 y, i32 width, i32 height, const char16_t* text, int id, bool readOnly = false,
                    bool password = false, bool multiLine = false);
    HWND createComboBox(i32 x, i32 y, i32 width, i32 height, int id, bool editable = false);
    HWND createButton(i32 x, i32 y, i32 width, i32 height, const char* text, int id, bool isDefault = false);
    HWND createBitmapButton(i32 x, i32 y, i32 width, i32 height, HBITMAP bitmap, int id, bool isDefault = false);
    HWND createCheckBox(i32 x, i32 y, i32 width, i32 height, const char* text, int id);
    // A tooltip for `control`; it lives as long as the dialog window.
    bool addToolTip(HWND control, const char* text);

    // ---- control operations: one message each; false (or 0, -1) when the control is missing
    HWND control(int id) const { return window_ ? GetDlgItem(window_, id) : nullptr; }
    static u32 controlTextLength(HWND control);
    static bool getControlText(HWND control, char* buffer, u32 capacity);
    static bool setControlText(HWND control, const char* text, bool appendColon = false);
    // `capacityBytes` is the buffer's size in bytes.
    static bool getControlWideText(HWND control, char16_t* buffer, u32 capacityBytes);
    static bool selectEditRange(HWND control, i32 start, i32 end);
    static bool addComboString(HWND control, const char* text);
    static bool setComboSelection(HWND control, i32 index);
    static i32 comboSelection(HWND control);

    // The process-wide flag for very small screens (a switch, or a work area at most 240 x 320),
    // decided on its first use.
    static bool isCompactMode(HWND window = nullptr);
    // The work area: the switch, else the monitor of the window (several monitors) or the
    // virtual screen, else the system's work area, else the screen.
    static AreaRect workArea(HWND window);
    // The dialog switches of the runtime's "-~" arguments, read once.
    static const DialogSwitches& switches();

protected:
    // Creates the controls. Gives false when the dialog cannot be built (it then stays unsized).
    virtual bool build(HWND window, DialogSize& size) = 0;
    // A WM_COMMAND; true when handled.
    virtual bool onCommand(HWND window, u32 id, u32 code, HWND control);
    // Every message the procedure does not route elsewhere; the procedure's result.
    virtual INT_PTR onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // WM_CLOSE (close box, Alt+F4): false keeps the dialog open.
    virtual bool canClose(HWND window);
    virtual bool onDestroy(HWND window);
    // The face and size of the dialog font: Arial, 10 points (9 compact), scaled by the switch.
    virtual void dialogFont(FontRequest& request);

    // Derived classes that own resources the window's controls use call this first in their
    // destructor, so that the window goes before those resources.
    void destroyModelessWindow();

private:
    static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR initialise(HWND window);
    void setUpFont(HDC dc);
    HWND createChild(DWORD exStyle, const char* className, const char* text, DWORD style, i32 x, i32 y,
                     i32 width, i32 height, int id, HFONT font);
    bool buildTemplate();

    bool useWideDialog_ = false;
    bool modeless_ = false;
    ui::UniqueWindow modelessWindow_;
    HWND owner_ = nullptr;
    HWND window_ = nullptr;
    std::string title_;
    std::u16string wideTitle_;
    bool hasWideTitle_ = false;
    bool noCaption_ = false;
    bool resizable_ = false;
    HFONT font_ = nullptr;
    ui::UniqueFont ownedFont_;
    FontRequest fontRequest_;
    i32 characterWidth_ = 1;
    i32 characterHeight_ = 1;
    i32 colonWidth_ = 1;
    LayoutMetrics metrics_;
    std::unique_ptr<u8[]> template_;
    i32 storedX_ = 0;
    i32 storedY_ = 0;
    bool keepPosition_ = false;
    HDC initDc_ = nullptr;  // the device context held while the dialog is initialised
};

// Registers "MyStatic", a local copy of the system's static class, once; the program calls it
// at start-up. While the application's custom colours are on, it paints its text itself in
// them, underlining the mnemonic characters; otherwise it is the system's static.
bool registerStaticClass();
// Switches the custom colours of "MyStatic" on or off (off at start; no dialog of this program
// turns them on).
void setCustomStaticColours(bool on, COLORREF text = 0, COLORREF background = 0xFFFFFF);

}  // namespace pelorin
