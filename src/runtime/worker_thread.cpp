#include "runtime/worker_thread.h"

#include <chrono>

namespace pelorin {

WorkerThread::~WorkerThread() { join(); }

bool WorkerThread::start() {
    if (started_) return false;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    bool usable = stackSize_ == 0 || pthread_attr_setstacksize(&attributes, stackSize_) == 0;
    if (usable) usable = pthread_create(&thread_, &attributes, &WorkerThread::enter, this) == 0;
    pthread_attr_destroy(&attributes);
    started_ = usable;
    return usable;
}

void* WorkerThread::enter(void* self) {
    auto* worker = static_cast<WorkerThread*>(self);
    u32 code = 0;
    // An exception must not take the process down, and the worker must still count as ended,
    // or its owner would wait for it forever.
    try {
        code = worker->run();
    } catch (...) {
        code = 0;
    }
    {
        std::lock_guard<std::mutex> guard(worker->endLock_);
        worker->exitCode_ = code;
        worker->finished_.store(1, std::memory_order_release);
    }
    worker->ended_.notify_all();
    return nullptr;
}

bool WorkerThread::wait(u32 milliseconds) {
    if (!started_) return false;
    {
        std::unique_lock<std::mutex> guard(endLock_);
        if (!ended_.wait_for(guard, std::chrono::milliseconds(milliseconds), [this] { return isFinished(); }))
            return false;
    }
    // The thread only has to leave enter now; joining frees what the system keeps for it.
    join();
    return true;
}

void WorkerThread::join() {
    if (!started_ || joined_) return;
    pthread_join(thread_, nullptr);
    joined_ = true;
}

}  // namespace pelorin
