// Snapshot tree: addNode throughput, arena memory against the packed record sizes, and
// findChild among 100,000 siblings against a plain walk of the child list.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "snapshot/snapshot_tree.h"

namespace pelorin {
namespace {

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

// Names in the manner of a Windows directory: 8.3-ish and longer file names of about 12
// characters, and registry value names.
std::vector<std::u16string> makeNames(u32 count, u32 seed, bool registry) {
    static const char* stems[] = {"msvcp", "kernel", "setup", "KB", "update", "ntdll", "shell", "Uninstall",
                                  "readme", "config", "driver", "Install", "Display", "Version", "Path"};
    static const char* exts[] = {".dll", ".exe", ".sys", ".log", ".ini", ".dat", ".mui", ".inf"};
    std::mt19937 rng(seed);
    std::vector<std::u16string> out;
    out.reserve(count);
    for (u32 i = 0; i < count; ++i) {
        std::string n = stems[rng() % 15];
        n += std::to_string(rng() % 100000);
        if (!registry) n += exts[rng() % 8];
        out.emplace_back(n.begin(), n.end());
    }
    return out;
}

// Fills a file-system-like tree (directories of 200 files with size, attributes and time) or a
// registry-like tree (keys of 10 values, half of them with small data, half with a digest).
void fill(SnapshotTree& t, u32 nodes, bool registry, const std::vector<std::u16string>& names) {
    SnapshotNode* root = t.addNode(0, false, nullptr, registry ? u"HKLM" : u"C:\\WINDOWS", nullptr, nullptr,
                                   nullptr, nullptr, nullptr, 0);
    SnapshotNode* dir = nullptr;
    u32 perDir = registry ? 10 : 200;
    const u8 digest[16] = {};
    const u8 data[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (u32 i = 0; i < nodes; ++i) {
        if (i % perDir == 0) {
            dir = t.addNode(0, false, root, names[i].c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, 0);
            continue;
        }
        if (registry) {
            bool whole = i % 2;
            t.addNode(1, true, dir, names[i].c_str(), whole ? nullptr : digest, nullptr, nullptr, nullptr,
                      whole ? data : nullptr, whole ? 4 + i % 8 : 0);
        } else {
            u64 size = i * 1000ull, time = 0x01D0000000000000ull + i;
            u16 attributes = 0x20;
            t.addNode(0, true, dir, names[i].c_str(), nullptr, &size, &attributes, &time, nullptr, 0);
        }
    }
}

void BM_AddNode(benchmark::State& state) {
    std::vector<std::u16string> names = makeNames(static_cast<u32>(state.range(0)), 7, false);
    for (auto _ : state) {
        SnapshotTree t(nullptr, 0, &noStrings);
        fill(t, static_cast<u32>(state.range(0)), false, names);
        benchmark::DoNotOptimize(t.nodeCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddNode)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_MemoryPerNode(benchmark::State& state) {
    bool registry = state.range(0) != 0;
    std::vector<std::u16string> names = makeNames(1000000, 7, registry);
    double arena = 0, packed = 0, nodes = 0;
    for (auto _ : state) {
        SnapshotTree t(nullptr, 0, &noStrings);
        fill(t, 1000000, registry, names);
        u64 sum = 0;
        // Every node once: the roots' children are the directories or keys.
        for (SnapshotNode* r = t.firstTopLevel(); r; r = t.nextSibling(r)) {
            sum += recordSize(r);
            for (SnapshotNode* d = t.firstChild(r); d; d = t.nextSibling(d)) {
                sum += recordSize(d);
                for (SnapshotNode* f = t.firstChild(d); f; f = t.nextSibling(f)) sum += recordSize(f);
            }
        }
        arena = static_cast<double>(t.arenaBytes());
        packed = static_cast<double>(sum);
        nodes = t.nodeCount();
    }
    state.counters["arena_bytes_per_node"] = arena / nodes;
    state.counters["packed_bytes_per_node"] = packed / nodes;
    state.counters["overhead_percent"] = 100.0 * (arena - packed) / packed;
}
BENCHMARK(BM_MemoryPerNode)->Arg(0)->Arg(1)->ArgName("registry")->Iterations(1)->Unit(benchmark::kMillisecond);

struct Siblings {
    SnapshotTree tree{nullptr, 0, &noStrings};
    SnapshotNode* parent = nullptr;
    std::vector<std::u16string> names;
    explicit Siblings(u32 count) {
        parent = tree.addNode(0, false, nullptr, u"dir", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
        for (u32 i = 0; i < count; ++i) {
            std::string n = "file" + std::to_string(i) + ".txt";
            names.emplace_back(n.begin(), n.end());
            tree.addNode(0, true, parent, names.back().c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, 0);
        }
    }
};

// Pass 2 looks up every sibling once, in listing order.
void BM_FindChild(benchmark::State& state) {
    Siblings s(static_cast<u32>(state.range(0)));
    for (auto _ : state) {
        for (const auto& name : s.names) benchmark::DoNotOptimize(s.tree.findChild(s.parent, name.c_str(), true));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["index_bytes_per_child"] = static_cast<double>(s.tree.indexBytes()) / state.range(0);
}
BENCHMARK(BM_FindChild)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FindChildListWalk(benchmark::State& state) {
    Siblings s(static_cast<u32>(state.range(0)));
    for (auto _ : state) {
        for (const auto& name : s.names) {
            SnapshotNode* found = nullptr;
            for (SnapshotNode* c = s.tree.firstChild(s.parent); c; c = s.tree.nextSibling(c)) {
                if (c->isLeaf() && name == c->name()) {
                    found = c;
                    break;
                }
            }
            benchmark::DoNotOptimize(found);
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FindChildListWalk)->Arg(1000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelorin

BENCHMARK_MAIN();
