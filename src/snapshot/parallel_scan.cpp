#include "snapshot/parallel_scan.h"

#include <new>

#include "app/run_options.h"
#include "snapshot/file_system_scanner.h"
#include "snapshot/registry_scanner.h"
#include "ui/progress_sink.h"

namespace pelorin {

u32 runRegistryBody(const ScanJob& job) {
    const bool showDetails = job.options->showDetails;
    u32 result = job.registryScanner->runRegistryPass(showDetails, job.compareMode, job.registryTree,
                                                      job.registryChangeCount);
    if (showDetails && job.sink) {
        char text[512];
        job.registryScanner->loadText(text, sizeof text, TEXT_REGISTRY_COMPLETE);
        job.sink->showStatus(STATUS_ALWAYS, LINE_REGISTRY_ITEM, "%s", static_cast<const char*>(text));
        job.sink->showStatus(STATUS_ALWAYS, LINE_REGISTRY_DETAIL, "");
        job.sink->flush();
    }
    return result;
}

u32 runFileSystemBody(const ScanJob& job) {
    return scanFileSystem(job.options->showDetails, job.sink, *job.fileSystemScanner, job.compareMode,
                          *job.fileSystemTree, job.options->paths, job.fileSystemChangeCount,
                          job.skipWindowsUpdateFiles);
}

u32 ScanWorker::run() {
    if (index_ == SCAN_REGISTRY) {
        result = job_.options->checkRegistry ? runRegistryBody(job_) : 0;
    } else {
        result = job_.options->checkFileSystem ? runFileSystemBody(job_) : 0;
    }
    return 0;
}

namespace {

u32 runOneAfterTheOther(const ScanJob& job) {
    if (job.options->checkRegistry) {
        if (u32 result = runRegistryBody(job)) return result;
    }
    return job.options->checkFileSystem ? runFileSystemBody(job) : 0;
}

}  // namespace

u32 runScans(const ScanJob& job, const ScanSchedule& schedule) {
    if (job.options->disableParallel) return runOneAfterTheOther(job);

    constexpr u32 WORKER_COUNT = 2;
    ScanWorker* workers[WORKER_COUNT] = {};
    // Per index, so that a file-system worker that could not be created or started does not
    // hide a registry failure: the registry's code comes first whatever happened in which order.
    u32 results[WORKER_COUNT] = {};

    if (job.sink) job.sink->deferredMode = 1;
    for (u32 index = 0; index < WORKER_COUNT; ++index) {
        ScanWorker* worker = schedule.createWorker ? schedule.createWorker(job, index)
                                                   : new (std::nothrow) ScanWorker(job, index);
        if (!worker) {
            results[index] = ERR_NO_MEMORY;
            break;
        }
        workers[index] = worker;
        // A worker without a thread has ended before it began; waiting for it would never end.
        if (!worker->start()) worker->result = ERR_NO_MEMORY;
    }

    for (u32 index = 0; index < WORKER_COUNT; ++index) {
        ScanWorker* worker = workers[index];
        if (!worker) continue;
        if (worker->isStarted()) {
            while (!worker->wait(schedule.waitStepMilliseconds))
                if (job.sink) job.sink->flush();
        }
        if (!results[index]) results[index] = worker->result;
        delete worker;
    }
    // The workers' last texts came after the last flush; show them before texts go straight to
    // the window again.
    if (job.sink) {
        job.sink->flush();
        job.sink->deferredMode = 0;
    }

    for (u32 result : results)
        if (result) return result;
    return 0;
}

u32 runScans(ProgressSink* sink, const RunOptions& options, RegistryScanner& registryScanner,
             FileSystemScanner& fileSystemScanner, bool compareMode, SnapshotTree& registryTree,
             SnapshotTree& fileSystemTree, u32* registryChangeCount, u32* fileSystemChangeCount,
             bool skipWindowsUpdateFiles) {
    ScanJob job;
    job.sink = sink;
    job.options = &options;
    job.registryScanner = &registryScanner;
    job.fileSystemScanner = &fileSystemScanner;
    job.compareMode = compareMode;
    job.registryTree = &registryTree;
    job.fileSystemTree = &fileSystemTree;
    job.registryChangeCount = registryChangeCount;
    job.fileSystemChangeCount = fileSystemChangeCount;
    job.skipWindowsUpdateFiles = skipWindowsUpdateFiles;
    return runScans(job, ScanSchedule());
}

}  // namespace pelorin
