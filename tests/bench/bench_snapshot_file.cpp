// Snapshot file: saving and loading a snapshot of 1,000,000 nodes (500,000 file-system nodes with
// size, attributes, time and every fourth a digest; 500,000 registry keys and values with small
// data or digests) through the in-memory file system, so that the figures show the encoding and
// the reader's checks rather than a disk. MB/s counts the bytes of the file.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/run_options.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"
#include "snapshot/sample_trees.h"
#include "snapshot/snapshot_file.h"
#include "snapshot/snapshot_tree.h"

namespace pelorin {
namespace {

constexpr u32 kNodesPerTree = 500000;

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

struct Setup {
    platform::MemoryFileSystem files;
    platform::MemoryRegistry registry;
    platform::MemorySystem system;
    platform::ScopedPlatform scope{platform::Platform{&files, &registry, &system}};
    SnapshotTree registryTree{nullptr, TREE_REGISTRY, &noStrings};
    SnapshotTree fileSystemTree{nullptr, TREE_FILE_SYSTEM, &noStrings};
    RunOptions options;

    Setup() {
        samples::fillRegistryTree(registryTree, kNodesPerTree, 11);
        samples::fillFileSystemTree(fileSystemTree, kNodesPerTree, 12);
        appendDirectory(options, u"C:\\WINDOWS", MODE_COMPLETE);
        saveSnapshotFile(nullptr, "C:\\bench.sna", registryTree, fileSystemTree, options);
    }
    u64 fileSize() { return files.findFile(u"C:\\bench.sna")->bytes.size(); }
    u64 nodes() const { return u64(registryTree.nodeCount()) + fileSystemTree.nodeCount(); }
};

Setup& setup() {
    static Setup* s = new Setup;
    return *s;
}

void BM_SaveSnapshot(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        if (!saveSnapshotFile(nullptr, "C:\\bench.sna", s.registryTree, s.fileSystemTree, s.options))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.fileSize()));
    state.counters["nodes"] = static_cast<double>(s.nodes());
    state.counters["file_bytes_per_node"] = static_cast<double>(s.fileSize()) / static_cast<double>(s.nodes());
    state.counters["nodes_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * s.nodes()),
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveSnapshot)->Unit(benchmark::kMillisecond);

void BM_LoadSnapshot(benchmark::State& state) {
    Setup& s = setup();
    SnapshotTree registryTree(nullptr, TREE_REGISTRY, &noStrings);
    SnapshotTree fileSystemTree(nullptr, TREE_FILE_SYSTEM, &noStrings);
    for (auto _ : state) {
        RunOptions options;
        if (loadSnapshotFile("C:\\bench.sna", registryTree, fileSystemTree, options) != 0)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.fileSize()));
    state.counters["arena_bytes_per_node"] =
        static_cast<double>(registryTree.arenaBytes() + fileSystemTree.arenaBytes()) / static_cast<double>(s.nodes());
    state.counters["nodes_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * s.nodes()),
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadSnapshot)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelorin

BENCHMARK_MAIN();
