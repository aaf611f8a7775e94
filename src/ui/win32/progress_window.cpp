#include "ui/win32/progress_window.h"

#include "app/message_box.h"
#include "app/program_info.h"
#include "runtime/string_table.h"

namespace pelorin {
namespace {

// Notification code that the Cancel command ignores.
constexpr u32 IGNORED_NOTIFICATION = 0x100;

std::string loadText(u32 id) {
    char text[MESSAGE_SIZE] = {};
    loadString(text, sizeof text, id, false);
    return text;
}

u32 currentTick() { return static_cast<u32>(GetTickCount()); }

}  // namespace

// ---- the dialog ------------------------------------------------------------------------------

ProgressDialog::ProgressDialog(HWND owner) : DialogBase(true, owner, PROGRAM_TITLE) {}

ProgressDialog::~ProgressDialog() {
    // The statics use the two fonts: the window goes first.
    destroyModelessWindow();
}

bool ProgressDialog::build(HWND, DialogSize& size) {
    const FontRequest& request = fontRequest();
    largeBoldFont_ = createFont(request.face, request.points * 14 / 10, true, false);
    boldFont_ = createFont(request.face, request.points, true, false);
    HFONT largeBold = largeBoldFont_ ? largeBoldFont_.get() : font();
    HFONT bold = boldFont_ ? boldFont_.get() : font();
    largeBoldHeight_ = fontCharacterHeight(largeBold);
    boldHeight_ = fontCharacterHeight(bold);

    registryHeading_ = loadText(TEXT_PROCESSING_REGISTRY);
    fileSystemHeading_ = loadText(TEXT_PROCESSING_FILE_SYSTEM);
    const std::string cancel = loadText(TEXT_CANCEL_BUTTON);

    ProgressLayoutInput input;
    input.metrics = metrics();
    input.characterWidth = characterWidth();
    input.characterHeight = characterHeight();
    input.largeBoldHeight = largeBoldHeight_;
    input.boldHeight = boldHeight_;
    input.cancelTextWidth = textWidth(cancel.c_str());
    const ProgressLayout layout = computeProgressLayout(input);

    for (u32 line = 0; line < ProgressLayout::LINE_COUNT; ++line) {
        const ControlBox& box = layout.lines[line];
        HFONT lineFont = line == 0 ? largeBold : line == 1 ? bold : nullptr;
        const char* text = "";
        if (line == ProgressLayout::REGISTRY_HEADING_LINE) {
            lineFont = bold;
            text = registryHeading_.c_str();
        } else if (line == ProgressLayout::FILE_SYSTEM_HEADING_LINE) {
            lineFont = bold;
            text = fileSystemHeading_.c_str();
        }
        lines_[line] = createStatic(box.x, box.y, box.width, box.height, text, false, false, lineFont);
    }
    const ControlBox& button = layout.cancel;
    createButton(button.x, button.y, button.width, button.height, cancel.c_str(), ID_CANCEL, true);
    size.width = layout.clientWidth;
    size.height = layout.clientHeight;
    return true;
}

void ProgressDialog::setLineText(u32 line, const char* text) {
    if (line >= ProgressLayout::LINE_COUNT) return;
    if (line == ProgressLayout::REGISTRY_HEADING_LINE && (!text || !*text)) text = registryHeading_.c_str();
    if (line == ProgressLayout::FILE_SYSTEM_HEADING_LINE && (!text || !*text)) text = fileSystemHeading_.c_str();
    setControlText(lines_[line], text);
}

bool ProgressDialog::onCommand(HWND window, u32 id, u32 code, HWND) {
    if (id != static_cast<u32>(ID_CANCEL)) return false;
    // One question at a time, and none once the run is being cancelled anyway.
    if (code == IGNORED_NOTIFICATION || asking_ || isCancelRequested()) return true;
    const std::string question = loadText(TEXT_CONFIRM_CANCEL);
    asking_ = true;
    const bool yes = messageBox(window, question.c_str(), BOX_YES_NO_DEFAULT_NO);
    asking_ = false;
    if (yes) cancelRequested_.store(true, std::memory_order_relaxed);
    return true;
}

// ---- the sink --------------------------------------------------------------------------------

ProgressWindow::ProgressWindow(HWND owner) : StatusLineSink(currentTick) {
    dialog_ = std::make_unique<ProgressDialog>(owner);
    dialog_->runDialog();
}

ProgressWindow::~ProgressWindow() = default;

bool ProgressWindow::ask(const char* text, u32 kind) {
    // Only the two questions reach the user as such; any other kind (the phase flow's kind 1
    // included, whose text says "Click OK") is a notice with a single OK button.
    const bool question = kind == BOX_YES_NO || kind == BOX_YES_NO_DEFAULT_NO;
    return messageBox(window(), text, question ? kind : BOX_INFORMATION) && question;
}

bool ProgressWindow::isCancelled() { return dialog_ && dialog_->isCancelRequested(); }

void ProgressWindow::applyLineText(u32 line, const char* text) {
    if (dialog_) dialog_->setLineText(line, text);
}

void ProgressWindow::refreshLines() {
    if (!dialog_) return;
    dialog_->update();
    dialog_->pumpMessages();
}

}  // namespace pelorin
