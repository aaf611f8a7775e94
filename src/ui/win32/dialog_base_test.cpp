// DialogBase with real windows: the frame built from the template, the measured font and the
// window size and position derived from it, the message routing, the control creators and
// operations. Needs a display (Xvfb under Wine).
#include "ui/win32/dialog_base.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pelorin {
namespace {

constexpr UINT MESSAGE_STEP = WM_APP + 1;

// A dialog whose build and message handling are given by the test.
class ProbeDialog : public DialogBase {
public:
    using DialogBase::DialogBase;

    std::function<bool(ProbeDialog&, HWND, DialogSize&)> onBuild;
    std::function<void(ProbeDialog&, HWND)> onStep;  // for MESSAGE_STEP
    bool allowClose = true;
    int closeRequests = 0;
    int commands = 0;
    int okClicks = 0;
    u32 lastCommand = 0;
    bool destroyed = false;

protected:
    bool build(HWND window, DialogSize& size) override { return onBuild ? onBuild(*this, window, size) : false; }
    bool onCommand(HWND, u32 id, u32 code, HWND) override {
        ++commands;
        lastCommand = id;
        if (id == IDOK && code == BN_CLICKED) ++okClicks;
        return true;
    }
    INT_PTR onMessage(HWND window, UINT message, WPARAM, LPARAM) override {
        if (message != MESSAGE_STEP || !onStep) return 0;
        onStep(*this, window);
        return TRUE;
    }
    bool canClose(HWND) override {
        ++closeRequests;
        return allowClose;
    }
    bool onDestroy(HWND) override {
        destroyed = true;
        return true;
    }
};

std::wstring windowText(HWND window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

TEST(DialogBase, FrameSizeAndPlacementFollowTheMeasuredFont) {
    ProbeDialog dialog(nullptr, "Gr\xFC\xDF" "e");  // bytes widened one by one: "Grüße"
    RECT frame = {};
    LONG style = 0;
    dialog.onBuild = [&](ProbeDialog& self, HWND window, DialogSize& size) {
        // The font is measured before build and the metrics come from it.
        EXPECT_GT(self.characterWidth(), 1);
        EXPECT_GT(self.characterHeight(), 1);
        EXPECT_GT(self.colonWidth(), 0);
        EXPECT_LT(self.colonWidth(), self.characterWidth());
        const LayoutMetrics expected = computeLayoutMetrics(self.characterWidth(), self.characterHeight(), false);
        EXPECT_EQ(self.metrics().horizontalMargin, expected.horizontalMargin);
        EXPECT_EQ(self.metrics().buttonHeight, expected.buttonHeight);
        size.width = 333;
        size.height = 201;
        PostMessageW(window, MESSAGE_STEP, 0, 0);
        return true;
    };
    dialog.onStep = [&](ProbeDialog& self, HWND window) {
        GetWindowRect(window, &frame);
        style = GetWindowLongW(window, GWL_STYLE);
        self.endDialog(7);
    };
    EXPECT_EQ(dialog.runDialog(), 7);
    EXPECT_EQ(frame.right - frame.left, 333);
    EXPECT_EQ(frame.bottom - frame.top, 201 + GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(frame.left % 8, 0);
    const WindowPosition centred = centredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 333,
                                                   201 + GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(frame.left, centred.x);
    EXPECT_EQ(frame.top, centred.y);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_POPUP), WS_CAPTION | WS_SYSMENU | WS_POPUP);
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_EQ(dialog.window(), nullptr);  // cleared when the window went
    EXPECT_TRUE(dialog.destroyed);
}

TEST(DialogBase, TitlesReachTheWindow) {
    struct Case {
        const char* name;
        const char* title;
        const char16_t* wideTitle;
        bool wide;
        std::wstring expected;
    };
    const Case cases[] = {
        {"empty", "", nullptr, false, L""},
        {"high bytes widened", "Gr\xFC\xDF" "e", nullptr, false, L"Gr\u00FC\u00DFe"},
        {"wide title in a wide dialog", "unused", u"\u0416\u0443\u0440", true, L"\u0416\u0443\u0440"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeDialog dialog(nullptr, c.title);
        if (c.wideTitle) dialog.setWideTitle(c.wideTitle);
        if (c.wide) dialog.makeWide();
        std::wstring seen = L"<not run>";
        bool unicode = false;
        dialog.onBuild = [&](ProbeDialog&, HWND window, DialogSize& size) {
            size.width = 200;
            size.height = 100;
            PostMessageW(window, MESSAGE_STEP, 0, 0);
            return true;
        };
        dialog.onStep = [&](ProbeDialog& self, HWND window) {
            seen = windowText(window);
            unicode = IsWindowUnicode(window);
            self.endDialog(1);
        };
        EXPECT_EQ(dialog.runDialog(), 1);
        EXPECT_EQ(seen, c.expected);
        EXPECT_EQ(unicode, c.wide);
    }
}

TEST(DialogBase, CloseBoxAsksCanClose) {
    ProbeDialog dialog(nullptr, "close");
    bool stillOpen = false;
    dialog.allowClose = false;
    dialog.onBuild = [](ProbeDialog&, HWND window, DialogSize& size) {
        size.width = 200;
        size.height = 100;
        PostMessageW(window, WM_CLOSE, 0, 0);
        PostMessageW(window, MESSAGE_STEP, 0, 0);
        return true;
    };
    dialog.onStep = [&](ProbeDialog& self, HWND window) {
        stillOpen = IsWindowVisible(window) != FALSE;
        // A refused close is not turned into a Cancel command either.
        EXPECT_EQ(self.commands, 0);
        self.allowClose = true;
        PostMessageW(window, WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(dialog.runDialog(), -1);  // closed through canClose
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(dialog.closeRequests, 2);
}

TEST(DialogBase, ControlsAndTheirOperations) {
    ProbeDialog dialog(nullptr, "controls");
    dialog.onBuild = [](ProbeDialog& self, HWND window, DialogSize& size) {
        TextSize withMnemonic, plain, empty;
        EXPECT_TRUE(self.measureText("&Cancel", withMnemonic));
        EXPECT_TRUE(self.measureText("Cancel", plain));
        EXPECT_EQ(withMnemonic.width, plain.width);
        EXPECT_EQ(withMnemonic.height, plain.height);
        EXPECT_GT(plain.width, 0);
        EXPECT_FALSE(self.measureText("", empty));
        EXPECT_EQ(empty.width, 0);
        EXPECT_EQ(self.buttonWidthFor({"&OK", "&Cancel"}), buttonWidth(plain.width, self.metrics()));

        HWND label = self.createStatic(10, 10, 100, 20, "&Path", true);
        HWND edit = self.createEdit(10, 40, 200, 24, "ansi", 100);
        HWND wideEdit = self.createEdit(10, 70, 200, 24, u"\u0416 wide", 101, true);
        HWND combo = self.createComboBox(10, 100, 200, 120, 102);
        HWND button = self.createButton(10, 130, 80, 26, "&OK", 1, true);
        HWND check = self.createCheckBox(100, 130, 120, 22, "Check", 103);
        EXPECT_TRUE(label && edit && wideEdit && combo && button && check);
        EXPECT_EQ(GetDlgCtrlID(edit), 100);
        EXPECT_EQ(self.control(101), wideEdit);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), self.font());
        EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_DEFPUSHBUTTON, BS_DEFPUSHBUTTON);
        EXPECT_NE(GetWindowLongW(wideEdit, GWL_STYLE) & ES_READONLY, 0);

        char text[64] = {};
        EXPECT_TRUE(DialogBase::getControlText(label, text, sizeof text));
        EXPECT_STREQ(text, "&Path:");
        EXPECT_TRUE(DialogBase::setControlText(edit, "Mode", true));
        EXPECT_EQ(DialogBase::controlTextLength(edit), 5u);
        EXPECT_TRUE(DialogBase::getControlText(edit, text, sizeof text));
        EXPECT_STREQ(text, "Mode:");
        char16_t wide[16] = {};
        EXPECT_TRUE(DialogBase::getControlWideText(wideEdit, wide, sizeof wide));
        EXPECT_EQ(std::u16string(wide), u"\u0416 wide");
        char16_t tiny[3] = {};  // room for two units and the end
        EXPECT_TRUE(DialogBase::getControlWideText(wideEdit, tiny, sizeof tiny));
        EXPECT_EQ(std::u16string(tiny), u"\u0416 ");

        EXPECT_TRUE(DialogBase::addComboString(combo, "Complete (MD5)"));
        EXPECT_TRUE(DialogBase::addComboString(combo, "Quick (Timestamp)"));
        EXPECT_EQ(DialogBase::comboSelection(combo), -1);
        EXPECT_TRUE(DialogBase::setComboSelection(combo, 1));
        EXPECT_EQ(DialogBase::comboSelection(combo), 1);
        EXPECT_TRUE(DialogBase::selectEditRange(edit, 1, 3));

        EXPECT_TRUE(self.addToolTip(button, "A tip"));
        EXPECT_TRUE(FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr) != nullptr);

        // A missing control: every operation says so.
        EXPECT_FALSE(DialogBase::setControlText(nullptr, "x"));
        EXPECT_EQ(DialogBase::controlTextLength(nullptr), 0u);
        EXPECT_EQ(DialogBase::comboSelection(nullptr), -1);
        EXPECT_FALSE(self.addToolTip(nullptr, "x"));

        size.width = 300;
        size.height = 200;
        PostMessageW(button, BM_CLICK, 0, 0);  // a real click goes through WM_COMMAND
        PostMessageW(window, MESSAGE_STEP, 0, 0);
        return true;
    };
    dialog.onStep = [](ProbeDialog& self, HWND) { self.endDialog(self.okClicks); };
    EXPECT_EQ(dialog.runDialog(), 1);
}

