// Measures the registry passes against a bare walk of the same keys, in the same process:
//   pelorin_bench_registry_scan [--keys N] [--values M] [--rounds R] [--delete]
// builds (once; later runs reuse it) a test key HKLM\Software\PelorinBench with about N keys
// (default 100,000, three levels) holding M values each (default 10), then for each round walks
// it bare with RegEnumKeyExW/RegEnumValueW, records it (pass 1) and compares it (pass 2) with
// the RegistryScanner limited to that key, showing details through a sink that throttles running
// texts as the progress window does. Prints the times, their ratios and the tree's memory.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_registry.h"
#include "runtime/format.h"
#include "snapshot/registry_scanner.h"
#include "snapshot/snapshot_tree.h"
#include "ui/progress_sink.h"

namespace pelorin {
namespace {

const wchar_t* const kBenchKey = L"Software\\PelorinBench";

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

bool benchTexts(char* buffer, u32 capacity, u32 id, bool) {
    const char* text = id == 167 ? "Registry value" : id == 170 ? "Total registry count:  %s" : "Total registry size:   %s";
    std::snprintf(buffer, capacity, "%s", text);
    return true;
}

// Keeps the newest text of each line, as the progress window would show it, and drops running
// texts that come less than 200 ms after the line's last one.
class ThrottlingSink : public ProgressSink {
public:
    bool ask(const char*, u32) override { return false; }
    bool isCancelled() override { return false; }
    bool flush() override { return true; }
    void addChange(u32, const char16_t*, const char16_t*, u32, const u8*) override { ++changes; }

