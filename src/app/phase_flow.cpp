#include "app/phase_flow.h"

#include <new>

#include "app/message_box.h"
#include "app/program_info.h"
#include "app/registry_strings.h"
#include "app/run_options.h"
#include "app/text_report.h"
#include "results/classify_results.h"
#include "results/result_file.h"
#include "results/result_list.h"
#include "results/sort_results.h"
#include "runtime/format.h"
#include "runtime/string_table.h"
#include "runtime/text.h"
#include "snapshot/file_system_scanner.h"
#include "snapshot/parallel_scan.h"
#include "snapshot/registry_scanner.h"
#include "snapshot/snapshot_file.h"
#include "snapshot/snapshot_tree.h"
#include "ui/progress_sink.h"

namespace pelorin {
namespace {

// A message of the string table, loaded once per use.
class Message {
public:
    explicit Message(u32 id) { loadString(text_, sizeof text_, id, false); }
    const char* text() const { return text_; }

private:
    char text_[MESSAGE_SIZE];
};

template <class... Args>
void showMessageBox(PhaseFlowUi& ui, u32 kind, u32 id, const Args&... args) {
    char text[MESSAGE_SIZE];
    formatText(text, sizeof text, Message(id).text(), args...);
    ui.messageBox(text, kind);
}

void status(ProgressSink& sink, u32 line, u32 id) { sink.showStatus(STATUS_ALWAYS, line, Message(id).text()); }
void clearLine(ProgressSink& sink, u32 line) { sink.showStatus(STATUS_ALWAYS, line, ""); }

// "Registry changes:    1.234": the counter with thousands separators, then into the message.
void showCount(ProgressSink& sink, u32 line, u32 id, u32 count) {
    char number[32];
    formatText(number, sizeof number, "%$u", count);
    sink.showStatus(STATUS_ALWAYS, line, Message(id).text(), static_cast<const char*>(number));
}

void forgetRememberedSnapshot() {
    deleteRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0);
}

// What a run creates for its passes; freed together whatever happened.
struct PassObjects {
    std::unique_ptr<SnapshotTree> registryTree;
    std::unique_ptr<SnapshotTree> fileSystemTree;
    std::unique_ptr<RegistryScanner> registryScanner;
    std::unique_ptr<FileSystemScanner> fileSystemScanner;

    bool create(ProgressSink& sink, u32 threshold) {
        registryTree.reset(new (std::nothrow) SnapshotTree(&sink, TREE_REGISTRY));
        if (!registryTree) return false;
        fileSystemTree.reset(new (std::nothrow) SnapshotTree(&sink, TREE_FILE_SYSTEM));
        if (!fileSystemTree) return false;
        registryScanner.reset(new (std::nothrow) RegistryScanner(&sink, threshold));
        if (!registryScanner) return false;
        fileSystemScanner.reset(new (std::nothrow) FileSystemScanner(&sink));
        return fileSystemScanner != nullptr;
    }
};

}  // namespace

u32 runPasses(PhaseFlowUi& ui, TrackingWindow& window, RunOptions& options, u32 mode, const char* setupFileName,
              bool& saved, bool& cancelled) {
    saved = false;
    cancelled = false;
    ProgressSink& sink = window.sink();
    PassObjects objects;
    if (!objects.create(sink, options.regDataSizeThreshold)) return ERR_NO_MEMORY;
    SnapshotTree& registryTree = *objects.registryTree;
    SnapshotTree& fileSystemTree = *objects.fileSystemTree;
    const SetupContext setupContext{&sink, &registryTree, &fileSystemTree, &options};

    u32 registryChanges = 0;
    u32 fileSystemChanges = 0;
    bool switchedToSaving = false;
    u32 code = 0;

    for (u32 pass = 0; pass < 2; ++pass) {
        clearLine(sink, LINE_REGISTRY_ACTIVITY);
        clearLine(sink, LINE_FILE_SYSTEM_ACTIVITY);

        if (pass == 0 && options.loadSnapshot) {
            sink.showStatus(STATUS_ALWAYS, LINE_PASS, Message(MSG_PASS1_LOADING).text(),
                            static_cast<const char*>(options.snapshotFileName));
            clearLine(sink, LINE_EXPLANATION_1);
            clearLine(sink, LINE_EXPLANATION_2);
            code = loadSnapshotFile(options.snapshotFileName, registryTree, fileSystemTree, options);
            if (code != 0) {
                sink.showStatus(STATUS_ALWAYS, LINE_PASS, Message(MSG_SNAPSHOT_LOAD_FAILED).text(),
                                static_cast<const char*>(options.snapshotFileName));
                break;
            }
            continue;  // a loaded snapshot is not saved again
        }

        if (pass == 0) {
            status(sink, LINE_PASS, MSG_PASS1_CREATING);
            status(sink, LINE_EXPLANATION_1, MSG_STATUS_ANALYZING);
            status(sink, LINE_EXPLANATION_2, MSG_ANALYZING_EXPLAINED);
        } else {
            status(sink, LINE_PASS, MSG_PASS2_VERIFYING);
            clearLine(sink, LINE_EXPLANATION_1);
            clearLine(sink, LINE_EXPLANATION_2);
            if (mode == TRACKING_ONE_CLICK) {
                ui.runSetupProgram(setupFileName, window, setupContext);
                if (ui.askSetupComplete(window, setupContext) == SETUP_NOT_COMPLETE) {
                    // Not installed yet (or the computer must restart first): keep pass 1 as a
                    // two-phase run would.
                    mode = TRACKING_TWO_PHASE;
                    switchedToSaving = true;
                }
            }
        }

        if (!switchedToSaving) {
            code = runScans(&sink, options, *objects.registryScanner, *objects.fileSystemScanner, pass == 1,
                            registryTree, fileSystemTree, &registryChanges, &fileSystemChanges,
                            options.skipWindowsUpdateFiles);
            if (code != 0 || pass == 1) break;
        }

        // Between the passes.
        if (options.saveSnapshot) {
            saved = true;
            saveSnapshotFile(&sink, options.snapshotFileName, registryTree, fileSystemTree, options);
        } else if (mode == TRACKING_TWO_PHASE) {
            if (!ui.askSnapshotFileName(options.snapshotFileName, sizeof options.snapshotFileName)) {
                cancelled = true;
                break;
            }
            saved = true;
            saveSnapshotFile(&sink, options.snapshotFileName, registryTree, fileSystemTree, options);
        }
        if (mode == TRACKING_TWO_PHASE) {
            sink.ask(Message(MSG_PHASE1_COMPLETE).text(), BOX_OK_CANCEL);
            break;
        }
    }

    showCount(sink, LINE_REGISTRY_CHANGES, MSG_REGISTRY_CHANGES, registryChanges);
    showCount(sink, LINE_FILE_SYSTEM_CHANGES, MSG_FILE_SYSTEM_CHANGES, fileSystemChanges);
    return code;
}

