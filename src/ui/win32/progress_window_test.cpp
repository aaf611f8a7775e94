// The progress window with a real dialog: its questions, the Cancel button and the refused
// close, the texts reaching the status lines, and its fonts. Message boxes go through the
// in-memory system, which records them and answers from a queue. Needs a display.
#include "ui/win32/progress_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/memory/memory_platform.h"
#include "platform/win32/win32_file_system.h"
#include "runtime/format.h"
#include "runtime/resource_container.h"
#include "runtime/string_table.h"
#include "runtime/text.h"

namespace pelorin {
namespace {

using platform::MemoryPlatform;

std::string controlText(HWND control) {
    char text[512] = {};
    GetWindowTextA(control, text, sizeof text);
    return text;
}

// The texts come from the container appended to this build's pelorin.exe, in English.
class ProgressWindowTest : public testing::Test {
protected:
    void SetUp() override {
        registerStandardDirectives();
        std::u16string exe = u"Z:" + widen(PELORIN_EXE_PATH);  // the build tree through drive Z:
        std::replace(exe.begin(), exe.end(), u'/', u'\\');
        u32 error = 0;
        ASSERT_TRUE(openResourceContainer(fileSystem_, exe.c_str(), &error)) << PELORIN_EXE_PATH << ": " << error;
        savedLanguage_ = interfaceLanguage;
        interfaceLanguage = ENGLISH;
    }
    void TearDown() override {
        interfaceLanguage = savedLanguage_;
        closeResourceContainer();
    }

    static constexpr u16 ENGLISH = 0x0100;
    platform::Win32FileSystem fileSystem_;
    u16 savedLanguage_ = 0;
};

LONG fontHeight(HWND control) {
    LOGFONTA font = {};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (!handle || !GetObjectA(handle, sizeof font, &font)) return 0;
    return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
}

LONG fontWeight(HWND control) {
    LOGFONTA font = {};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (!handle || !GetObjectA(handle, sizeof font, &font)) return 0;
    return font.lfWeight;
}

TEST_F(ProgressWindowTest, QuestionKinds) {
    MemoryPlatform memory;
    ProgressWindow window;
    ASSERT_NE(window.window(), nullptr);
    struct Case {
        u32 kind;
        u32 answer;
        u32 style;  // of the box shown
        bool result;
    };
    using namespace platform;
    const u32 information = MSGBOX_OK | MSGBOX_ICONINFORMATION;
    const Case cases[] = {
        {2, ANSWER_YES, MSGBOX_YESNO | MSGBOX_ICONQUESTION, true},
        {2, ANSWER_NO, MSGBOX_YESNO | MSGBOX_ICONQUESTION, false},
        {3, ANSWER_YES, MSGBOX_YESNO | MSGBOX_ICONQUESTION | MSGBOX_DEFBUTTON2, true},
        {3, ANSWER_NO, MSGBOX_YESNO | MSGBOX_ICONQUESTION | MSGBOX_DEFBUTTON2, false},
        // kind 1 is a notice here ("Click OK and then start the setup"): no Cancel button
        {1, ANSWER_OK, information, false},
        {0, ANSWER_OK, information, false},
        {7, ANSWER_OK, information, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " answer " << c.answer);
        memory.system.messageBoxes.clear();
        memory.system.answers = {c.answer};
        EXPECT_EQ(window.ask("Question?", c.kind), c.result);
        ASSERT_EQ(memory.system.messageBoxes.size(), 1u);
        EXPECT_EQ(memory.system.messageBoxes[0].text, "Question?");
        EXPECT_EQ(memory.system.messageBoxes[0].style & 0xFFFF, c.style);
        EXPECT_EQ(memory.system.messageBoxes[0].owner, window.window());
    }
}

TEST_F(ProgressWindowTest, OnlyCancelAnsweredYesCancels) {
    MemoryPlatform memory;
    ProgressWindow window;
    HWND dialog = window.window();
    ASSERT_NE(dialog, nullptr);
    HWND button = GetDlgItem(dialog, ProgressDialog::ID_CANCEL);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(controlText(button), "&Cancel");
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_DEFPUSHBUTTON, BS_DEFPUSHBUTTON);

