// MD5 throughput. Compare with `openssl speed -bytes 16384 md5` on the same machine.
#include <benchmark/benchmark.h>

#include <vector>

#include "runtime/md5.h"

namespace {

void digestBlocks(benchmark::State& state) {
    std::vector<pelorin::u8> data(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<pelorin::u8>(i * 31);
    pelorin::u8 digest[pelorin::MD5_DIGEST_SIZE];
    for (auto _ : state) {
        pelorin::Md5Engine::computeDigest(data.data(), data.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(digestBlocks)->Arg(16384)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
