#pragma once
// The dialogs through which the user drives a recording: the start dialog, the phase-2 dialog,
// the setup dialog (while the installer runs, and "Setup complete?"), the options dialog with
// its directory entry dialog, and the chooser of a snapshot file to load.
//
// Entry points for the phase flow:
//   runStartDialog(options, mode, loadRequest)   1 when a mode was chosen or a file to load
//   runPhaseTwoDialog(options, choice)           1 when continue (choice 1) or abort (choice 2)
//   SetupDialog                                  modeless while the installer runs; modal question
//   runSetupQuestion(owner, sink, trees, options)   1 for Yes
//   runOptionsDialog(owner, options)             1 when the options were stored
#include <windows.h>
#include <commctrl.h>

#include "app/run_options.h"
#include "runtime/types.h"
#include "ui/phase_dialog_layout.h"
#include "ui/win32/dialog_base.h"
#include "ui/win32/ui_handles.h"

namespace pelorin {

class ProgressSink;
class SnapshotTree;

// String ids of the phase dialogs.
constexpr u32 TEXT_PICTURE_WIDTH = 102;
constexpr u32 TEXT_PICTURE_HEIGHT = 103;
constexpr u32 TEXT_START_INTRODUCTION = 107;
constexpr u32 TEXT_SETUP_COMPLETE = 108;
constexpr u32 TEXT_TIP_ONE_CLICK = 109;
constexpr u32 TEXT_TIP_TWO_PHASE = 110;
constexpr u32 TEXT_OPTIONS_TITLE = 111;
constexpr u32 TEXT_CHECK_REGISTRY = 112;
constexpr u32 TEXT_CHECK_FILE_SYSTEM = 113;
constexpr u32 TEXT_OK = 114;
constexpr u32 TEXT_CANCEL = 115;
constexpr u32 TEXT_HELP = 116;
constexpr u32 TEXT_COLUMN_DIRECTORY = 117;
constexpr u32 TEXT_COLUMN_MODE = 118;
constexpr u32 TEXT_MODE_QUICK = 119;
constexpr u32 TEXT_MODE_COMPLETE = 120;
constexpr u32 TEXT_DIRECTORY_TITLE = 121;
constexpr u32 TEXT_SELECT_FOLDER = 122;
constexpr u32 TEXT_LOAD = 124;
constexpr u32 TEXT_OPTIONS = 125;
constexpr u32 TEXT_OPEN_SNAPSHOT = 126;
constexpr u32 TEXT_SNAPSHOT_FILTER = 127;
constexpr u32 TEXT_PATH_LABEL = 185;
constexpr u32 TEXT_MODE_LABEL = 186;
constexpr u32 TEXT_CHANGE = 187;
constexpr u32 TEXT_TIP_CONTINUE = 191;
constexpr u32 TEXT_TIP_ABORT = 192;
constexpr u32 TEXT_RUNNING_SETUP = 200;
constexpr u32 TEXT_YES = 201;
constexpr u32 TEXT_NO = 202;
constexpr u32 TEXT_HOMEPAGE = 208;
constexpr u32 TEXT_HOMEPAGE_ADDRESS = 209;
constexpr u32 TEXT_SKIP_UPDATE_FILES = 210;

// The bitmaps of the picture buttons: the German set and the one for every other language.
constexpr u16 BITMAP_ONE_CLICK_DE = 1000, BITMAP_TWO_PHASE_DE = 1001, BITMAP_CONTINUE_DE = 1002,
              BITMAP_ABORT_DE = 2000;
constexpr u16 BITMAP_ONE_CLICK = 1100, BITMAP_TWO_PHASE = 1101, BITMAP_CONTINUE = 1102, BITMAP_ABORT = 2100;

// A dialog with the two picture buttons 1000 and 1001 and a row of push buttons.
class PictureDialog : public DialogBase {
public:
    static constexpr int ID_FIRST_PICTURE = 1000;
    static constexpr int ID_SECOND_PICTURE = 1001;
    static constexpr int ID_CANCEL = 2;
    static constexpr int ID_HELP = 3;

protected:
    PictureDialog(u16 firstBitmap, u16 secondBitmap, u16 firstBitmapGerman, u16 secondBitmapGerman);
    // Loads the bitmaps and measures the picture buttons.
    PictureDialogInput layoutInput(std::initializer_list<const char*> buttonTexts);
    void createPictures(const PictureDialogLayout& layout, u32 firstTip, u32 secondTip);

private:
    u16 bitmapIds_[2];
    ui::UniqueBitmap bitmaps_[2];
};

class StartDialog : public PictureDialog {
public:
    static constexpr int ID_LOAD = 10;
    static constexpr int ID_OPTIONS = 11;

