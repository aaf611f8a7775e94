#include "runtime/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

namespace pelorin {
namespace {

class FunctionThread : public WorkerThread {
public:
    explicit FunctionThread(std::function<u32()> work, u32 stackSize = 0) : WorkerThread(stackSize), work_(std::move(work)) {}
    u32 run() override { return work_(); }

private:
    std::function<u32()> work_;
};

TEST(WorkerThread, EndsWithTheExitCodeOfRunOrZeroAfterAnException) {
    struct Case {
        const char* name;
        std::function<u32()> work;
        u32 exitCode;
    };
    const Case cases[] = {
        {"returns 7", [] { return 7u; }, 7},
        {"throws", []() -> u32 { throw std::runtime_error("scan broke"); }, 0},
        {"throws something odd", []() -> u32 { throw 42; }, 0},
    };
    for (const Case& c : cases) {
        FunctionThread thread(c.work);
        EXPECT_FALSE(thread.isFinished()) << c.name;
        ASSERT_TRUE(thread.start()) << c.name;
        EXPECT_TRUE(thread.wait(10000)) << c.name;
        EXPECT_TRUE(thread.isFinished()) << c.name;
        EXPECT_EQ(thread.exitCode(), c.exitCode) << c.name;
        // Asking again after the end answers at once and the same.
        EXPECT_TRUE(thread.wait(0)) << c.name;
    }
}

TEST(WorkerThread, WaitTimesOutWhileRunningAndIsFalseWithoutAThread) {
    std::atomic<bool> release{false};
    std::atomic<bool> entered{false};
    FunctionThread thread([&] {
        entered = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 3u;
    });
    EXPECT_FALSE(thread.wait(0));  // not started: nothing to wait for
    ASSERT_TRUE(thread.start());
    EXPECT_FALSE(thread.start());  // one thread per object

    auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(thread.wait(30));
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(25));
    EXPECT_FALSE(thread.isFinished());

    release = true;
    EXPECT_TRUE(thread.wait(10000));
    EXPECT_TRUE(entered);
    EXPECT_EQ(thread.exitCode(), 3u);
}

// A deep recursion that the default stack of a thread under Windows (1 MiB) would not hold in
// a debug build; the requested size is what makes it fit.
u32 recurse(u32 depth) {
    volatile char frame[2048];
    frame[0] = 1;
    if (depth == 0) return 0;
    return recurse(depth - 1) + static_cast<u32>(frame[0]);
}

TEST(WorkerThread, RunsOnTheRequestedStackSize) {
    FunctionThread thread([] { return recurse(2048); }, 16u << 20);
    EXPECT_EQ(thread.stackSize(), 16u << 20);
    ASSERT_TRUE(thread.start());
    ASSERT_TRUE(thread.wait(10000));
    EXPECT_EQ(thread.exitCode(), 2048u);
}

}  // namespace
}  // namespace pelorin