TEST(DialogBase, ModelessLivesUntilDeleted) {
    auto* dialog = new ProbeDialog(true, nullptr, "modeless");
    dialog->onBuild = [](ProbeDialog&, HWND, DialogSize& size) {
        size.width = 200;
        size.height = 100;
        return true;
    };
    const INT_PTR handle = dialog->runDialog();
    HWND window = dialog->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(handle), window);
    EXPECT_TRUE(IsWindowVisible(window));
    // Messages reach it through the pump.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(42, 0), 0);
    dialog->pumpMessages();
    EXPECT_EQ(dialog->lastCommand, 42u);
    // The application's accelerators are translated before the key reaches the dialog.
    ACCEL key = {FVIRTKEY, VK_F5, 77};
    HACCEL table = CreateAcceleratorTableA(&key, 1);
    ASSERT_NE(table, nullptr);
    DialogBase::setApplicationAccelerators(window, table);
    PostMessageA(window, WM_KEYDOWN, VK_F5, 1);
    dialog->pumpMessages();
    DialogBase::setApplicationAccelerators(nullptr, nullptr);
    DestroyAcceleratorTable(table);
    EXPECT_EQ(dialog->lastCommand, 77u);
    const int commands = dialog->commands;
    PostMessageA(window, WM_KEYDOWN, VK_F5, 1);  // without the table: no command
    dialog->pumpMessages();
    EXPECT_EQ(dialog->commands, commands);
    delete dialog;
    EXPECT_FALSE(IsWindow(window));
}

