#include "ui/recording_sink.h"

namespace pelorin {

bool RecordingSink::ask(const char* text, u32 kind) {
    (void)kind;
    std::lock_guard<std::mutex> guard(mutex_);
    questions_.emplace_back(text ? text : "");
    if (answers_.empty()) return false;
    bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

bool RecordingSink::isCancelled() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++polls_;
    if (cancelAfter_ && polls_ >= cancelAfter_) cancelled_ = true;
    return cancelled_;
}

bool RecordingSink::flush() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++flushes_;
    return true;
}

void RecordingSink::addChange(u32 kind, const char16_t* text1, const char16_t* text2, u32 dataSize,
                              const u8* data) {
    Change c{kind, text1 ? text1 : u"", text2 ? text2 : u"", text1 != nullptr, text2 != nullptr, {}};
    if (data && dataSize) c.data.assign(data, data + dataSize);
    std::lock_guard<std::mutex> guard(mutex_);
    changes_.push_back(std::move(c));
}

void RecordingSink::showText(u32 mode, u32 line, const char* text) {
    std::lock_guard<std::mutex> guard(mutex_);
    statuses_.push_back(Status{mode, line, text, deferredMode != 0});
}

void RecordingSink::cancelAfterPolls(u64 n) {
    std::lock_guard<std::mutex> guard(mutex_);
    cancelAfter_ = n ? polls_ + n : 0;
}

void RecordingSink::cancelNow() {
    std::lock_guard<std::mutex> guard(mutex_);
    cancelled_ = true;
}

void RecordingSink::queueAnswers(std::initializer_list<bool> answers) {
    std::lock_guard<std::mutex> guard(mutex_);
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::vector<RecordingSink::Status> RecordingSink::statuses() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return statuses_;
}

std::vector<RecordingSink::Change> RecordingSink::changes() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return changes_;
}

std::vector<std::string> RecordingSink::questions() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return questions_;
}

std::vector<std::string> RecordingSink::lineTexts(u32 line) const {
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<std::string> out;
    for (const Status& s : statuses_)
        if (s.line == line) out.push_back(s.text);
    return out;
}

u64 RecordingSink::flushCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return flushes_;
}

u64 RecordingSink::pollCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return polls_;
}

}  // namespace pelorin
