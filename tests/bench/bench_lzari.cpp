// LZARI decoding throughput on the packed string tables and menus of this build's container.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/lzari.h"

namespace {

using namespace pelorin;

struct Packed {
    std::vector<u8> stream;
    u32 size = 0;
};

u32 le32(const std::vector<u8>& b, std::size_t at) {
    return at + 4 <= b.size() ? u32(b[at]) | u32(b[at + 1]) << 8 | u32(b[at + 2]) << 16 | u32(b[at + 3]) << 24 : 0;
}

// Walks the bare container's three directory levels and collects its packed payloads.
std::vector<Packed> packedPayloads() {
    std::vector<u8> file;
    if (std::FILE* f = std::fopen(PELORIN_CONTAINER, "rb")) {
        u8 buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) file.insert(file.end(), buf, buf + n);
        std::fclose(f);
    }
    std::vector<Packed> out;
    if (file.size() < 64 || std::memcmp(file.data(), "Rsrc", 4) != 0) return out;
    const u32 types = le32(file, 12);
    for (u32 t = 0; t < le32(file, types + 4); ++t) {
        const u32 languages = le32(file, types + 8 + 8 * t + 4);
        for (u32 l = 0; l < le32(file, languages + 4); ++l) {
            const u32 ids = le32(file, languages + 8 + 8 * l + 4);
            for (u32 i = 0; i < le32(file, ids + 4); ++i) {
                const std::size_t entry = ids + 8 + 12 * i;
                if (le32(file, entry + 4) & 1) continue;
                const u32 payload = le32(file, entry + 8);
                Packed p;
                p.size = le32(file, payload);
                const u32 packedSize = le32(file, payload + 4);
                if (payload + 8 + std::size_t(packedSize) > file.size()) continue;
                p.stream.assign(file.begin() + payload + 8, file.begin() + payload + 8 + packedSize);
                out.push_back(std::move(p));
            }
        }
    }
    return out;
}

void decodeStringTables(benchmark::State& state) {
    const std::vector<Packed> payloads = packedPayloads();
    if (payloads.empty()) {
        state.SkipWithError("no packed payloads in " PELORIN_CONTAINER);
        return;
    }
    u64 unpacked = 0, packed = 0;
    std::vector<u8> out;
    for (const Packed& p : payloads) {
        unpacked += p.size;
        packed += p.stream.size();
    }
    for (auto _ : state) {
        for (const Packed& p : payloads) {
            out.resize(p.size);
            if (decodeLzari(p.stream.data(), static_cast<u32>(p.stream.size()), out.data(), p.size) != 0) {
                state.SkipWithError("payload does not decode");
                return;
            }
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * unpacked));
    state.counters["payloads"] = static_cast<double>(payloads.size());
    state.counters["unpacked_bytes"] = static_cast<double>(unpacked);
    state.counters["packed_bytes"] = static_cast<double>(packed);
}
BENCHMARK(decodeStringTables);

}  // namespace

BENCHMARK_MAIN();