    enum Action { CLOSE_BOX, ESCAPE, IGNORED_CODE, CLICK };
    struct Step {
        const char* name;
        Action action;
        u32 answer;      // for a question
        bool asked;      // a question was shown
        bool cancelled;  // afterwards
    };
    using namespace platform;
    const Step steps[] = {
        {"close box", CLOSE_BOX, 0, false, false},
        {"Escape", ESCAPE, 0, false, false},
        {"notification 0x100", IGNORED_CODE, 0, false, false},
        {"Cancel, No", CLICK, ANSWER_NO, true, false},
        {"Cancel, No again", CLICK, ANSWER_NO, true, false},
        {"Cancel, Yes", CLICK, ANSWER_YES, true, true},
        {"close box after cancel", CLOSE_BOX, 0, false, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        memory.system.messageBoxes.clear();
        memory.system.answers.clear();
        if (step.asked) memory.system.answers.push_back(step.answer);
        switch (step.action) {
        case CLOSE_BOX: SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case ESCAPE: SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); break;
        case IGNORED_CODE:
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(ProgressDialog::ID_CANCEL, 0x100),
                         reinterpret_cast<LPARAM>(button));
            break;
        case CLICK: SendMessageA(button, BM_CLICK, 0, 0); break;
        }
        window.flush();  // pumps whatever the action posted
        ASSERT_EQ(memory.system.messageBoxes.size(), step.asked ? 1u : 0u);
        if (step.asked) {
            EXPECT_EQ(memory.system.messageBoxes[0].text, "Do you really want to cancel?");
            EXPECT_EQ(memory.system.messageBoxes[0].style & 0xFFFF,
                      MSGBOX_YESNO | MSGBOX_ICONQUESTION | MSGBOX_DEFBUTTON2);
            EXPECT_EQ(memory.system.messageBoxes[0].owner, dialog);
        }
        EXPECT_EQ(window.isCancelled(), step.cancelled);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
}

TEST_F(ProgressWindowTest, TextsReachTheirLines) {
    ProgressWindow window;
    ProgressDialog* dialog = window.dialog();
    ASSERT_NE(dialog, nullptr);
    const std::string registryHeading = "Processing registry...";
    const std::string fileHeading = "Processing file system...";
    for (u32 line = 0; line < ProgressSink::LINE_COUNT; ++line) {
        ASSERT_NE(dialog->lineControl(line), nullptr) << line;
    }
    EXPECT_EQ(dialog->lineControl(ProgressSink::LINE_COUNT), nullptr);
    EXPECT_EQ(controlText(dialog->lineControl(3)), registryHeading);
    EXPECT_EQ(controlText(dialog->lineControl(6)), fileHeading);

    struct Step {
        bool deferred;
        u32 line;
        const char* text;
        const char* shownBeforeFlush;  // on that line; null: the line's previous text stays
    };
    const Step steps[] = {
        {false, 0, "Pass 1: Creating snapshot...", "Pass 1: Creating snapshot..."},
        {false, 4, "HKLM\\SOFTWARE", "HKLM\\SOFTWARE"},
        {false, 3, "Total registry count:  1.234", "Total registry count:  1.234"},
        {false, 3, "", registryHeading.c_str()},  // the heading comes back
        {false, 6, "Error processing 'C:\\x', error code 5", "Error processing 'C:\\x', error code 5"},
        {true, 8, "Size: 4.096", nullptr},
        {true, 10, "MD5: 00", nullptr},
        {false, 9, "direct again", "direct again"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text);
        HWND control = dialog->lineControl(step.line);
        const std::string before = controlText(control);
        window.deferredMode = step.deferred ? 1 : 0;
        window.showStatus(STATUS_ALWAYS, step.line, "%s", step.text);
        EXPECT_EQ(controlText(control), step.shownBeforeFlush ? std::string(step.shownBeforeFlush) : before);
        window.deferredMode = 0;
        if (step.deferred) {
            window.flush();
            EXPECT_EQ(controlText(control), step.text);
        }
    }
    window.showStatus(STATUS_ALWAYS, 6, "");
    EXPECT_EQ(controlText(dialog->lineControl(6)), fileHeading);

    // A line beyond the last changes nothing.
    std::string texts[ProgressSink::LINE_COUNT];
    for (u32 line = 0; line < ProgressSink::LINE_COUNT; ++line) texts[line] = controlText(dialog->lineControl(line));
    window.showStatus(STATUS_ALWAYS, 11, "nowhere");
    for (u32 line = 0; line < ProgressSink::LINE_COUNT; ++line) {
        EXPECT_EQ(controlText(dialog->lineControl(line)), texts[line]) << line;
    }

    window.addChange(RESULT_FILE_ADDED, u"C:\\added.dll", nullptr, 0, nullptr);
    ASSERT_EQ(window.changes().count(), 1u);
    EXPECT_EQ(std::u16string(window.changes().entry(0)->text1), u"C:\\added.dll");
}

TEST_F(ProgressWindowTest, FontsAndLayout) {
    ProgressWindow window;
    ProgressDialog* dialog = window.dialog();
    ASSERT_NE(dialog, nullptr);
    HWND dialogWindow = window.window();
    const LONG normal = fontHeight(dialog->lineControl(4));
    const LONG bold = fontHeight(dialog->lineControl(1));
    const LONG large = fontHeight(dialog->lineControl(0));
    ASSERT_GT(normal, 0);
    EXPECT_EQ(bold, normal);  // same size, heavier
    EXPECT_GT(large, bold);
    EXPECT_EQ(fontWeight(dialog->lineControl(0)), FW_BOLD);
    EXPECT_EQ(fontWeight(dialog->lineControl(1)), FW_BOLD);
    EXPECT_EQ(fontWeight(dialog->lineControl(3)), FW_BOLD);
    EXPECT_EQ(fontWeight(dialog->lineControl(6)), FW_BOLD);
    EXPECT_EQ(fontWeight(dialog->lineControl(2)), FW_NORMAL);
    EXPECT_EQ(fontWeight(dialog->lineControl(10)), FW_NORMAL);

    // Every control inside the client area, lines top to bottom in their order.
    // The window is as wide as the 40 characters of the content (the frame's border takes its
    // share of the margins).
    RECT frame = {}, client = {};
    GetWindowRect(dialogWindow, &frame);
    GetClientRect(dialogWindow, &client);
    EXPECT_GE(frame.right - frame.left, 40 * dialog->characterWidth());
    LONG previousBottom = 0;
    for (u32 line = 0; line < ProgressSink::LINE_COUNT; ++line) {
        RECT box = {};
        GetWindowRect(dialog->lineControl(line), &box);
        MapWindowPoints(nullptr, dialogWindow, reinterpret_cast<POINT*>(&box), 2);
        EXPECT_GE(box.left, 0) << line;
        EXPECT_LE(box.right, client.right) << line;
        EXPECT_GT(box.top, previousBottom) << line;
        previousBottom = box.bottom;
    }
    RECT button = {};
    GetWindowRect(GetDlgItem(dialogWindow, ProgressDialog::ID_CANCEL), &button);
    MapWindowPoints(nullptr, dialogWindow, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_GT(button.top, previousBottom);
    EXPECT_LE(button.bottom, client.bottom);
}

}  // namespace
}  // namespace pelorin
