#include "ui/status_line_sink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace pelorin {
namespace {

// A sink whose "window" is a list of applied texts, driven by a clock the test sets.
class TestSink : public StatusLineSink {
public:
    explicit TestSink(std::atomic<u32>& clock) : StatusLineSink([&clock] { return clock.load(); }) {}

    struct Applied {
        u32 line;
        std::string text;
    };

    bool ask(const char*, u32) override { return false; }
    bool isCancelled() override { return false; }

    std::vector<Applied> applied;  // user-interface thread only
    u32 refreshes = 0;
    std::atomic<u32> formatted{0};  // texts that got as far as formatting

    std::string lineText(u32 line) const {
        for (auto it = applied.rbegin(); it != applied.rend(); ++it) {
            if (it->line == line) return it->text;
        }
        return "<none>";
    }

protected:
    void showText(u32 mode, u32 line, const char* text) override {
        ++formatted;
        StatusLineSink::showText(mode, line, text);
    }
    void applyLineText(u32 line, const char* text) override { applied.push_back({line, text}); }
    void refreshLines() override { ++refreshes; }
};

TEST(StatusLineSink, ThrottlesRunningTextsPerLine) {
    // The clock starts just below the wrap of the 32-bit tick count, which it crosses midway.
    std::atomic<u32> clock{0xFFFFFF80u};
    TestSink sink(clock);
    struct Step {
        u32 advance;  // milliseconds since the previous step
        u32 mode;
        u32 line;
        const char* text;
        bool shown;
    };
    const Step steps[] = {
        {0, STATUS_DETAIL, 7, "just created", false},  // every line counts as updated at creation
        {200, STATUS_DETAIL, 7, "after 200 ms", true},
        {199, STATUS_DETAIL, 7, "199 ms later", false},
        {0, STATUS_RUNNING, 8, "other line", true},     // line 8 last changed 399 ms ago
        {0, STATUS_ALWAYS, 7, "final", true},           // mode 1 ignores the rule...
        {150, STATUS_RUNNING, 7, "150 ms after final", false},  // ...and restarts it
        {50, STATUS_RUNNING, 7, "200 ms after final", true},
        {0, STATUS_ALWAYS, 7, "", true},                // an empty text clears the line
        {1000, STATUS_ALWAYS, 11, "no such line", false},
        {0, STATUS_RUNNING, 0xFFFFFFFFu, "no such line", false},
    };
    u32 formatted = 0;
    for (const Step& step : steps) {
        clock += step.advance;
        const size_t before = sink.applied.size();
        sink.showStatus(step.mode, step.line, "%s", step.text);
        SCOPED_TRACE(step.text);
        if (step.shown) {
            ASSERT_EQ(sink.applied.size(), before + 1);
            EXPECT_EQ(sink.applied.back().line, step.line);
            EXPECT_EQ(sink.applied.back().text, step.text);
            ++formatted;
        } else {
            EXPECT_EQ(sink.applied.size(), before);
        }
        // A dropped text is not even formatted.
        EXPECT_EQ(sink.formatted.load(), formatted);
    }
    EXPECT_EQ(sink.refreshes, formatted);  // each direct text repaints at once
}

TEST(StatusLineSink, DeferredTextsWaitForFlushAndOnlyTheLatestShows) {
    std::atomic<u32> clock{1000};
    TestSink sink(clock);
    sink.deferredMode = 1;
    clock += 500;
    sink.showStatus(STATUS_RUNNING, 8, "first %u", 1u);
    sink.showStatus(STATUS_ALWAYS, 8, "second %u", 2u);
    sink.showStatus(STATUS_ALWAYS, 4, "line 4 kept");
    sink.showStatus(STATUS_RUNNING, 4, "dropped: line 4 changed %s", "0 ms ago");
    sink.showStatus(STATUS_ALWAYS, 5, "line %u", 5u);
    EXPECT_TRUE(sink.applied.empty()) << "deferred texts touched the window";
    EXPECT_EQ(sink.refreshes, 0u) << "a worker's text pumped the window's messages";

    EXPECT_TRUE(sink.flush());
    ASSERT_EQ(sink.applied.size(), 3u);
    EXPECT_EQ(sink.lineText(8), "second 2");
    EXPECT_EQ(sink.lineText(5), "line 5");
    EXPECT_EQ(sink.lineText(4), "line 4 kept");
    EXPECT_EQ(sink.refreshes, 1u);

    // Nothing new: a flush applies nothing but still keeps the window alive.
    EXPECT_TRUE(sink.flush());
    EXPECT_EQ(sink.applied.size(), 3u);
    EXPECT_EQ(sink.refreshes, 2u);

    // The throttle counts from the buffering, not from the flush.
    clock += 199;
    sink.showStatus(STATUS_DETAIL, 8, "too soon");
    clock += 1;
    sink.showStatus(STATUS_DETAIL, 5, "in time");
    sink.flush();
    EXPECT_EQ(sink.lineText(8), "second 2");
    EXPECT_EQ(sink.lineText(5), "in time");
}

TEST(StatusLineSink, BufferedTextsAreCutTo255Characters) {
    std::atomic<u32> clock{0};
    TestSink sink(clock);
    sink.deferredMode = 1;
    const std::string exact(255, 'x');
    const std::string longer = std::string(255, 'y') + "tail";
    sink.showStatus(STATUS_ALWAYS, 0, "%s", exact.c_str());
    sink.showStatus(STATUS_ALWAYS, 1, "%s", longer.c_str());
    sink.flush();
    EXPECT_EQ(sink.lineText(0), exact);
    EXPECT_EQ(sink.lineText(1), std::string(255, 'y'));

    // Shown directly, the same text is not cut.
    sink.deferredMode = 0;
    sink.showStatus(STATUS_ALWAYS, 1, "%s", longer.c_str());
    EXPECT_EQ(sink.lineText(1), longer);
}

TEST(StatusLineSink, LeavingDeferredMode) {
    std::atomic<u32> clock{0};
    TestSink sink(clock);
    sink.deferredMode = 1;
    sink.showStatus(STATUS_ALWAYS, 7, "buffered 7");
    sink.showStatus(STATUS_ALWAYS, 8, "buffered 8");
    sink.deferredMode = 0;
    // A direct text supersedes the one still buffered for its line...
    sink.showStatus(STATUS_ALWAYS, 7, "direct 7");
    EXPECT_EQ(sink.lineText(7), "direct 7");
    // ...and a flush after the workers have ended still shows the other lines' last texts.
    sink.flush();
    EXPECT_EQ(sink.lineText(7), "direct 7");
    EXPECT_EQ(sink.lineText(8), "buffered 8");
}

TEST(StatusLineSink, TwoWorkersWhileTheInterfaceThreadFlushes) {
    std::atomic<u32> clock{0};
    TestSink sink(clock);
    sink.deferredMode = 1;
    constexpr u32 COUNT = 20000;
    std::atomic<bool> done{false};
    auto worker = [&](u32 ownLine, u32 sharedLine) {
        for (u32 i = 1; i <= COUNT; ++i) {
            sink.showStatus(STATUS_ALWAYS, ownLine, "line %u text %u", ownLine, i);
            sink.showStatus(STATUS_RUNNING, sharedLine, "shared %u", i);  // mostly dropped
            if (i % 64 == 0) clock += 7;
        }
    };
    std::thread registry(worker, 4, 10);
    std::thread files(worker, 7, 10);
    std::thread watcher([&] {
        registry.join();
        files.join();
        done = true;
    });
    u32 flushes = 0;
    while (!done) {
        sink.flush();
        ++flushes;
        std::this_thread::yield();
    }
    watcher.join();
    sink.flush();
    EXPECT_GT(flushes, 0u);
    EXPECT_EQ(sink.lineText(4), "line 4 text 20000");
    EXPECT_EQ(sink.lineText(7), "line 7 text 20000");
    EXPECT_NE(sink.lineText(10), "<none>");
    // Texts of one line appear in the order they were given.
    u32 last = 0;
    for (const auto& applied : sink.applied) {
        if (applied.line != 4) continue;
        const u32 n = static_cast<u32>(std::stoul(applied.text.substr(applied.text.rfind(' ') + 1)));
        EXPECT_GT(n, last);
        last = n;
    }
}

TEST(StatusLineSink, ChangesAreCopied) {
    std::atomic<u32> clock{0};
    TestSink sink(clock);
    char16_t path[] = u"HKLM\\Software\\Orvex";
    const u8 data[] = {1, 2, 3};
    sink.addChange(3, path, u"Version", sizeof data, data);
    sink.addChange(1, path, nullptr, 0, nullptr);
    path[0] = u'X';  // the caller's buffer is reused at once
    ASSERT_EQ(sink.changes().count(), 2u);
    const ResultEntry* changed = sink.changes().entry(0);
    EXPECT_EQ(changed->kind, 3u);
    EXPECT_EQ(std::u16string(changed->text1), u"HKLM\\Software\\Orvex");
    EXPECT_EQ(std::u16string(changed->text2), u"Version");
    ASSERT_EQ(changed->dataSize, 3u);
    EXPECT_EQ(changed->data[2], 3);
    EXPECT_FALSE(changed->undone);
    const ResultEntry* added = sink.changes().entry(1);
    EXPECT_EQ(added->text2, nullptr);  // absent second text: empty
    EXPECT_EQ(added->dataSize, 0u);
}

}  // namespace
}  // namespace pelorin
