// Speed of the file-system scan on a real tree, against the plainest possible walk of the same
// tree measured in the same run:
//   pelorin_bench_scan.exe <tree> [<folder of large files>] [rounds]
// Quick mode: a bare FindFirstFileW/FindNextFileW walk, pass 1 and pass 2 (nothing changed),
// best of `rounds`. Complete mode: pass 1 over the large files (their MD5 digests).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

#include "app/run_options.h"
#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_system.h"
#include "runtime/format.h"
#include "snapshot/file_system_scanner.h"
#include "snapshot/snapshot_tree.h"
#include "ui/progress_sink.h"

namespace pelorin {
namespace {

// Shows running texts the way the progress window does: at most one every 200 ms per line, so
// that the scan does not pay for texts nobody can read.
class ThrottlingSink : public ProgressSink {
public:
    bool ask(const char*, u32) override { return false; }
    bool isCancelled() override { return cancelled_.load(std::memory_order_relaxed); }
    bool flush() override { return true; }
    void addChange(u32, const char16_t*, const char16_t*, u32, const u8*) override { ++changes; }

    u64 shown = 0;
    u64 changes = 0;

protected:
    bool acceptsStatus(u32 mode, u32 line) override {
        if (mode == STATUS_ALWAYS || line >= LINE_COUNT) return true;
        u64 now = GetTickCount64();
        if (now - lastShown_[line] < 200) return false;
        lastShown_[line] = now;
        return true;
    }
    void showText(u32, u32 line, const char* text) override {
        if (line < LINE_COUNT) std::snprintf(lines_[line], sizeof lines_[line], "%s", text);
        ++shown;
    }

private:
    std::atomic<bool> cancelled_{false};
    u64 lastShown_[LINE_COUNT] = {};
    char lines_[LINE_COUNT][256] = {};
};

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct WalkCount {
    u64 files = 0;
    u64 directories = 0;
    u64 bytes = 0;
};

// The baseline: list every directory and descend, nothing else.
void bareWalk(wchar_t* path, std::size_t length, WalkCount& count) {
    std::wcscpy(path + length, L"\\*");
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(path, &data);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (data.cFileName[0] == L'.' &&
                (data.cFileName[1] == 0 || (data.cFileName[1] == L'.' && data.cFileName[2] == 0)))
                continue;
            ++count.directories;
            path[length] = L'\\';
            std::wcscpy(path + length + 1, data.cFileName);
            bareWalk(path, length + 1 + std::wcslen(data.cFileName), count);
        } else {
            ++count.files;
            count.bytes += (static_cast<u64>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    } while (FindNextFileW(h, &data));
    FindClose(h);
}

struct PassTimes {
    double bare = 1e300;
    double pass1 = 1e300;
    double pass2 = 1e300;
};

double runPass(FileSystemScanner& scanner, ThrottlingSink& sink, SnapshotTree& tree, const PtrList& paths,
               bool compare, u32& changes, u32& result) {
    double start = nowMs();
    result = scanFileSystem(true, &sink, scanner, compare, tree, paths, &changes, false);
    return nowMs() - start;
}

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

int benchmark(const wchar_t* treeRoot, const wchar_t* largeRoot, int rounds) {
    std::u16string tree16(reinterpret_cast<const char16_t*>(treeRoot));
    PtrList quickPaths(true, 1024, 32, true);
    quickPaths.append(DirectoryEntry::create(tree16, MODE_QUICK));

    PassTimes best;
    WalkCount walked;
    u32 files = 0;
    u32 changes = 0;
    std::unique_ptr<wchar_t[]> path(new wchar_t[32768]);
    {
        // Once for the caches of the host and of Wine, not measured.
        WalkCount warm;
        std::wcscpy(path.get(), treeRoot);
        bareWalk(path.get(), std::wcslen(treeRoot), warm);
    }
    for (int round = 0; round < rounds; ++round) {
        walked = WalkCount();
        std::wcscpy(path.get(), treeRoot);
        double start = nowMs();
        bareWalk(path.get(), std::wcslen(treeRoot), walked);
        double bare = nowMs() - start;

        ThrottlingSink sink;
        SnapshotTree tree(&sink, TREE_FILE_SYSTEM, &noStrings);
        FileSystemScanner scanner(&sink, &noStrings);
        u32 result = 0;
        double pass1 = runPass(scanner, sink, tree, quickPaths, false, changes, result);
        if (result) return std::printf("pass 1 failed with %u\n", result), 1;
        files = scanner.fileCount();
        changes = 0;
        double pass2 = runPass(scanner, sink, tree, quickPaths, true, changes, result);
        if (result) return std::printf("pass 2 failed with %u\n", result), 1;
        if (bare < best.bare) best.bare = bare;
        if (pass1 < best.pass1) best.pass1 = pass1;
        if (pass2 < best.pass2) best.pass2 = pass2;
        std::printf("round %d: bare walk %.0f ms, pass 1 %.0f ms, pass 2 %.0f ms (%llu status texts shown)\n",
                    round + 1, bare, pass1, pass2, static_cast<unsigned long long>(sink.shown));
    }
    std::printf("tree: %llu files in %llu directories; pass 1 counted %u files; pass 2 reported %u changes\n",
                static_cast<unsigned long long>(walked.files), static_cast<unsigned long long>(walked.directories),
                files, changes);
    std::printf("quick mode, best of %d:\n", rounds);
    std::printf("  bare walk  %8.0f ms\n", best.bare);
    std::printf("  pass 1     %8.0f ms  (%.2f x bare walk)\n", best.pass1, best.pass1 / best.bare);
    std::printf("  pass 2     %8.0f ms  (%.2f x bare walk)\n", best.pass2, best.pass2 / best.bare);

    if (largeRoot) {
        std::u16string large16(reinterpret_cast<const char16_t*>(largeRoot));
        PtrList completePaths(true, 1024, 32, true);
        completePaths.append(DirectoryEntry::create(large16, MODE_COMPLETE));
        double bestComplete = 1e300;
        u64 bytes = 0;
        for (int round = 0; round < rounds; ++round) {
            ThrottlingSink sink;
            SnapshotTree tree(&sink, TREE_FILE_SYSTEM, &noStrings);
            FileSystemScanner scanner(&sink, &noStrings);
            u32 result = 0;
            double t = runPass(scanner, sink, tree, completePaths, false, changes, result);
            if (result) return std::printf("complete pass failed with %u\n", result), 1;
            bytes = scanner.totalSize();
            if (t < bestComplete) bestComplete = t;
        }
        std::printf("complete mode (MD5), best of %d: %.0f ms for %.0f MiB (%.0f MiB/s)\n", rounds, bestComplete,
                    bytes / 1048576.0, bytes / 1048576.0 / (bestComplete / 1000.0));
    }
    return 0;
}

}  // namespace
}  // namespace pelorin

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: pelorin_bench_scan <tree> [<folder of large files>] [rounds]\n");
        return 2;
    }
    pelorin::registerStandardDirectives();
    pelorin::platform::Win32FileSystem fileSystem;
    pelorin::platform::Win32System system;
    pelorin::platform::ScopedPlatform scope(pelorin::platform::Platform{&fileSystem, nullptr, &system});
    int rounds = argc > 3 ? _wtoi(argv[3]) : 3;
    return pelorin::benchmark(argv[1], argc > 2 ? argv[2] : nullptr, rounds > 0 ? rounds : 1);
}
