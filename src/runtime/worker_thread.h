#pragma once
// A thread object: derive, override run, start it, wait for its end with a timeout, delete it.
// Built on POSIX threads, which both the native build and the MinGW posix build have; unlike
// std::thread it lets the stack size be chosen and reports a failed start as false instead of
// an exception.
#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "runtime/types.h"

namespace pelorin {

class WorkerThread {
public:
    // stackSize 0: the system's default for new threads.
    explicit WorkerThread(u32 stackSize = 0) : stackSize_(stackSize) {}
    // Waits for a started thread that has not been waited for to the end. Delete a worker only
    // after its end: by then the derived part that run works on is already gone.
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Creates the thread, which calls run. False when the system cannot create it, or when this
    // object was started before.
    virtual bool start();
    // The thread's work; gives its exit code.
    virtual u32 run() = 0;

    // True when the thread has ended within `milliseconds` (0 only asks); false when it is still
    // running or was never started.
    bool wait(u32 milliseconds);
    // Set once run has returned (or ended by an exception).
    bool isFinished() const { return finished_.load(std::memory_order_acquire) != 0; }
    bool isStarted() const { return started_; }
    // run's exit code; 0 when run ended by an exception. Meaningful once finished.
    u32 exitCode() const { return exitCode_; }
    u32 stackSize() const { return stackSize_; }

private:
    static void* enter(void* self);
    void join();

    u32 stackSize_;
    bool started_ = false;
    bool joined_ = false;
    pthread_t thread_{};
    u32 exitCode_ = 0;
    std::atomic<u8> finished_{0};
    std::mutex endLock_;
    std::condition_variable ended_;
};

}  // namespace pelorin
