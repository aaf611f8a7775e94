#pragma once
// A sink for tests: keeps every status text and every change, answers questions from a script
// and can be made to report a cancel request after a number of polls. Thread-safe.
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "ui/progress_sink.h"

namespace pelorin {

class RecordingSink : public ProgressSink {
public:
    struct Status {
        u32 mode;
        u32 line;
        std::string text;
        bool deferred;  // reported while deferredMode was set
    };
    struct Change {
        u32 kind;
        std::u16string text1;
        std::u16string text2;
        bool hasText1;
        bool hasText2;
        std::vector<u8> data;
    };

    bool ask(const char* text, u32 kind) override;
    bool isCancelled() override;
    bool flush() override;
    void addChange(u32 kind, const char16_t* text1, const char16_t* text2, u32 dataSize,
                   const u8* data) override;

    // isCancelled answers true from its n-th call on (1 = at once); 0 never.
    void cancelAfterPolls(u64 n);
    void cancelNow();
    // Answers for ask, in order; when they run out, ask answers false.
    void queueAnswers(std::initializer_list<bool> answers);

    std::vector<Status> statuses() const;
    std::vector<Change> changes() const;
    std::vector<std::string> questions() const;
    // Texts shown on one line, in order.
    std::vector<std::string> lineTexts(u32 line) const;
    u64 flushCount() const;
    u64 pollCount() const;

protected:
    void showText(u32 mode, u32 line, const char* text) override;

private:
    mutable std::mutex mutex_;
    std::vector<Status> statuses_;
    std::vector<Change> changes_;
    std::vector<std::string> questions_;
    std::deque<bool> answers_;
    u64 cancelAfter_ = 0;
    u64 polls_ = 0;
    u64 flushes_ = 0;
    bool cancelled_ = false;
};

}  // namespace pelorin
