#pragma once
// The progress window: the one ProgressSink of a tracking run. A modeless dialog with eleven
// numbered status lines and a Cancel button, plus the list of differences found.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "ui/progress_layout.h"
#include "ui/status_line_sink.h"
#include "ui/win32/dialog_base.h"

namespace pelorin {

// String ids of the progress dialog.
constexpr u32 TEXT_CANCEL_BUTTON = 115;
constexpr u32 TEXT_PROCESSING_REGISTRY = 152;
constexpr u32 TEXT_PROCESSING_FILE_SYSTEM = 154;
constexpr u32 TEXT_CONFIRM_CANCEL = 159;

class ProgressDialog : public DialogBase {
public:
    static constexpr int ID_CANCEL = 99;

    explicit ProgressDialog(HWND owner);
    ~ProgressDialog() override;

    // Puts a text on a status line. Lines 3 and 6 (the totals and the file-system errors) have
    // no row of their own: they are shown in place of the section heading, and an empty text
    // brings the heading back.
    void setLineText(u32 line, const char* text);
    // The static control of a status line; none for a line out of range.
    HWND lineControl(u32 line) const { return line < ProgressLayout::LINE_COUNT ? lines_[line] : nullptr; }
    // Set once the user confirmed Cancel; read by the worker threads.
    bool isCancelRequested() const { return cancelRequested_.load(std::memory_order_relaxed); }

protected:
    bool build(HWND window, DialogSize& size) override;
    bool onCommand(HWND window, u32 id, u32 code, HWND control) override;
    // The close box and Escape do nothing: only Cancel (with its question) stops a run.
    bool canClose(HWND) override { return false; }

private:
    HWND lines_[ProgressLayout::LINE_COUNT] = {};
    std::string registryHeading_;
    std::string fileSystemHeading_;
    std::atomic<bool> cancelRequested_{false};
    bool asking_ = false;
    ui::UniqueFont largeBoldFont_;
    ui::UniqueFont boldFont_;
    i32 largeBoldHeight_ = 0;
    i32 boldHeight_ = 0;
};

class ProgressWindow : public StatusLineSink {
public:
    // Creates the dialog and shows it at once, centred; `owner` may be null.
    explicit ProgressWindow(HWND owner = nullptr);
    ~ProgressWindow() override;

    // A message box owned by the progress dialog: kind 2 Yes/No, 3 Yes/No with No as the
    // default, anything else (1 too) information with OK; true only for Yes.
    bool ask(const char* text, u32 kind) override;
    bool isCancelled() override;

    HWND window() const { return dialog_ ? dialog_->window() : nullptr; }
    ProgressDialog* dialog() const { return dialog_.get(); }

protected:
    void applyLineText(u32 line, const char* text) override;
    void refreshLines() override;

private:
    std::unique_ptr<ProgressDialog> dialog_;
};

}  // namespace pelorin