TEST(DialogBase, MyStaticBehavesAsAStatic) {
    ASSERT_TRUE(registerStaticClass());
    EXPECT_TRUE(registerStaticClass());  // once is enough; a second call is harmless
    HWND control = CreateWindowExA(0, "MyStatic", "label text", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(control, nullptr);
    char text[32] = {};
    GetWindowTextA(control, text, sizeof text);
    EXPECT_STREQ(text, "label text");
    DestroyWindow(control);
}

// The pixels of a "MyStatic" painted into a 32-bit top-down bitmap (0x00RRGGBB).
struct PaintedStatic {
    std::vector<u32> pixels;
    i32 width = 0;
    i32 height = 0;
    SIZE first = {};  // the first drawn character's extent
    u32 at(i32 x, i32 y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

PaintedStatic paintStatic(const char* text, const char* firstDrawn) {
    PaintedStatic out;
    out.width = 120;
    out.height = 40;
    HWND control = CreateWindowExA(0, "MyStatic", text, WS_POPUP, 0, 0, out.width, out.height, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(control, nullptr);
    if (!control) return out;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out.width;
    info.bmiHeader.biHeight = -out.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    GetTextExtentPoint32A(dc, firstDrawn, 1, &out.first);
    SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const u32* p = static_cast<const u32*>(bits);
    out.pixels.assign(p, p + out.width * out.height);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyWindow(control);
    return out;
}

TEST(DialogBase, MyStaticPaintsInTheCustomColours) {
    ASSERT_TRUE(registerStaticClass());
    constexpr COLORREF TEXT = RGB(200, 0, 0);
    constexpr COLORREF BACKGROUND = RGB(0, 0, 230);
    constexpr u32 TEXT_PIXEL = 0xC80000;
    constexpr u32 BACKGROUND_PIXEL = 0x0000E6;
    setCustomStaticColours(true, TEXT, BACKGROUND);
    struct Case {
        const char* text;
        const char* first;  // the first character drawn
        bool underlined;
    };
    const Case cases[] = {{"&Wide", "W", true}, {"Wide", "W", false}, {"&&Wide", "&", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const PaintedStatic painted = paintStatic(c.text, c.first);
        ASSERT_FALSE(painted.pixels.empty());
        ASSERT_GT(painted.first.cx, 2);
        ASSERT_LT(painted.first.cy, painted.height);
        // Background beyond the text, text colour in it.
        EXPECT_EQ(painted.at(painted.width - 1, painted.height - 1), BACKGROUND_PIXEL);
        u32 textPixels = 0;
        for (u32 pixel : painted.pixels) textPixels += (pixel & 0xFFFFFF) == TEXT_PIXEL;
        EXPECT_GT(textPixels, 10u);
        // The underline: a full row of text colour two pixels above the text's bottom.
        u32 row = 0;
        for (i32 x = 0; x < painted.first.cx; ++x) row += painted.at(x, painted.first.cy - 2) == TEXT_PIXEL;
        if (c.underlined) {
            EXPECT_EQ(row, static_cast<u32>(painted.first.cx));
        } else {
            EXPECT_LT(row, static_cast<u32>(painted.first.cx));
        }
    }
    setCustomStaticColours(false);
    // Off again: the system's painting, not the custom colours.
    const PaintedStatic plain = paintStatic("&Wide", "W");
    ASSERT_FALSE(plain.pixels.empty());
    u32 custom = 0;
    for (u32 pixel : plain.pixels) custom += (pixel & 0xFFFFFF) == TEXT_PIXEL || (pixel & 0xFFFFFF) == BACKGROUND_PIXEL;
    EXPECT_EQ(custom, 0u);
}

}  // namespace
}  // namespace pelorin
