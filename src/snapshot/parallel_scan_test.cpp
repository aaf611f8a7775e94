#include "snapshot/parallel_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/app_test_support.h"
#include "app/run_options.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"
#include "runtime/format.h"
#include "runtime/text.h"
#include "snapshot/file_system_scanner.h"
#include "snapshot/registry_scanner.h"
#include "snapshot/snapshot_tree.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

using platform::RegistryRoot;
using Clock = std::chrono::steady_clock;
constexpr RegistryRoot LM = RegistryRoot::LOCAL_MACHINE;
constexpr RegistryRoot USERS = RegistryRoot::USERS;
constexpr u32 TYPE_SZ = 1, TYPE_DWORD = 4;

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

std::vector<u8> bytes(std::string_view text) { return std::vector<u8>(text.begin(), text.end()); }

// Polls `condition` for up to ten seconds, so that a broken runner fails the test instead of
// hanging it. Gives whether the condition came true.
bool waitUntil(const std::function<bool()>& condition) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Records on which threads the scans ran and lets a test hold a scan at its first step.
class ObservedFileSystem : public platform::MemoryFileSystem {
public:
    u32 listDirectory(const char16_t* directory, std::unique_ptr<platform::DirectoryListing>& out) override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            threads_.insert(std::this_thread::get_id());
        }
        ++listings;
        if (beforeListing) beforeListing();
        return MemoryFileSystem::listDirectory(directory, out);
    }
    std::set<std::thread::id> threads() const {
        std::lock_guard<std::mutex> guard(lock_);
        return threads_;
    }

    std::function<void()> beforeListing;
    std::atomic<u32> listings{0};

private:
    mutable std::mutex lock_;
    std::set<std::thread::id> threads_;
};

class ObservedRegistry : public platform::MemoryRegistry {
public:
    u32 queryKeyInfo(const platform::RegistryKey& key, platform::RegistryKeyInfo& info) override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            threads_.insert(std::this_thread::get_id());
        }
        u32 code = MemoryRegistry::queryKeyInfo(key, info);
        // Data this long cannot be buffered: the scan runs out of memory at the first key with values.
        if (code == 0 && claimHugeValues) info.longestValueData = 0xFFFFFFFFu;
        return code;
    }
    std::set<std::thread::id> threads() const {
        std::lock_guard<std::mutex> guard(lock_);
        return threads_;
    }

    bool claimHugeValues = false;

private:
    mutable std::mutex lock_;
    std::set<std::thread::id> threads_;
};

// Counts the flushes of the thread that created it (the caller of runScans) and can act on
// each of them.
class ObservedSink : public RecordingSink {
public:
    bool flush() override {
        RecordingSink::flush();
        if (std::this_thread::get_id() == owner_) {
            ++callerFlushes;
            if (deferredMode) ++callerFlushesDeferred;
            statusesAtLastCallerFlush = statuses().size();
        }
        if (onFlush) onFlush();
        return true;
    }

    std::atomic<u32> callerFlushes{0};
    std::atomic<u32> callerFlushesDeferred{0};
    std::atomic<std::size_t> statusesAtLastCallerFlush{0};
    std::function<void()> onFlush;  // runs on the flushing thread

private:
    std::thread::id owner_ = std::this_thread::get_id();
};

struct TestPlatform {
    ObservedFileSystem fileSystem;
    ObservedRegistry registry;
    platform::MemorySystem system;
    platform::ScopedPlatform scope{platform::Platform{&fileSystem, &registry, &system}};
};

// A worker whose deletion is counted; it can also be made unable to start.
class CountedWorker : public ScanWorker {
public:
    CountedWorker(const ScanJob& job, u32 index, bool startFails, std::vector<std::string>& log)
        : ScanWorker(job, index), startFails_(startFails), log_(log) {}
    ~CountedWorker() override {
        log_.push_back("delete " + std::to_string(index()) + (isStarted() && !isFinished() ? " running" : ""));
    }
    bool start() override {
        log_.push_back("start " + std::to_string(index()));
        return startFails_ ? false : ScanWorker::start();
    }

private:
    bool startFails_;
    std::vector<std::string>& log_;
};

