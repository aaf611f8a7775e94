#pragma once
// The one channel through which the scans and the phase flow talk to the user: numbered status
// lines, questions, the cancel query, a flush point for the user-interface thread, and every
// difference found. The scanners never touch a window.
//
// Status lines: 0 the pass and load/save messages; 1, 2 explanations; 3 registry totals;
// 4, 5 registry activity (5 also the registry change count); 6 file-system totals and errors;
// 7 to 10 file-system activity (8 also the file-system change count).
#include "runtime/format.h"
#include "runtime/types.h"

namespace pelorin {

enum StatusMode : u32 {
    STATUS_ALWAYS = 1,   // must be shown
    STATUS_RUNNING = 2,  // may be dropped when the line changed less than 200 ms ago
    STATUS_DETAIL = 3,   // same rule as 2
};

class ProgressSink {
public:
    static constexpr u32 LINE_COUNT = 11;
    static constexpr u32 STATUS_TEXT_CAPACITY = 4096;

    virtual ~ProgressSink() = default;

    // Formats `format` with the arguments (at most four, as the formatter takes them) and shows
    // the text on `line`. An empty format clears the line. Safe from worker threads.
    template <typename... Args>
    void showStatus(u32 mode, u32 line, const char* format, const Args&... args) {
        static_assert(sizeof...(Args) <= 4, "a status text takes at most four arguments");
        if (!acceptsStatus(mode, line)) return;
        char text[STATUS_TEXT_CAPACITY];
        formatText(text, sizeof text, format ? format : "", args...);
        showText(mode, line, text);
    }

    // A question: kind 1 OK/Cancel, 2 Yes/No, 3 Yes/No with No as default, else information
    // with OK. True for OK or Yes. User-interface thread only.
    virtual bool ask(const char* text, u32 kind) = 0;
    // True once the user confirmed a cancel request; stays true. Any thread.
    virtual bool isCancelled() = 0;
    // Shows the texts buffered in deferred mode. User-interface thread only.
    virtual bool flush() = 0;
    virtual u32 spareQuery() { return 0; }
    // Records one difference; the sink copies the texts and the data. Safe from worker threads.
    virtual void addChange(u32 kind, const char16_t* text1, const char16_t* text2, u32 dataSize,
                           const u8* data) {
        (void)kind, (void)text1, (void)text2, (void)dataSize, (void)data;
    }

    // Set by the parallel runner while its workers report: status texts must then be buffered
    // and shown only by flush. Changed only while no worker runs.
    u8 deferredMode = 0;

protected:
    // Lets a sink skip formatting a running text it would drop anyway (the throttle).
    virtual bool acceptsStatus(u32 mode, u32 line) {
        (void)mode, (void)line;
        return true;
    }
    // The formatted text of showStatus.
    virtual void showText(u32 mode, u32 line, const char* text) = 0;
};

}  // namespace pelorin
