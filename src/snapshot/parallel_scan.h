#pragma once
// One pass over the registry and the file system: one after the other on the caller's thread
// ("-DisableParallel"), or side by side on two worker threads while the caller keeps the
// progress window painted through the sink's flush. The two scans share nothing but the sink
// and the read-only options, so nothing needs merging afterwards.
#include <functional>

#include "runtime/types.h"
#include "runtime/worker_thread.h"

namespace pelorin {

class FileSystemScanner;
class ProgressSink;
class RegistryScanner;
class SnapshotTree;
struct RunOptions;

// How long the caller waits for a worker before it flushes the sink again: short enough that
// the window stays painted and its Cancel button answers.
constexpr u32 SCAN_WAIT_STEP_MILLISECONDS = 100;
// The file-system walk recurses once per directory level, up to 1024 levels; the system's
// default stack (as little as 1 MiB on Windows) leaves too little room for that in a debug or
// sanitizer build.
constexpr u32 SCAN_WORKER_STACK_SIZE = 8u << 20;

constexpr u32 TEXT_REGISTRY_COMPLETE = 153;  // "Registry processing complete."
// Status lines of the registry pass's running texts.
constexpr u32 LINE_REGISTRY_ITEM = 4;
constexpr u32 LINE_REGISTRY_DETAIL = 5;

// Worker indexes, also the order in which workers are started and waited for.
constexpr u32 SCAN_REGISTRY = 0;
constexpr u32 SCAN_FILE_SYSTEM = 1;

// Everything one pass hands to its scans. The trees, scanners and counters belong to the phase
// flow; the registry side and the file-system side never touch each other's.
struct ScanJob {
    ProgressSink* sink = nullptr;
    const RunOptions* options = nullptr;
    RegistryScanner* registryScanner = nullptr;
    FileSystemScanner* fileSystemScanner = nullptr;
    bool compareMode = false;
    SnapshotTree* registryTree = nullptr;
    SnapshotTree* fileSystemTree = nullptr;
    u32* registryChangeCount = nullptr;
    u32* fileSystemChangeCount = nullptr;
    bool skipWindowsUpdateFiles = false;
};

// The registry pass followed, with showDetails, by its completion lines and a flush.
u32 runRegistryBody(const ScanJob& job);
// The file-system pass over the options' paths.
u32 runFileSystemBody(const ScanJob& job);

// One scan of a parallel pass on a thread of its own. `result` is the scan's code (0 until it
// has run); run itself always gives 0.
class ScanWorker : public WorkerThread {
public:
    ScanWorker(const ScanJob& job, u32 index) : WorkerThread(SCAN_WORKER_STACK_SIZE), job_(job), index_(index) {}

    u32 run() override;
    u32 index() const { return index_; }

    u32 result = 0;

private:
    ScanJob job_;
    u32 index_;
};

// How runScans makes and waits for its workers. The defaults are the program's; tests shorten
// the step and stage workers that cannot be created or started.
struct ScanSchedule {
    u32 waitStepMilliseconds = SCAN_WAIT_STEP_MILLISECONDS;
    // Makes the worker of one index, or gives null when that is impossible (out of memory).
    // Empty: a plain ScanWorker.
    std::function<ScanWorker*(const ScanJob&, u32 index)> createWorker;
};

// One pass: gives 0 or the first non-zero code in the order registry, file system. Both workers
// have ended and are deleted when it returns.
u32 runScans(const ScanJob& job, const ScanSchedule& schedule = ScanSchedule());
u32 runScans(ProgressSink* sink, const RunOptions& options, RegistryScanner& registryScanner,
             FileSystemScanner& fileSystemScanner, bool compareMode, SnapshotTree& registryTree,
             SnapshotTree& fileSystemTree, u32* registryChangeCount, u32* fileSystemChangeCount,
             bool skipWindowsUpdateFiles);

}  // namespace pelorin
