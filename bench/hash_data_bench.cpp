// CPHashData over 256 MiB in 64 KiB pieces, through the provider's entry points, with the growth
// of the process's peak memory: a hash keeps the data only while it can still be a transaction
// message, so hashing plain data must not grow with its size.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <vector>

#include "provider/entry_points.h"

namespace {

constexpr uint32_t kVerifyContext = 0xF0000000;
constexpr size_t kPiece = 64 * 1024;
constexpr size_t kTotal = 256u * 1024 * 1024;

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

void HashData256MiB(benchmark::State& state, uint32_t algId) {
  std::vector<uint8_t> piece(kPiece);
  for (size_t i = 0; i < piece.size(); ++i) {
    piece[i] = static_cast<uint8_t>(i * 131 + 7);
  }
  KqHandle prov = 0;
  if (!kq::provider::AcquireContext(&prov, nullptr, kVerifyContext)) {
    state.SkipWithError("no verify context");
    return;
  }
  const double peakBefore = PeakMiB();
  for (auto _ : state) {
    KqHandle hash = 0;
    kq::provider::CreateHash(prov, algId, 0, 0, &hash);
    for (size_t done = 0; done < kTotal; done += kPiece) {
      kq::provider::HashData(prov, hash, piece.data(), static_cast<uint32_t>(piece.size()));
    }
    uint8_t digest[64];
    uint32_t length = sizeof digest;
    kq::provider::GetHashParam(prov, hash, 2, digest, &length, 0);
    benchmark::DoNotOptimize(digest);
    kq::provider::DestroyHash(prov, hash);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotal));
  state.counters["peak_growth_MiB"] = PeakMiB() - peakBefore;
  kq::provider::ReleaseContext(prov);
}

BENCHMARK_CAPTURE(HashData256MiB, sha1, 0x8004)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(HashData256MiB, sha256, 0x800C)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