// One tracking run's two scans over a small registry and directory tree, with the program's
// English texts (loaded by both workers at once in parallel mode).
struct ScanPass {
    ScanPass() {
        registerStandardDirectives();
        platform.fileSystem.volumeFlags[u"C:\\"] = 0;
        platform.registry.putValue(LM, u"Software\\Vendor", u"Version", TYPE_SZ, bytes(std::string("1.0\0", 4)));
        platform.registry.putValue(LM, u"Software\\Vendor", u"Count", TYPE_DWORD, {7, 0, 0, 0});
        platform.registry.putValue(LM, u"Software\\Zeta\\Sub", u"Path", TYPE_SZ, bytes(std::string("C:\\z\0", 5)));
        platform.registry.putValue(USERS, u"S-1-5-21\\Environment", u"TEMP", TYPE_SZ, bytes(std::string("C:\\t\0", 5)));
        platform.fileSystem.addFile(u"C:\\data\\a.txt", bytes("alpha"));
        platform.fileSystem.addFile(u"C:\\data\\sub\\b.txt", bytes("beta"));
        appendDirectory(options, u"C:\\data", MODE_COMPLETE);
    }

    ScanJob job(bool compare) {
        ScanJob j;
        j.sink = &sink;
        j.options = &options;
        j.registryScanner = &registryScanner;
        j.fileSystemScanner = &fileSystemScanner;
        j.compareMode = compare;
        j.registryTree = &registryTree;
        j.fileSystemTree = &fileSystemTree;
        j.registryChangeCount = &registryChanges;
        j.fileSystemChangeCount = &fileSystemChanges;
        return j;
    }

    // Workers made through the log, so that their starts and deletions can be followed.
    ScanSchedule loggedSchedule(int failCreate = -1, int failStart = -1) {
        ScanSchedule schedule;
        schedule.createWorker = [this, failCreate, failStart](const ScanJob& j, u32 index) -> ScanWorker* {
            log.push_back("create " + std::to_string(index));
            if (static_cast<int>(index) == failCreate) return nullptr;
            return new CountedWorker(j, index, static_cast<int>(index) == failStart, log);
        };
        return schedule;
    }

    bool hasRegistryRecords() const { return registryTree.findTopLevel(u"HKLM") != nullptr; }
    bool hasFileRecords() {
        SnapshotNode* root = fileSystemTree.findTopLevel(u"C:\\data");
        return root && fileSystemTree.findChild(root, u"a.txt", true);
    }

    std::vector<std::string> changes() const {
        std::vector<std::string> out;
        for (const auto& c : sink.changes())
            out.push_back(std::to_string(c.kind) + " " + narrow(c.text1) + (c.hasText2 ? " | " + narrow(c.text2) : ""));
        std::sort(out.begin(), out.end());
        return out;
    }

    // The texts of a line that had to be shown (mode 1): totals and final texts.
    std::vector<std::string> finalTexts(u32 line) const {
        std::vector<std::string> out;
        for (const auto& s : sink.statuses())
            if (s.line == line && s.mode == STATUS_ALWAYS) out.push_back(s.text);
        return out;
    }

    std::string lastText(u32 line) const {
        auto texts = sink.lineTexts(line);
        return texts.empty() ? "(none)" : texts.back();
    }

    TestPlatform platform;
    test::ScopedEnglishTexts texts{platform.fileSystem};
    ObservedSink sink;
    RunOptions options;
    SnapshotTree registryTree{&sink, TREE_REGISTRY, &noStrings};
    SnapshotTree fileSystemTree{&sink, TREE_FILE_SYSTEM, &noStrings};
    RegistryScanner registryScanner{&sink, 16};
    FileSystemScanner fileSystemScanner{&sink};
    u32 registryChanges = 0;
    u32 fileSystemChanges = 0;
    std::vector<std::string> log;  // written by the caller's thread only
};