    u64 changes = 0;
    u64 shown = 0;
    u64 dropped = 0;
    char lines[LINE_COUNT][256] = {};

protected:
    bool acceptsStatus(u32 mode, u32 line) override {
        if (line >= LINE_COUNT) return false;
        if (mode == STATUS_ALWAYS) return true;
        const DWORD now = GetTickCount();
        if (shownOnce_[line] && now - lastShown_[line] < 200) {
            ++dropped;
            return false;
        }
        shownOnce_[line] = true;
        lastShown_[line] = now;
        return true;
    }
    void showText(u32, u32 line, const char* text) override {
        std::snprintf(lines[line], sizeof lines[line], "%s", text);
        ++shown;
    }

private:
    DWORD lastShown_[LINE_COUNT] = {};
    bool shownOnce_[LINE_COUNT] = {};
};

// Processor time of this process (user and kernel) in seconds. Under Wine most of a registry
// call's work is done by the wineserver, so this counts the client's share: the scanner's own
// bookkeeping on top of the calls, and less at the mercy of other load than the wall clock.
double processSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) { return (static_cast<u64>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

double seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

struct WalkCount {
    u64 keys = 0;
    u64 values = 0;
    u64 bytes = 0;
};

// The plainest complete walk: fixed buffers big enough for anything, no size query.
void bareWalk(HKEY key, WalkCount& count, std::vector<wchar_t>& name, std::vector<u8>& data) {
    ++count.keys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        ++count.values;
        count.bytes += size;
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        bareWalk(child, count, name, data);
        RegCloseKey(child);
    }
}

// A mix like a real hive's: small numbers, short and long texts, binary blobs; about half of
// the values stay below the threshold of 16 bytes.
void setBenchValue(HKEY key, u32 keyIndex, u32 valueIndex) {
    wchar_t name[32];
    std::swprintf(name, 32, L"Value%u", valueIndex);
    switch (valueIndex % 5) {
    case 0:
    case 1: {
        const DWORD number = keyIndex * 31 + valueIndex;
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        break;
    }
    case 2: {
        wchar_t text[16];
        std::swprintf(text, 16, L"k%u", keyIndex);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
        break;
    }
    case 3: {
        wchar_t text[96];
        std::swprintf(text, 96, L"C:\\Program Files\\Bench Vendor\\Product %u\\bin\\tool%u.exe", keyIndex, valueIndex);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
        break;
    }
    default: {
        u8 blob[120];
        for (u32 i = 0; i < sizeof blob; ++i) blob[i] = static_cast<u8>(keyIndex + i * valueIndex);
        RegSetValueExW(key, name, 0, REG_BINARY, blob, sizeof blob);
        break;
    }
    }
}

// Three levels: 10 groups of `middle` keys of up to 100 keys each, values in the leaf keys.
bool generate(u32 keys, u32 valuesPerKey) {
    HKEY top = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &top, &disposition) !=
        ERROR_SUCCESS)
        return false;
    if (disposition == REG_OPENED_EXISTING_KEY) {
        DWORD marker = 0, size = sizeof marker;
        if (RegQueryValueExW(top, L"Complete", nullptr, nullptr, reinterpret_cast<BYTE*>(&marker), &size) ==
                ERROR_SUCCESS &&
            marker == keys * 1000 + valuesPerKey) {
            RegCloseKey(top);
            std::printf("reusing the existing test key\n");
            return true;
        }
        RegDeleteTreeW(top, nullptr);  // left by a run with other sizes, or cut short
    }
    std::printf("generating %u keys with %u values each...\n", keys, valuesPerKey);
    std::fflush(stdout);
    const LARGE_INTEGER start = now();
    const u32 middle = std::max<u32>(1, (keys + 999) / 1000);
    u32 made = 0;
    for (u32 g = 0; g < 10 && made < keys; ++g) {
        for (u32 m = 0; m < middle && made < keys; ++m) {
            wchar_t path[64];
            std::swprintf(path, 64, L"Group%u\\Set%u", g, m);
            HKEY set = nullptr;
            if (RegCreateKeyExW(top, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &set, nullptr) != ERROR_SUCCESS)
                return false;
            for (u32 l = 0; l < 100 && made < keys; ++l, ++made) {
                wchar_t leafName[32];
                std::swprintf(leafName, 32, L"Item%u", l);
                HKEY leaf = nullptr;
                if (RegCreateKeyExW(set, leafName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &leaf, nullptr) !=
                    ERROR_SUCCESS)
                    return false;
                for (u32 v = 0; v < valuesPerKey; ++v) setBenchValue(leaf, made, v);
                RegCloseKey(leaf);
            }
            RegCloseKey(set);
        }
    }
    const DWORD marker = keys * 1000 + valuesPerKey;
    RegSetValueExW(top, L"Complete", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&marker), sizeof marker);
    RegCloseKey(top);
    std::printf("generated in %.1f s\n", seconds(start, now()));
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int run(int argc, char** argv) {
    u32 keys = 100000, values = 10, rounds = 3;
    bool remove = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--keys") && i + 1 < argc) keys = static_cast<u32>(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--values") && i + 1 < argc) values = static_cast<u32>(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) rounds = static_cast<u32>(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--delete")) remove = true;
        else {
            std::fprintf(stderr, "usage: %s [--keys N] [--values M] [--rounds R] [--delete]\n", argv[0]);
            return 2;
        }
    }
    if (rounds == 0) rounds = 1;
    registerStandardDirectives();
    if (!generate(keys, values)) {
        std::fprintf(stderr, "cannot create the test key\n");
        return 1;
    }

    platform::Win32Registry registry;
    platform::ScopedPlatform scope(platform::Platform{nullptr, &registry, nullptr});
    const RegistryScanRoot root[] = {{u"HKLM", platform::RegistryRoot::LOCAL_MACHINE, u"Software\\PelorinBench"}};

    std::vector<double> bare, pass1, pass2, bareCpu, pass1Cpu, pass2Cpu;
    std::vector<wchar_t> nameBuffer(16384);
    std::vector<u8> dataBuffer(1 << 20);
    WalkCount walked;
    u64 arenaBytes = 0, indexBytes = 0, nodes = 0, scannedValues = 0, scannedBytes = 0, changes = 0;
    u64 shown = 0, dropped = 0;
    for (u32 r = 0; r < rounds; ++r) {
        walked = WalkCount{};
        HKEY top = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBenchKey, 0, KEY_READ, &top) != ERROR_SUCCESS) return 1;
        LARGE_INTEGER start = now();
        double cpu = processSeconds();
        bareWalk(top, walked, nameBuffer, dataBuffer);
        bare.push_back(seconds(start, now()));
        bareCpu.push_back(processSeconds() - cpu);
        RegCloseKey(top);

        ThrottlingSink sink;
        SnapshotTree tree(&sink, TREE_REGISTRY, &noStrings);
        RegistryScanner scanner(&sink, 16, &benchTexts);
        scanner.setRoots(root, 1);
        start = now();
        cpu = processSeconds();
        u32 code = scanner.runRegistryPass(true, false, &tree, nullptr);
        pass1.push_back(seconds(start, now()));
        pass1Cpu.push_back(processSeconds() - cpu);
        if (code) {
            std::fprintf(stderr, "pass 1 failed with %u\n", code);
            return 1;
        }
        scannedValues = scanner.valueCount();
        scannedBytes = scanner.totalDataBytes();

        u32 changeCount = 0;
        start = now();
        cpu = processSeconds();
        code = scanner.runRegistryPass(true, true, &tree, &changeCount);
        pass2.push_back(seconds(start, now()));
        pass2Cpu.push_back(processSeconds() - cpu);
        if (code) {
            std::fprintf(stderr, "pass 2 failed with %u\n", code);
            return 1;
        }
        arenaBytes = tree.arenaBytes();
        indexBytes = tree.indexBytes();
        nodes = tree.nodeCount();
        changes = changeCount;
        shown = sink.shown;
        dropped = sink.dropped;
        std::printf("round %u: wall clock: bare %.2f s, pass 1 %.2f s, pass 2 %.2f s; process time: bare %.2f s, "
                    "pass 1 %.2f s, pass 2 %.2f s\n",
                    r + 1, bare.back(), pass1.back(), pass2.back(), bareCpu.back(), pass1Cpu.back(), pass2Cpu.back());
        std::fflush(stdout);
    }

    std::printf("\nkeys %llu, values %llu (scanner: %llu), data %llu bytes (scanner: %llu)\n",
                static_cast<unsigned long long>(walked.keys), static_cast<unsigned long long>(walked.values),
                static_cast<unsigned long long>(scannedValues), static_cast<unsigned long long>(walked.bytes),
                static_cast<unsigned long long>(scannedBytes));
    std::printf("differences reported by pass 2: %llu (expected 0)\n", static_cast<unsigned long long>(changes));
    std::printf("status texts shown %llu, dropped by the throttle %llu\n", static_cast<unsigned long long>(shown),
                static_cast<unsigned long long>(dropped));
    const double b = median(bare), p1 = median(pass1), p2 = median(pass2);
    std::printf("median of %u rounds, wall clock: bare walk %.2f s, pass 1 %.2f s (%.2fx), pass 2 %.2f s (%.2fx)\n",
                rounds, b, p1, p1 / b, p2, p2 / b);
    const double bc = median(bareCpu), p1c = median(pass1Cpu), p2c = median(pass2Cpu);
    std::printf("median of %u rounds, process time: bare walk %.2f s, pass 1 %.2f s (%.2fx), pass 2 %.2f s (%.2fx)\n",
                rounds, bc, p1c, bc > 0 ? p1c / bc : 0.0, p2c, bc > 0 ? p2c / bc : 0.0);
    std::printf("tree: %llu nodes, arena %llu bytes (%.1f bytes per node), child indexes %llu bytes\n",
                static_cast<unsigned long long>(nodes), static_cast<unsigned long long>(arenaBytes),
                nodes ? static_cast<double>(arenaBytes) / static_cast<double>(nodes) : 0.0,
                static_cast<unsigned long long>(indexBytes));

    if (remove && RegDeleteTreeW(HKEY_LOCAL_MACHINE, kBenchKey) == ERROR_SUCCESS)
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kBenchKey);
    return changes == 0 && walked.values == scannedValues ? 0 : 1;
}

}  // namespace
}  // namespace pelorin

int main(int argc, char** argv) { return pelorin::run(argc, argv); }
