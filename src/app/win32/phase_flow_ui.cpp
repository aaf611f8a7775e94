#include "app/win32/phase_flow_ui.h"

#include <new>

#include "app/message_box.h"
#include "app/win32/flow_services.h"
#include "ui/win32/phase_dialogs.h"
#include "ui/win32/progress_window.h"
#include "ui/win32/result_window.h"

namespace pelorin {
namespace {

class Win32TrackingWindow : public TrackingWindow {
public:
    ProgressSink& sink() override { return window_; }
    ResultList& changes() override { return window_.changes(); }
    HWND window() const { return window_.window(); }

private:
    ProgressWindow window_;
};

HWND ownerOf(TrackingWindow& window) { return static_cast<Win32TrackingWindow&>(window).window(); }

class Win32PhaseFlowUi : public PhaseFlowUi {
public:
    bool runStartDialog(RunOptions& options, u32& mode, bool& loadRequest) override {
        return pelorin::runStartDialog(options, mode, loadRequest) == 1;
    }
    bool runPhaseTwoDialog(RunOptions& options, u32& choice) override {
        return pelorin::runPhaseTwoDialog(options, choice) == 1;
    }
    bool messageBox(const char* text, u32 kind) override { return pelorin::messageBox(nullptr, text, kind); }
    u32 askSetupFileName(char* buffer, u32 size) override { return pelorin::askSetupFileName(buffer, size); }
    bool askSnapshotFileName(char* buffer, u32 size) override { return pelorin::askSnapshotFileName(buffer, size); }
    std::unique_ptr<TrackingWindow> createTrackingWindow() override {
        std::unique_ptr<Win32TrackingWindow> window(new (std::nothrow) Win32TrackingWindow);
        if (!window || !window->window()) return nullptr;
        return window;
    }
    void runSetupProgram(const char* fileName, TrackingWindow& window, const SetupContext& context) override {
        SetupDialog waiting(true, ownerOf(window), context.sink, context.registryTree, context.fileSystemTree,
                            context.options, TEXT_RUNNING_SETUP);
        waiting.runDialog();
        pelorin::runSetupProgram(fileName, waiting.window());
    }
    int askSetupComplete(TrackingWindow& window, const SetupContext& context) override {
        const INT_PTR answer = runSetupQuestion(ownerOf(window), context.sink, context.registryTree,
                                                context.fileSystemTree, context.options);
        if (answer == 1) return SETUP_COMPLETE;
        return answer == 0 ? SETUP_NOT_COMPLETE : SETUP_DIALOG_FAILED;
    }
    void showResultWindow(const char* title, ResultList& list) override {
        ResultWindow window(title, nullptr, list, &resultListUndo());
        window.runDialog();
    }
    void disableFileSystemRedirection() override { pelorin::disableFileSystemRedirection(); }
};

}  // namespace

std::unique_ptr<PhaseFlowUi> createWin32PhaseFlowUi() {
    return std::unique_ptr<PhaseFlowUi>(new (std::nothrow) Win32PhaseFlowUi);
}

}  // namespace pelorin
