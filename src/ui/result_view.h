#pragma once
// What the result window shows and does, kept free of Windows: its layout, the texts of its
// cells, the rows a copy takes and the clipboard text made of them, the column orders, and the
// address of the web search for an entry.
#include <functional>
#include <string>
#include <vector>

#include "results/result_list.h"
#include "results/sort_results.h"
#include "runtime/types.h"
#include "ui/dialog_layout.h"
#include "ui/progress_layout.h"

namespace pelorin {

// String ids of the result window.
constexpr u32 TEXT_RESULT = 138;
constexpr u32 TEXT_CLOSE_BUTTON = 139;
constexpr u32 TEXT_COLUMN_TYPE = 140;
constexpr u32 TEXT_COLUMN_PRIORITY = 141;
constexpr u32 TEXT_COLUMN_VALUE_1 = 142;
constexpr u32 TEXT_COLUMN_VALUE_2 = 195;
constexpr u32 TEXT_COPY_BUTTON = 196;
constexpr u32 TEXT_COPY_ALL_BUTTON = 197;
constexpr u32 TEXT_HELP_BUTTON = 116;
constexpr u32 TEXT_SEARCH_ADDRESS = 157;
constexpr u32 TEXT_UNDO_QUESTION = 188;
constexpr u32 TEXT_UNDO_DONE = 189;
constexpr u32 TEXT_UNDO_FAILED = 190;

constexpr u32 RESULT_COLUMN_COUNT = 4;
// Column widths in percent of the list width: Type, Priority, Value 1, Value 2.
constexpr i32 RESULT_COLUMN_PERCENT[RESULT_COLUMN_COUNT] = {23, 7, 35, 35};
constexpr u32 RESULT_COLUMN_TEXT_IDS[RESULT_COLUMN_COUNT] = {TEXT_COLUMN_TYPE, TEXT_COLUMN_PRIORITY,
                                                             TEXT_COLUMN_VALUE_1, TEXT_COLUMN_VALUE_2};
constexpr i32 RESULT_MIN_WIDTH = 450;
constexpr u32 RESULT_MIN_ROWS = 10;
// A cell is read from the list into this many characters (the NUL included).
constexpr u32 RESULT_CELL_CAPACITY = 1024;

// ---- layout ----------------------------------------------------------------------------------

// The rows the list is high: 10 for up to 10 entries, else one per entry but no more than fit
// into two thirds of the work area's height.
u32 resultVisibleRows(u32 entryCount, i32 workAreaHeight, i32 fieldHeight);

struct ResultWindowLayoutInput {
    LayoutMetrics metrics;
    i32 widestButtonText = 0;  // of Copy, Copy all, Close and Help as drawn
    u32 entryCount = 0;
    i32 workAreaWidth = 0;
    i32 workAreaHeight = 0;
};

struct ResultWindowLayout {
    static constexpr u32 BUTTON_COUNT = 4;  // Copy, Copy all, Close, Help
    ControlBox list;
    i32 columnWidths[RESULT_COLUMN_COUNT] = {};
    ControlBox buttons[BUTTON_COUNT];
    u32 visibleRows = 0;
    i32 clientWidth = 0;
    i32 clientHeight = 0;
};

ResultWindowLayout computeResultWindowLayout(const ResultWindowLayoutInput& input);

// ---- cells and sorting -----------------------------------------------------------------------

// The sort order of a clicked column: Type by kind, Priority by priority, the values by their text.
SortOrder sortOrderForColumn(u32 column);

// The text of a cell: the kind's display text (`kindText` gives it for a text id; "???" for an
// unknown kind), the priority in decimal, the first or the second text (empty when absent).
std::u16string resultCellText(const ResultEntry& entry, u32 column,
                              const std::function<std::string(u32 textId)>& kindText);

// ---- copying ---------------------------------------------------------------------------------

// The rows "Copy" takes: the selected rows; with none selected the focused row, the first row
// when none has the focus (focused < 0). A focus past the end takes nothing.
std::vector<u32> rowsToCopy(const std::vector<u32>& selectedRows, i32 focusedRow, u32 rowCount);

// The clipboard text of rows: per row the four cells (each cut to RESULT_CELL_CAPACITY - 1
// characters, as the list hands them out), a TAB after each of the first three and CR LF after
// the fourth. Rows at or past `rowCount` are left out.
std::u16string buildClipboardText(const std::vector<u32>& rows, u32 rowCount,
                                  const std::function<std::u16string(u32 row, u32 column)>& cell);

// ---- web search ------------------------------------------------------------------------------

// The search term of an entry: the first text for registry keys, removed values, changed types
// and files not found; the value name followed by a blank and its key for added and changed
// values; the name after the last "\" for files and directories. Empty when the entry has no
// first text or an unknown kind.
std::u16string webSearchTerm(const ResultEntry& entry);

// Percent-encoding of the ANSI bytes of a query: letters, digits and "-_.~" stay, a blank
// becomes "+", every other byte "%XX".
std::string encodeUrlComponent(const std::string& text);

// The address to open: `prefix` (string 157) followed by the encoded term, narrowed to ANSI
// first (units above 255 become "?"). False, with `address` empty, when the entry gives no term
// or the prefix is no http or https address, so that nothing else ever reaches the shell.
bool buildWebSearchAddress(const char* prefix, const ResultEntry& entry, std::string& address);

}  // namespace pelorin

namespace pelorin {

// The undo of single differences as the result window uses it; the phase flow hands in the one
// of the result list.
class ResultUndo {
public:
    virtual ~ResultUndo() = default;
    virtual bool canUndo(const ResultEntry& entry) = 0;
    // True on success, which also marks the entry undone.
    virtual bool undo(ResultEntry& entry) = 0;
};

// The undo of the result list (canUndo and undo of results/undo.h) through the installed platform.
ResultUndo& resultListUndo();

}  // namespace pelorin
