#include "ui/status_line_sink.h"

#include <string_view>

#include "runtime/text.h"

namespace pelorin {

StatusLineSink::StatusLineSink(std::function<u32()> tickCount) : tickCount_(std::move(tickCount)) {
    const u32 now = tickCount_();
    for (u32& tick : lastUpdate_) tick = now;
}

bool StatusLineSink::isDue(u32 mode, u32 line, u32 now) const {
    // Unsigned difference: correct across the wrap of the tick counter.
    return mode == STATUS_ALWAYS || now - lastUpdate_[line] >= THROTTLE_MS;
}

bool StatusLineSink::acceptsStatus(u32 mode, u32 line) {
    if (line >= LINE_COUNT) return false;
    // Saves formatting a text that would be dropped; showText decides again under the lock.
    std::lock_guard<std::mutex> guard(statusLock_);
    return isDue(mode, line, tickCount_());
}

void StatusLineSink::showText(u32 mode, u32 line, const char* text) {
    if (line >= LINE_COUNT) return;
    {
        std::lock_guard<std::mutex> guard(statusLock_);
        const u32 now = tickCount_();
        if (!isDue(mode, line, now)) return;
        lastUpdate_[line] = now;
        if (deferredMode) {
            copyBounded(pending_[line], PENDING_TEXT_SIZE, text ? text : "");
            dirty_[line] = true;
            return;
        }
        // A text shown directly supersedes one still buffered from deferred mode.
        dirty_[line] = false;
    }
    // Direct mode is the user-interface thread alone; the control is set outside the lock so
    // that the messages pumped meanwhile (a Cancel question) never hold up anyone else.
    applyLineText(line, text ? text : "");
    refreshLines();
}

bool StatusLineSink::flush() {
    // Copied out under the lock, applied outside it: the workers go on while the window paints
    // and while a question asked from the pumped messages waits for the user.
    char texts[LINE_COUNT][PENDING_TEXT_SIZE];
    bool taken[LINE_COUNT] = {};
    {
        std::lock_guard<std::mutex> guard(statusLock_);
        for (u32 line = 0; line < LINE_COUNT; ++line) {
            if (!dirty_[line]) continue;
            dirty_[line] = false;
            copyBounded(texts[line], PENDING_TEXT_SIZE, pending_[line]);
            taken[line] = true;
        }
    }
    for (u32 line = 0; line < LINE_COUNT; ++line) {
        if (taken[line]) applyLineText(line, texts[line]);
    }
    // Even with nothing new: a flush is the interface thread's regular chance to paint and to
    // see the Cancel button while the workers run.
    refreshLines();
    return true;
}

void StatusLineSink::addChange(u32 kind, const char16_t* text1, const char16_t* text2, u32 dataSize,
                               const u8* data) {
    changes_.addChange(kind, text1, text2, dataSize, data);
}

}  // namespace pelorin
