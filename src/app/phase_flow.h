#pragma once
// The phase flow: the dialog loop, one tracking run per choice, and the two passes of a run
// (scan or load, save and the setup program between them, compare), ending in the result window
// or the result file. The flow itself is portable; everything it shows or asks goes through
// PhaseFlowUi, which the program builds on its dialogs and tests stage as they like.
#include <memory>

#include "runtime/types.h"

namespace pelorin {

class ProgressSink;
class ResultList;
class SnapshotTree;
struct RunOptions;

enum TrackingMode : u32 {
    TRACKING_CONTINUE = 0,   // from the phase-2 dialog: load and compare
    TRACKING_ONE_CLICK = 1,  // scan, run the setup program, compare
    TRACKING_TWO_PHASE = 2,  // scan and save; a later start compares
};

enum PhaseTwoChoice : u32 {
    PHASE_TWO_NOTHING = 0,
    PHASE_TWO_CONTINUE = 1,
    PHASE_TWO_ABORT = 2,
};

// Answers of the "Setup complete?" question.
enum SetupAnswer : int {
    SETUP_DIALOG_FAILED = -1,
    SETUP_NOT_COMPLETE = 0,
    SETUP_COMPLETE = 1,
};

// Message ids of the flow.
constexpr u32 MSG_RESULT = 138;
constexpr u32 MSG_NO_CHANGES = 158;
constexpr u32 MSG_PASS1_LOADING = 128;
constexpr u32 MSG_PASS1_CREATING = 129;
constexpr u32 MSG_PASS2_VERIFYING = 130;
constexpr u32 MSG_STATUS_ANALYZING = 160;
constexpr u32 MSG_ANALYZING_EXPLAINED = 161;
constexpr u32 MSG_SNAPSHOT_LOAD_FAILED = 181;
constexpr u32 MSG_REGISTRY_CHANGES = 183;
constexpr u32 MSG_FILE_SYSTEM_CHANGES = 184;
constexpr u32 MSG_KEEP_SNAPSHOT = 193;
constexpr u32 MSG_PHASE1_COMPLETE = 194;
constexpr u32 MSG_EXECUTION_ERROR = 204;

// Status lines the flow writes.
constexpr u32 LINE_PASS = 0;
constexpr u32 LINE_EXPLANATION_1 = 1;
constexpr u32 LINE_EXPLANATION_2 = 2;
constexpr u32 LINE_REGISTRY_ACTIVITY = 4;
constexpr u32 LINE_REGISTRY_CHANGES = 5;
constexpr u32 LINE_FILE_SYSTEM_ACTIVITY = 7;
constexpr u32 LINE_FILE_SYSTEM_CHANGES = 8;

// The result window's title: message 138, a blank and the product name, at most 127 characters.
constexpr u32 RESULT_TITLE_SIZE = 128;

// The progress window of one run as the flow sees it: its sink and its list of differences.
class TrackingWindow {
public:
    virtual ~TrackingWindow() = default;
    virtual ProgressSink& sink() = 0;
    virtual ResultList& changes() = 0;
};

// What the dialogs shown while the setup program runs need for the save at the end of a
// Windows session.
struct SetupContext {
    ProgressSink* sink = nullptr;
    SnapshotTree* registryTree = nullptr;
    SnapshotTree* fileSystemTree = nullptr;
    const RunOptions* options = nullptr;
};

class PhaseFlowUi {
public:
    virtual ~PhaseFlowUi() = default;

    // The start dialog: false unless it ended with OK. `mode` is 1 or 2 as chosen; `loadRequest`
    // is set when the user picked a snapshot to load (the dialog has then set loadSnapshot and
    // snapshotFileName itself).
    virtual bool runStartDialog(RunOptions& options, u32& mode, bool& loadRequest) = 0;
    // The phase-2 dialog: false unless it ended with OK; `choice` a PhaseTwoChoice.
    virtual bool runPhaseTwoDialog(RunOptions& options, u32& choice) = 0;
    // A message box without owner (kinds as messageBox); true for OK or Yes.
    virtual bool messageBox(const char* text, u32 kind) = 0;
    // The Open dialog for the setup program: 0, or 270 when cancelled or unavailable.
    virtual u32 askSetupFileName(char* buffer, u32 size) = 0;
    // The Save dialog for a snapshot; empties the buffer first. False when cancelled.
    virtual bool askSnapshotFileName(char* buffer, u32 size) = 0;
    // Creates and shows the run's progress window; null when it cannot be created.
    virtual std::unique_ptr<TrackingWindow> createTrackingWindow() = 0;
    // Shows "Running setup..." without buttons while the setup program runs, keeping it
    // responsive; the program's result is not needed.
    virtual void runSetupProgram(const char* fileName, TrackingWindow& window, const SetupContext& context) = 0;
    // Asks "Setup complete?" with Yes and No; a SetupAnswer.
    virtual int askSetupComplete(TrackingWindow& window, const SetupContext& context) = 0;
    // Runs the result window modally over the sorted list.
    virtual void showResultWindow(const char* title, ResultList& list) = 0;
    // Switches off the WOW64 file-system redirection for the calling thread, where it exists.
    virtual void disableFileSystemRedirection() = 0;
};

// The dialog loop, run once by the application entry with the built options.
void runDialogLoop(PhaseFlowUi& ui, RunOptions& options);

// One tracking run in `mode`; sets `again` when the user cancelled the choice of the setup
// program (the dialogs then come back).
void runTracking(PhaseFlowUi& ui, u32 mode, RunOptions& options, bool& again);

// The two passes of a run. `saved` is set before a snapshot save is tried; `cancelled` when the
// user cancelled the Save dialog. Gives 0 or the code that stopped the passes.
u32 runPasses(PhaseFlowUi& ui, TrackingWindow& window, RunOptions& options, u32 mode, const char* setupFileName,
              bool& saved, bool& cancelled);

// The program's user interface for the dialog loop of runDialogLoop(RunOptions&). Installed by
// the Windows entry point; without one (a build without windows) the loop has nothing to show
// and returns at once.
using PhaseFlowUiFactory = std::unique_ptr<PhaseFlowUi> (*)();
void setPhaseFlowUiFactory(PhaseFlowUiFactory factory);

}  // namespace pelorin
