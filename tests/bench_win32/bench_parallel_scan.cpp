// Pass 1 and pass 2 of the registry and the file system together, one after the other against
// side by side on two workers, over the same keys and the same tree in the same process:
//   pelorin_bench_parallel_scan <tree> [--keys N] [--values M] [--rounds R] [--delete]
// The registry part walks a test key HKLM\Software\PelorinParallelBench (built once with about
// N keys of M values each, by default 3,000 and 6; later runs reuse it), the file-system part
// walks <tree> in quick mode. Each round runs both modes, alternating which goes first, through
// a sink that buffers and throttles texts as the progress window does. Prints the wall-clock
// times, their ratio and the process time.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>  // std::lock_guard
#include <string>
#include <vector>

#include "app/run_options.h"
#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "runtime/format.h"
#include "snapshot/file_system_scanner.h"
#include "snapshot/parallel_scan.h"
#include "snapshot/registry_scanner.h"
#include "snapshot/snapshot_tree.h"
#include "ui/progress_sink.h"

namespace pelorin {
namespace {

const wchar_t* const kBenchKey = L"Software\\PelorinParallelBench";

bool benchTexts(char* buffer, u32 capacity, u32 id, bool) {
    const char* text = id == TEXT_REGISTRY_COMPLETE ? "Registry processing complete."
                       : id == 167                  ? "Registry value"
                       : id == 170                  ? "Total registry count:  %s"
                       : id == 171                  ? "Total registry size:   %s"
                                                    : nullptr;
    if (!text) return false;
    std::snprintf(buffer, capacity, "%s", text);
    return true;
}

double nowSeconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// What the progress window does with texts, without a window: a running text at most every
// 200 ms per line; in deferred mode the newest text per line waits for flush. Thread-safe, with
// a critical section as the status lock, as the window has: both workers take it for every
// running text, so its cost under contention is part of what is measured.
class Lock {
public:
    Lock() { InitializeCriticalSectionAndSpinCount(&section_, 4000); }
    ~Lock() { DeleteCriticalSection(&section_); }
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class BufferingSink : public ProgressSink {
public:
    bool ask(const char*, u32) override { return false; }
    bool isCancelled() override { return false; }
    bool flush() override {
        std::lock_guard<Lock> guard(lock_);
        ++flushes;
        for (u32 line = 0; line < LINE_COUNT; ++line) {
            if (!dirty_[line]) continue;
            dirty_[line] = false;
            std::memcpy(shown_[line], pending_[line], sizeof shown_[line]);
        }
        return true;
    }
    void addChange(u32, const char16_t*, const char16_t*, u32, const u8*) override { ++changes; }

    std::atomic<u64> changes{0};
    u64 flushes = 0;
    u64 texts = 0;
    double registryEnd = 0;  // when the registry part showed its completion line

protected:
    bool acceptsStatus(u32 mode, u32 line) override {
        if (line >= LINE_COUNT) return false;
        if (mode == STATUS_ALWAYS) return true;
        std::lock_guard<Lock> guard(lock_);
        const u64 now = GetTickCount64();
        if (now - lastShown_[line] < 200) return false;
        lastShown_[line] = now;
        return true;
    }
    void showText(u32 mode, u32 line, const char* text) override {
        std::lock_guard<Lock> guard(lock_);
        ++texts;
        if (mode == STATUS_ALWAYS && line == LINE_REGISTRY_ITEM && registryEnd == 0) registryEnd = nowSeconds();
        char* target = deferredMode ? pending_[line] : shown_[line];
        std::snprintf(target, sizeof shown_[line], "%s", text);
        if (deferredMode) dirty_[line] = true;
    }

private:
    Lock lock_;
    u64 lastShown_[LINE_COUNT] = {};
    bool dirty_[LINE_COUNT] = {};
    char pending_[LINE_COUNT][256] = {};
    char shown_[LINE_COUNT][256] = {};
};

// Three levels: groups of sets of up to 100 keys, values in the leaf keys (numbers, short and
// long texts, blobs: about half below the digest threshold).
bool generate(u32 keys, u32 valuesPerKey) {
    HKEY top = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &top, &disposition) !=
        ERROR_SUCCESS)
        return false;
    const DWORD marker = keys * 1000 + valuesPerKey;
    if (disposition == REG_OPENED_EXISTING_KEY) {
        DWORD stored = 0, size = sizeof stored;
        if (RegQueryValueExW(top, L"Complete", nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &size) ==
                ERROR_SUCCESS &&
            stored == marker) {
            RegCloseKey(top);
            std::printf("reusing the existing test key\n");
            return true;
        }
        RegDeleteTreeW(top, nullptr);
    }
    std::printf("generating %u keys with %u values each...\n", keys, valuesPerKey);
    std::fflush(stdout);
    const double start = nowSeconds();
    const u32 sets = std::max<u32>(1, (keys + 99) / 100);
    u32 made = 0;
    for (u32 s = 0; s < sets && made < keys; ++s) {
        wchar_t path[64];
        std::swprintf(path, 64, L"Group%u\\Set%u", s % 10, s);
        HKEY set = nullptr;
        if (RegCreateKeyExW(top, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &set, nullptr) != ERROR_SUCCESS)
            return false;
        for (u32 l = 0; l < 100 && made < keys; ++l, ++made) {
            wchar_t leafName[32];
            std::swprintf(leafName, 32, L"Item%u", l);
            HKEY leaf = nullptr;
            if (RegCreateKeyExW(set, leafName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &leaf, nullptr) != ERROR_SUCCESS)
                return false;
            for (u32 v = 0; v < valuesPerKey; ++v) {
                wchar_t name[32];
                std::swprintf(name, 32, L"Value%u", v);
                if (v % 3 == 0) {
                    const DWORD number = made * 31 + v;
                    RegSetValueExW(leaf, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
                } else if (v % 3 == 1) {
                    wchar_t text[96];
                    std::swprintf(text, 96, L"C:\\Program Files\\Bench Vendor\\Product %u\\tool%u.exe", made, v);
                    RegSetValueExW(leaf, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
                } else {
                    u8 blob[8];
                    for (u32 i = 0; i < sizeof blob; ++i) blob[i] = static_cast<u8>(made + i * v);
                    RegSetValueExW(leaf, name, 0, REG_BINARY, blob, sizeof blob);
                }
            }
            RegCloseKey(leaf);
        }
        RegCloseKey(set);
    }
    RegSetValueExW(top, L"Complete", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&marker), sizeof marker);
    RegCloseKey(top);
    std::printf("generated in %.1f s\n", nowSeconds() - start);
    return true;
}

// Processor time of this process (user and kernel, all threads) in seconds. Under Wine much of
// a registry call's work is done by the wineserver and is not counted here.
double processSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) { return (static_cast<u64>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

struct Timing {
    double pass1 = 0;
    double cpu1 = 0;  // process time of pass 1
    double pass2 = 0;
    double registry1 = 0;  // pass 1 until the registry's completion line
    u64 changes = 0;
    u32 nodes = 0;
};

bool runBoth(bool parallel, const std::u16string& tree, Timing& timing) {
    static const RegistryScanRoot root[] = {
        {u"HKLM", platform::RegistryRoot::LOCAL_MACHINE, u"Software\\PelorinParallelBench"}};
    RunOptions options;
    options.disableParallel = !parallel;
    if (!appendDirectory(options, tree, MODE_QUICK)) return false;

    BufferingSink sink;
    SnapshotTree registryTree(&sink, TREE_REGISTRY, &benchTexts);
    SnapshotTree fileSystemTree(&sink, TREE_FILE_SYSTEM, &benchTexts);
    RegistryScanner registryScanner(&sink, 16, &benchTexts);
    registryScanner.setRoots(root, 1);
    FileSystemScanner fileSystemScanner(&sink, &benchTexts);
    u32 registryChanges = 0, fileSystemChanges = 0;

    double start = nowSeconds();
    const double cpu = processSeconds();
    u32 code = runScans(&sink, options, registryScanner, fileSystemScanner, false, registryTree, fileSystemTree,
                        &registryChanges, &fileSystemChanges, false);
    timing.pass1 = nowSeconds() - start;
    timing.cpu1 = processSeconds() - cpu;
    timing.registry1 = sink.registryEnd - start;
    if (code) {
        std::printf("pass 1 (%s) failed with %u\n", parallel ? "parallel" : "sequential", code);
        return false;
    }
    timing.nodes = registryTree.nodeCount() + fileSystemTree.nodeCount();

    start = nowSeconds();
    code = runScans(&sink, options, registryScanner, fileSystemScanner, true, registryTree, fileSystemTree,
                    &registryChanges, &fileSystemChanges, false);
    timing.pass2 = nowSeconds() - start;
    if (code) {
        std::printf("pass 2 (%s) failed with %u\n", parallel ? "parallel" : "sequential", code);
        return false;
    }
    timing.changes = sink.changes;
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int run(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: pelorin_bench_parallel_scan <tree> [--keys N] [--values M] [--rounds R] [--delete]\n");
        return 2;
    }
    std::u16string tree(reinterpret_cast<const char16_t*>(argv[1]));
    u32 keys = 3000, values = 6, rounds = 5;
    bool remove = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::wcscmp(argv[i], L"--keys") && i + 1 < argc) keys = static_cast<u32>(_wtoi(argv[++i]));
        else if (!std::wcscmp(argv[i], L"--values") && i + 1 < argc) values = static_cast<u32>(_wtoi(argv[++i]));
        else if (!std::wcscmp(argv[i], L"--rounds") && i + 1 < argc) rounds = static_cast<u32>(_wtoi(argv[++i]));
        else if (!std::wcscmp(argv[i], L"--delete")) remove = true;
        else return run(1, argv);
    }
    if (rounds == 0) rounds = 1;
    registerStandardDirectives();
    if (!generate(keys, values)) {
        std::printf("cannot create the test key\n");
        return 1;
    }

    platform::Win32FileSystem fileSystem;
    platform::Win32Registry registry;
    platform::Win32System system;
    platform::ScopedPlatform scope(platform::Platform{&fileSystem, &registry, &system});

    {
        Timing warm;  // the caches of the host and of Wine, not counted
        if (!runBoth(false, tree, warm)) return 1;
    }
    std::vector<double> sequential1, parallel1, sequential2, parallel2, registryPart, ratios1, cpuSequential, cpuParallel;
    Timing last;
    for (u32 r = 0; r < rounds; ++r) {
        Timing s, p;
        const bool parallelFirst = r % 2 == 1;
        if (parallelFirst && !runBoth(true, tree, p)) return 1;
        if (!runBoth(false, tree, s)) return 1;
        if (!parallelFirst && !runBoth(true, tree, p)) return 1;
        sequential1.push_back(s.pass1);
        parallel1.push_back(p.pass1);
        sequential2.push_back(s.pass2);
        parallel2.push_back(p.pass2);
        registryPart.push_back(s.registry1);
        cpuSequential.push_back(s.cpu1);
        cpuParallel.push_back(p.cpu1);
        ratios1.push_back(s.pass1 / p.pass1);
        last = s;
        if (s.changes || p.changes) std::printf("unexpected differences: %llu / %llu\n",
                                                static_cast<unsigned long long>(s.changes),
                                                static_cast<unsigned long long>(p.changes));
        std::printf("round %u: pass 1 sequential %.2f s (registry %.2f s, file system %.2f s), parallel %.2f s; "
                    "pass 2 sequential %.2f s, parallel %.2f s; process time of pass 1: sequential %.2f s, "
                    "parallel %.2f s\n",
                    r + 1, s.pass1, s.registry1, s.pass1 - s.registry1, p.pass1, s.pass2, p.pass2, s.cpu1, p.cpu1);
        std::fflush(stdout);
    }
    const double s1 = median(sequential1), p1 = median(parallel1), s2 = median(sequential2), p2 = median(parallel2);
    const double reg = median(registryPart);
    std::printf("\nrecords: %u (registry and file system)\n", last.nodes);
    std::printf("median of %u rounds, pass 1: sequential %.2f s (registry %.2f s + file system %.2f s), "
                "parallel %.2f s, ratio %.2f\n",
                rounds, s1, reg, s1 - reg, p1, s1 / p1);
    std::printf("median of %u rounds, pass 2: sequential %.2f s, parallel %.2f s, ratio %.2f\n", rounds, s2, p2,
                s2 / p2);
    std::printf("median process time of pass 1: sequential %.2f s, parallel %.2f s\n", median(cpuSequential),
                median(cpuParallel));
    std::printf("pass 1 ratio per round:");
    for (double r : ratios1) std::printf(" %.2f", r);
    std::printf("\n");

    if (remove && RegDeleteTreeW(HKEY_LOCAL_MACHINE, kBenchKey) == ERROR_SUCCESS)
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kBenchKey);
    return 0;
}

}  // namespace
}  // namespace pelorin

int wmain(int argc, wchar_t** argv) { return pelorin::run(argc, argv); }