void runTracking(PhaseFlowUi& ui, u32 mode, RunOptions& options, bool& again) {
    again = false;
    char setupFileName[TEXT_FIELD_SIZE] = {};
    if (mode == TRACKING_ONE_CLICK) {
        if (options.setupFileName[0]) {
            copyBounded(setupFileName, sizeof setupFileName, options.setupFileName);
        } else if (ui.askSetupFileName(setupFileName, sizeof setupFileName) == ERR_CANCELLED) {
            again = true;
            return;
        }
    }

    std::unique_ptr<TrackingWindow> window = ui.createTrackingWindow();
    if (!window) return;
    bool saved = false;
    bool cancelled = false;
    ui.disableFileSystemRedirection();
    const u32 code = runPasses(ui, *window, options, mode, setupFileName, saved, cancelled);
    if (code != 0 && code != ERR_CANCELLED) showMessageBox(ui, BOX_INFORMATION, MSG_EXECUTION_ERROR, code);
    if (code != 0 || saved || cancelled) return;

    ResultList& list = window->changes();
    if (list.count() == 0) {
        showMessageBox(ui, BOX_INFORMATION, MSG_NO_CHANGES);
        return;
    }
    classifyResults(list);
    sortResults(list, SORT_BY_PRIORITY);
    char title[RESULT_TITLE_SIZE];
    formatText(title, sizeof title, "%s %s", Message(MSG_RESULT).text(), PELORIN_PRODUCT_NAME);

    if (options.saveResult) {
        const u32 written = writeResultFile(options.resultFileName, &list);
        char text[MESSAGE_SIZE];
        if (written != 0) {
            formatText(text, sizeof text, "Error saving result file '%s', error code %u!\n",
                       static_cast<const char*>(options.resultFileName), written);
        } else {
            formatText(text, sizeof text, "Result file '%s' saved.\n", static_cast<const char*>(options.resultFileName));
        }
        reportText(text);
        return;
    }
    ui.showResultWindow(title, list);
}

void runDialogLoop(PhaseFlowUi& ui, RunOptions& options) {
    for (;;) {
        u32 choice = PHASE_TWO_NOTHING;
        u32 mode = 0;
        bool phaseTwo = options.phase2Pending;
        for (;;) {
            if (!phaseTwo) {
                bool loadRequest = false;
                mode = 0;
                if (!ui.runStartDialog(options, mode, loadRequest)) return;
                if (!loadRequest) break;
            }
            choice = PHASE_TWO_NOTHING;
            if (!ui.runPhaseTwoDialog(options, choice)) return;
            if (choice == PHASE_TWO_CONTINUE) break;
            if (choice == PHASE_TWO_ABORT && !ui.messageBox(Message(MSG_KEEP_SNAPSHOT).text(), BOX_YES_NO))
                forgetRememberedSnapshot();
            phaseTwo = false;
        }
        bool again = false;
        runTracking(ui, mode, options, again);
        if (again) continue;
        if (choice == PHASE_TWO_CONTINUE) forgetRememberedSnapshot();
        return;
    }
}

}  // namespace pelorin
