#include "ui/result_view.h"

#include <algorithm>

#include "results/undo.h"
#include "runtime/text.h"

namespace pelorin {

u32 resultVisibleRows(u32 entryCount, i32 workAreaHeight, i32 fieldHeight) {
    if (entryCount <= RESULT_MIN_ROWS) return RESULT_MIN_ROWS;
    const i32 fitting = fieldHeight > 0 ? workAreaHeight * 2 / 3 / fieldHeight : 0;
    // A tiny or unknown work area still leaves one row to see.
    const u32 limit = fitting > 0 ? static_cast<u32>(fitting) : 1;
    return std::min(entryCount, limit);
}

ResultWindowLayout computeResultWindowLayout(const ResultWindowLayoutInput& in) {
    const LayoutMetrics& m = in.metrics;
    ResultWindowLayout out;
    const u32 buttons = ResultWindowLayout::BUTTON_COUNT;
    const i32 button = buttonWidth(in.widestButtonText, m);
    out.clientWidth = std::max({RESULT_MIN_WIDTH, buttonRowMinimum(buttons, button, m), in.workAreaWidth * 4 / 5});

    out.visibleRows = resultVisibleRows(in.entryCount, in.workAreaHeight, m.fieldHeight);
    const i32 listHeight = static_cast<i32>(out.visibleRows) * m.fieldHeight;
    out.list = ControlBox{m.horizontalMargin, m.verticalMargin, out.clientWidth - 3 * m.horizontalMargin, listHeight};
    for (u32 column = 0; column < RESULT_COLUMN_COUNT; ++column) {
        out.columnWidths[column] = out.list.width * RESULT_COLUMN_PERCENT[column] / 100;
    }

    const i32 rowTop = m.verticalMargin + listHeight + m.sectionGap;
    for (u32 i = 0; i < buttons; ++i) {
        out.buttons[i] = ControlBox{buttonRowX(out.clientWidth, buttons, button, i, m), rowTop, button, m.buttonHeight};
    }
    out.clientHeight = heightBelowButtonRow(rowTop, m);
    return out;
}

SortOrder sortOrderForColumn(u32 column) {
    switch (column) {
    case 0: return SORT_BY_KIND;
    case 2: return SORT_BY_FIRST_TEXT;
    case 3: return SORT_BY_SECOND_TEXT;
    default: return SORT_BY_PRIORITY;
    }
}

std::u16string resultCellText(const ResultEntry& entry, u32 column,
                              const std::function<std::string(u32 textId)>& kindText) {
    switch (column) {
    case 0: {
        const u32 id = resultKindTextId(entry.kind);
        return widen(id && kindText ? kindText(id) : std::string("???"));
    }
    case 1: return widen(std::to_string(entry.priority));
    case 2: return entry.text1 ? std::u16string(entry.text1) : std::u16string();
    case 3: return entry.text2 ? std::u16string(entry.text2) : std::u16string();
    default: return std::u16string();
    }
}

std::vector<u32> rowsToCopy(const std::vector<u32>& selectedRows, i32 focusedRow, u32 rowCount) {
    std::vector<u32> rows;
    for (u32 row : selectedRows) {
        if (row < rowCount) rows.push_back(row);
    }
    if (!rows.empty() || !selectedRows.empty()) return rows;
    if (focusedRow < 0) {
        if (rowCount) rows.push_back(0);
    } else if (static_cast<u32>(focusedRow) < rowCount) {
        rows.push_back(static_cast<u32>(focusedRow));
    }
    return rows;
}

std::u16string buildClipboardText(const std::vector<u32>& rows, u32 rowCount,
                                  const std::function<std::u16string(u32 row, u32 column)>& cell) {
    std::u16string text;
    for (u32 row : rows) {
        if (row >= rowCount) continue;
        for (u32 column = 0; column < RESULT_COLUMN_COUNT; ++column) {
            std::u16string value = cell(row, column);
            if (value.size() > RESULT_CELL_CAPACITY - 1) value.resize(RESULT_CELL_CAPACITY - 1);
            text += value;
            text += column + 1 < RESULT_COLUMN_COUNT ? u"\t" : u"\r\n";
        }
    }
    return text;
}

std::u16string webSearchTerm(const ResultEntry& entry) {
    if (!entry.text1) return std::u16string();
    const std::u16string first(entry.text1);
    switch (entry.kind) {
    case RESULT_REG_KEY_ADDED:
    case RESULT_REG_VALUE_REMOVED:
    case RESULT_REG_TYPE_CHANGED:
    case RESULT_FILE_NOT_FOUND:
        return first;
    case RESULT_REG_VALUE_ADDED:
    case RESULT_REG_VALUE_CHANGED:
        return entry.text2 ? first + u" " + entry.text2 : first;
    case RESULT_FILE_ADDED:
    case RESULT_DIR_ADDED:
    case RESULT_FILE_CHANGED:
    case RESULT_FILE_REMOVED: {
        const size_t slash = first.rfind(u'\\');
        return slash == std::u16string::npos ? first : first.substr(slash + 1);
    }
    default:
        return std::u16string();
    }
}

std::string encodeUrlComponent(const std::string& text) {
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char c : text) {
        const u8 byte = static_cast<u8>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                           byte == '-' || byte == '_' || byte == '.' || byte == '~';
        if (plain) {
            out += c;
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += DIGITS[byte >> 4];
            out += DIGITS[byte & 15];
        }
    }
    return out;
}

namespace {

bool startsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char c = *text;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *prefix) return false;
    }
    return true;
}

}  // namespace

bool buildWebSearchAddress(const char* prefix, const ResultEntry& entry, std::string& address) {
    address.clear();
    if (!prefix || !(startsWithNoCase(prefix, "https://") || startsWithNoCase(prefix, "http://"))) return false;
    const std::u16string term = webSearchTerm(entry);
    if (term.empty()) return false;
    address = prefix;
    address += encodeUrlComponent(narrow(term));
    return true;
}

namespace {

class ListUndo : public ResultUndo {
public:
    bool canUndo(const ResultEntry& entry) override { return pelorin::canUndo(entry); }
    bool undo(ResultEntry& entry) override { return pelorin::undo(entry); }
};

}  // namespace

ResultUndo& resultListUndo() {
    static ListUndo undo;
    return undo;
}

}  // namespace pelorin