    StartDialog(RunOptions& options, u32& mode, bool& loadRequest);

protected:
    bool build(HWND window, DialogSize& size) override;
    bool onCommand(HWND window, u32 id, u32 code, HWND control) override;

private:
    RunOptions& options_;
    u32& mode_;
    bool& loadRequest_;
};

class PhaseTwoDialog : public PictureDialog {
public:
    PhaseTwoDialog(RunOptions& options, u32& choice);

protected:
    bool build(HWND window, DialogSize& size) override;
    bool onCommand(HWND window, u32 id, u32 code, HWND control) override;

private:
    RunOptions& options_;
    u32& choice_;
};

// Modeless with text 200 while the installer runs; modal with text 108 and Yes/No afterwards.
// It cannot be closed; when Windows ends the session while it holds both trees, it saves the
// pass-1 snapshot to the temporary directory (so that the next start offers phase 2).
class SetupDialog : public DialogBase {
public:
    static constexpr int ID_YES = 1;
    static constexpr int ID_NO = 2;

    SetupDialog(bool modeless, HWND owner, ProgressSink* sink, SnapshotTree* registryTree,
                SnapshotTree* fileSystemTree, const RunOptions* options, u32 textId);

protected:
    bool build(HWND window, DialogSize& size) override;
    bool onCommand(HWND window, u32 id, u32 code, HWND control) override;
    INT_PTR onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool canClose(HWND) override { return false; }

private:
    ProgressSink* sink_;
    SnapshotTree* registryTree_;
    SnapshotTree* fileSystemTree_;
    const RunOptions* options_;
    u32 textId_;
};

class OptionsDialog : public DialogBase {
public:
    static constexpr int ID_CHECK_REGISTRY = 100;
    static constexpr int ID_CHECK_FILE_SYSTEM = 101;
    static constexpr int ID_LIST = 102;
    static constexpr int ID_SKIP_UPDATES = 103;
    static constexpr int ID_HOMEPAGE = 4;
    static constexpr u32 POPUP_MENU = 1000;
    static constexpr u32 MENU_NEW = 0x3000;
    static constexpr u32 MENU_DELETE = 0x3002;

    OptionsDialog(HWND owner, RunOptions& options);

    HWND listView() const { return list_; }

protected:
    bool build(HWND window, DialogSize& size) override;
    bool onCommand(HWND window, u32 id, u32 code, HWND control) override;
    INT_PTR onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Shows the prepared popup menu at the mouse position; the choice arrives as a WM_COMMAND.
    virtual void trackMenu(HMENU menu, POINT at);

private:
    void fillCell(NMLVDISPINFOW& info);
    i32 selectedRow() const;
    void editEntry(i32 row);
    void deleteSelected();
    void refreshList();

    RunOptions& options_;
    HWND list_ = nullptr;
    ui::UniqueMenu menu_;
    std::u16string cellText_;
};

class DirectoryEntryDialog : public DialogBase {
public:
    static constexpr int ID_PATH = 100;
    static constexpr int ID_MODE = 101;
    static constexpr int ID_CHANGE = 200;

    DirectoryEntryDialog(HWND owner, DirectoryEntry& entry);

protected:
    bool build(HWND window, DialogSize& size) override;
    bool onCommand(HWND window, u32 id, u32 code, HWND control) override;

private:
    void browse();
    bool accept();

    DirectoryEntry& entry_;
};

// ---- entry points ----------------------------------------------------------------------------

INT_PTR runStartDialog(RunOptions& options, u32& mode, bool& loadRequest);
INT_PTR runPhaseTwoDialog(RunOptions& options, u32& choice);
// "Setup complete?" with Yes (1) and No (0), owned by `owner` (the progress window).
INT_PTR runSetupQuestion(HWND owner, ProgressSink* sink, SnapshotTree* registryTree, SnapshotTree* fileSystemTree,
                         const RunOptions* options);
INT_PTR runOptionsDialog(HWND owner, RunOptions& options);
INT_PTR runDirectoryEntryDialog(HWND owner, DirectoryEntry& entry);

// The open chooser for a snapshot file (GetOpenFileNameA, looked up at run time). True with the
// chosen name in `buffer`; false, the buffer untouched, when cancelled or unavailable.
bool chooseSnapshotFile(HWND owner, char* buffer, u32 size);

}  // namespace pelorin
