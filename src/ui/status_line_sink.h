#pragma once
// The status-line half of the progress window, without the window: the 200-millisecond throttle
// per line, the buffering of texts while worker threads report (deferred mode) and the list of
// differences. The progress window derives from it and only puts texts on its controls, so the
// rules can be tested with a clock the test controls.
#include <functional>
#include <mutex>

#include "results/result_list.h"
#include "ui/progress_sink.h"

namespace pelorin {

class StatusLineSink : public ProgressSink {
public:
    // A running text (mode 2 or 3) is dropped when its line changed less than this long ago.
    static constexpr u32 THROTTLE_MS = 200;
    // A buffered text keeps at most 255 characters.
    static constexpr u32 PENDING_TEXT_SIZE = 256;

    // `tickCount` gives milliseconds that may wrap around (GetTickCount); every line counts as
    // updated at construction.
    explicit StatusLineSink(std::function<u32()> tickCount);

    // Shows the texts buffered since the last flush, the latest of each line. Gives true.
    // User-interface thread only. It shows them even when deferred mode has just been switched
    // off, so that the last texts of workers that ended after the previous flush still appear.
    bool flush() override;
    void addChange(u32 kind, const char16_t* text1, const char16_t* text2, u32 dataSize,
                   const u8* data) override;

    // The differences recorded so far; the list keeps its own lock for addChange.
    ResultList& changes() { return changes_; }

protected:
    bool acceptsStatus(u32 mode, u32 line) override;
    void showText(u32 mode, u32 line, const char* text) override;

    // Puts `text` on the control of `line`. User-interface thread only.
    virtual void applyLineText(u32 line, const char* text) = 0;
    // Called after a direct text and at every flush: repaint, keep the window responsive.
    virtual void refreshLines() {}

private:
    // Whether a text of this mode is due on the line now. Caller holds statusLock_.
    bool isDue(u32 mode, u32 line, u32 now) const;

    std::function<u32()> tickCount_;
    std::mutex statusLock_;
    bool dirty_[LINE_COUNT] = {};
    char pending_[LINE_COUNT][PENDING_TEXT_SIZE] = {};
    u32 lastUpdate_[LINE_COUNT] = {};
    ResultList changes_;
};

}  // namespace pelorin