TEST(ParallelScan, ModesAndSwitchesDecideWhatRunsWhere) {
    struct Case {
        const char* name;
        bool disableParallel;
        bool checkRegistry;
        bool checkFileSystem;
    };
    const Case cases[] = {
        {"one after the other", true, true, true},
        {"one after the other, file system only", true, false, true},
        {"one after the other, registry only", true, true, false},
        {"one after the other, nothing", true, false, false},
        {"parallel", false, true, true},
        {"parallel, registry only", false, true, false},
        {"parallel, file system only", false, false, true},
        {"parallel, nothing", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanPass run;
        run.options.disableParallel = c.disableParallel;
        run.options.checkRegistry = c.checkRegistry;
        run.options.checkFileSystem = c.checkFileSystem;
        EXPECT_EQ(runScans(run.job(false), run.loggedSchedule()), 0u);

        const bool parallel = !c.disableParallel;
        // Two workers in parallel mode whatever they have to do, registry first; none otherwise.
        const std::vector<std::string> workers =
            parallel ? std::vector<std::string>{"create 0", "start 0", "create 1", "start 1", "delete 0", "delete 1"}
                     : std::vector<std::string>{};
        EXPECT_EQ(run.log, workers);
        EXPECT_EQ(run.hasRegistryRecords(), c.checkRegistry);
        EXPECT_EQ(run.hasFileRecords(), c.checkFileSystem);
        EXPECT_EQ(run.registryTree.findTopLevel(u"HKU") != nullptr, c.checkRegistry);

        const std::thread::id caller = std::this_thread::get_id();
        auto registryThreads = run.platform.registry.threads();
        auto fileThreads = run.platform.fileSystem.threads();
        EXPECT_EQ(registryThreads.size(), c.checkRegistry ? 1u : 0u);
        EXPECT_EQ(fileThreads.size(), c.checkFileSystem ? 1u : 0u);
        if (c.checkRegistry) {
            EXPECT_EQ(registryThreads.count(caller), parallel ? 0u : 1u);
        }
        if (c.checkFileSystem) {
            EXPECT_EQ(fileThreads.count(caller), parallel ? 0u : 1u);
        }
        if (c.checkRegistry && c.checkFileSystem && parallel) {
            EXPECT_NE(*registryThreads.begin(), *fileThreads.begin());
        }

        // Texts are buffered exactly while workers run, and deferred mode is over afterwards.
        for (const auto& s : run.sink.statuses()) EXPECT_EQ(s.deferred, parallel) << s.line << " " << s.text;
        EXPECT_EQ(run.sink.deferredMode, 0);
        // In parallel mode the caller flushes only while it waits (and once after); one after
        // the other, only the registry body flushes its completion lines.
        if (parallel) {
            EXPECT_EQ(run.sink.callerFlushes, run.sink.callerFlushesDeferred);
            // No text of a worker is left unshown when texts go straight to the window again.
            EXPECT_EQ(run.sink.statusesAtLastCallerFlush, run.sink.statuses().size());
        } else {
            EXPECT_EQ(run.sink.callerFlushes, c.checkRegistry ? 1u : 0u);
        }

        if (c.checkRegistry) {
            EXPECT_EQ(run.lastText(LINE_REGISTRY_ITEM), "Registry processing complete.");
            EXPECT_EQ(run.lastText(LINE_REGISTRY_DETAIL), "");
            EXPECT_EQ(run.finalTexts(3).size(), 2u);  // the registry totals
        } else {
            EXPECT_TRUE(run.sink.lineTexts(LINE_REGISTRY_ITEM).empty());
        }
        EXPECT_EQ(run.lastText(LINE_FILE_ITEM), c.checkFileSystem ? "File system processing complete." : "(none)");
        // The registry body flushes its completion lines itself, in parallel mode on its worker.
        EXPECT_EQ(run.sink.flushCount() - run.sink.callerFlushes, parallel && c.checkRegistry ? 1u : 0u);
    }
}

TEST(ParallelScan, WithoutDetailsNoCompletionLines) {
    for (bool disableParallel : {true, false}) {
        ScanPass run;
        run.options.showDetails = false;
        run.options.disableParallel = disableParallel;
        EXPECT_EQ(runScans(run.job(false)), 0u);
        EXPECT_TRUE(run.sink.lineTexts(LINE_REGISTRY_ITEM).empty()) << disableParallel;
        EXPECT_TRUE(run.sink.lineTexts(LINE_REGISTRY_DETAIL).empty()) << disableParallel;
        EXPECT_TRUE(run.hasRegistryRecords() && run.hasFileRecords()) << disableParallel;
    }
}

TEST(ParallelScan, SecondPassCountsEachSidesChangesApart) {
    for (bool disableParallel : {true, false}) {
        SCOPED_TRACE(disableParallel ? "one after the other" : "parallel");
        ScanPass run;
        run.options.disableParallel = disableParallel;
        auto pass = [&](bool compare) {
            return runScans(&run.sink, run.options, run.registryScanner, run.fileSystemScanner, compare,
                            run.registryTree, run.fileSystemTree, &run.registryChanges, &run.fileSystemChanges,
                            false);
        };
        ASSERT_EQ(pass(false), 0u);
        run.platform.registry.putValue(LM, u"Software\\Vendor", u"Added", TYPE_DWORD, {1, 0, 0, 0});
        run.platform.fileSystem.removeEntry(u"C:\\data\\sub\\b.txt");
        run.platform.fileSystem.addFile(u"C:\\data\\c.txt", bytes("gamma"));
        run.platform.fileSystem.addFile(u"C:\\data\\new\\d.txt", bytes("delta"));
        ASSERT_EQ(pass(true), 0u);

        EXPECT_EQ(run.registryChanges, 1u);
        EXPECT_EQ(run.fileSystemChanges, 4u);
        EXPECT_EQ(run.changes(), (std::vector<std::string>{
                                     "2 Added | HKLM\\Software\\Vendor",
                                     "6 C:\\data\\c.txt",
                                     "6 C:\\data\\new\\d.txt",
                                     "7 C:\\data\\new",
                                     "9 b.txt | C:\\data\\sub\\b.txt",
                                 }));
    }
}

TEST(ParallelScan, FirstFailureInRegistryFileSystemOrderIsThePasssResult) {
    struct Case {
        const char* name;
        bool disableParallel;
        bool registryOutOfMemory;
        bool fileSystemCancelled;
        u32 result;
        bool fileSystemScanned;
    };
    const Case cases[] = {
        {"parallel, both fail", false, true, true, ERR_NO_MEMORY, true},
        {"parallel, registry fails", false, true, false, ERR_NO_MEMORY, true},
        {"parallel, file system fails", false, false, true, ERR_CANCELLED, true},
        {"one after the other, registry fails", true, true, true, ERR_NO_MEMORY, false},
        {"one after the other, file system fails", true, false, true, ERR_CANCELLED, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanPass run;
        run.options.disableParallel = c.disableParallel;
        run.platform.registry.claimHugeValues = c.registryOutOfMemory;
        if (c.fileSystemCancelled) {
            // The cancel comes only once the registry has ended, so that the registry fails on
            // its own account and the file system is cancelled in the middle of its walk.
            run.platform.fileSystem.beforeListing = [&run] {
                EXPECT_TRUE(waitUntil([&run] { return !run.sink.lineTexts(LINE_REGISTRY_ITEM).empty(); }));
                run.sink.cancelNow();
            };
        }
        EXPECT_EQ(runScans(run.job(false)), c.result);
        EXPECT_EQ(run.platform.fileSystem.listings > 0, c.fileSystemScanned);
        // A failing registry does not stop the file system in parallel mode.
        if (c.fileSystemScanned) {
            EXPECT_EQ(run.sink.lineTexts(LINE_FILE_TOTALS).back(),
                      c.fileSystemCancelled ? "Error processing 'C:\\data', error code 270"
                                            : "Total file size:       9")
                << c.name;
            EXPECT_EQ(run.hasFileRecords(), !c.fileSystemCancelled);
        }
        EXPECT_EQ(run.sink.deferredMode, 0);
    }
}

TEST(ParallelScan, CallerFlushesAfterEveryStepWhileTheFileSystemRuns) {
    struct Case {
        u32 step;
        u32 flushes;  // the file-system scan waits for this many flushes of the caller
    };
    const Case cases[] = {{SCAN_WAIT_STEP_MILLISECONDS, 3}, {5, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        ScanPass run;
        bool registryEndedFirst = false;
        run.platform.fileSystem.beforeListing = [&run, &c, &registryEndedFirst] {
            if (run.platform.fileSystem.listings != 1) return;
            EXPECT_TRUE(waitUntil([&] { return run.sink.callerFlushes >= c.flushes; }));
            registryEndedFirst = !run.sink.lineTexts(LINE_REGISTRY_ITEM).empty();
        };
        ScanSchedule schedule;
        schedule.waitStepMilliseconds = c.step;
        const auto started = Clock::now();
        EXPECT_EQ(runScans(run.job(false), schedule), 0u);
        const auto elapsed = Clock::now() - started;

        EXPECT_TRUE(registryEndedFirst);
        EXPECT_TRUE(run.hasFileRecords());  // the scan had ended when runScans returned
        // Each flush came after a full step: a shorter wait would flush sooner and busier.
        EXPECT_GE(elapsed, std::chrono::milliseconds(c.step * c.flushes * 9 / 10));
        EXPECT_EQ(run.sink.callerFlushes, run.sink.callerFlushesDeferred);
        EXPECT_EQ(run.sink.deferredMode, 0);
    }
}

TEST(ParallelScan, CancelReachesBothWorkers) {
    ScanPass run;
    std::atomic<bool> registryHeld{false}, fileSystemHeld{false};
    auto holdUntilCancelled = [&run](std::atomic<bool>& held) {
        held = true;
        EXPECT_TRUE(waitUntil([&run] { return run.sink.isCancelled(); }));
    };
    run.platform.registry.changeAfterQuery(LM, u"Software\\Vendor", [&] { holdUntilCancelled(registryHeld); });
    run.platform.fileSystem.beforeListing = [&] {
        if (run.platform.fileSystem.listings == 1) holdUntilCancelled(fileSystemHeld);
    };
    // The user presses Cancel while both scans are in the middle of their walks.
    run.sink.onFlush = [&] {
        if (registryHeld && fileSystemHeld && run.sink.callerFlushes >= 2) run.sink.cancelNow();
    };
    EXPECT_EQ(runScans(run.job(false)), ERR_CANCELLED);

    EXPECT_TRUE(registryHeld);
    EXPECT_TRUE(fileSystemHeld);
    EXPECT_NE(run.registryTree.findTopLevel(u"HKLM"), nullptr);
    EXPECT_EQ(run.registryTree.findTopLevel(u"HKU"), nullptr);  // the registry stopped within HKLM
    EXPECT_TRUE(run.finalTexts(3).empty());  // no totals after a cancel
    EXPECT_EQ(run.sink.lineTexts(LINE_FILE_TOTALS).back(), "Error processing 'C:\\data', error code 270");
    EXPECT_FALSE(run.hasFileRecords());
}

TEST(ParallelScan, WorkersThatCannotBeCreatedOrStartedStillEndThePass) {
    struct Case {
        const char* name;
        int failCreate;
        int failStart;
        bool registryFails;
        u32 result;
        bool registryScanned;
        bool fileSystemScanned;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"second worker not created", 1, -1, false, ERR_NO_MEMORY, true, false,
         {"create 0", "start 0", "create 1", "delete 0"}},
        {"first worker not created", 0, -1, false, ERR_NO_MEMORY, false, false, {"create 0"}},
        {"first worker without a thread", -1, 0, false, ERR_NO_MEMORY, false, true,
         {"create 0", "start 0", "create 1", "start 1", "delete 0", "delete 1"}},
        {"second worker without a thread", -1, 1, false, ERR_NO_MEMORY, true, false,
         {"create 0", "start 0", "create 1", "start 1", "delete 0", "delete 1"}},
        {"registry fails, second worker not created", 1, -1, true, ERR_ACCESS_DENIED, true, false,
         {"create 0", "start 0", "create 1", "delete 0"}},
        {"registry fails, second worker without a thread", -1, 1, true, ERR_ACCESS_DENIED, true, false,
         {"create 0", "start 0", "create 1", "start 1", "delete 0", "delete 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanPass run;
        if (c.registryFails) run.platform.registry.failQuerying(LM, u"Software\\Zeta", ERR_ACCESS_DENIED);
        EXPECT_EQ(runScans(run.job(false), run.loggedSchedule(c.failCreate, c.failStart)), c.result);
        EXPECT_EQ(run.log, c.log);  // no "running": each worker was deleted after its end
        EXPECT_EQ(run.platform.registry.threads().size(), c.registryScanned ? 1u : 0u);
        EXPECT_EQ(run.platform.fileSystem.threads().size(), c.fileSystemScanned ? 1u : 0u);
        EXPECT_EQ(run.hasFileRecords(), c.fileSystemScanned);
        EXPECT_EQ(run.sink.deferredMode, 0);
    }
}

TEST(ParallelScan, FileSystemWorkerHoldsTheDeepestWalk) {
    ScanPass run;
    std::u16string path = u"C:\\data";
    for (u32 level = 1; level < MAX_DIRECTORY_DEPTH; ++level) path += u"\\d";
    run.platform.fileSystem.addFile(path + u"\\deep.txt", bytes("x"));
    run.options.checkRegistry = false;
    EXPECT_EQ(runScans(run.job(false)), 0u);
    SnapshotNode* node = run.fileSystemTree.findTopLevel(u"C:\\data");
    for (u32 level = 1; node && level < MAX_DIRECTORY_DEPTH; ++level) node = run.fileSystemTree.findChild(node, u"d", false);
    ASSERT_NE(node, nullptr);
    EXPECT_NE(run.fileSystemTree.findChild(node, u"deep.txt", true), nullptr);
}

}  // namespace
}  // namespace pelorin
