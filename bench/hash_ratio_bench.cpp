// The hash classes as a ratio to OpenSSL's EVP digests, measured in one run: each iteration
// hashes the same input once with the class and once with OpenSSL, one right after the other and
// in alternating order, so both see the same machine load and the same cache. The counter "ratio"
// is the fastest OpenSSL run over our fastest (1.0: as fast as OpenSSL).
//
//   build/bin/kq_bench --benchmark_filter=HashVsOpenSsl

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "crypto/hash_classes.h"
#include "crypto/sm3.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> Input(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<uint8_t>(i * 131 + 7);
  }
  return bytes;
}

// The time `run` takes.
template <typename Run>
double Seconds(Run run) {
  const auto start = Clock::now();
  run();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void HashVsOpenSsl(benchmark::State& state, const EVP_MD* md, kq::HashAlg alg) {
  const std::vector<uint8_t> input = Input(static_cast<size_t>(state.range(0)));
  const std::unique_ptr<kq::CHashBase> ours = kq::CreateHashEngine(alg);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  uint8_t digest[EVP_MAX_MD_SIZE];
  // The fastest of many runs: other work on the machine only ever adds time.
  double oursFastest = 1e9;
  double theirsFastest = 1e9;
  const auto mine = [&] {
    if (ours) {
      ours->Init();
      ours->Update(input.data(), static_cast<uint32_t>(input.size()));
      ours->Final(digest);
    } else {
      kq::Sm3Context sm3;
      kq::Sm3Starts(&sm3);
      kq::Sm3Update(&sm3, input.data(), static_cast<uint32_t>(input.size()));
      kq::Sm3Finish(&sm3, digest);
    }
    benchmark::DoNotOptimize(digest);
  };
  const auto theirs = [&] {
    unsigned int length = 0;
    EVP_DigestInit_ex(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, input.data(), input.size());
    EVP_DigestFinal_ex(ctx, digest, &length);
    benchmark::DoNotOptimize(digest);
  };
  bool oursFirst = true;
  for (auto _ : state) {
    // Whichever runs second finds the input in the cache: the order alternates.
    const double theirsBefore = oursFirst ? 0 : Seconds(theirs);
    const double oursNow = Seconds(mine);
    const double theirsAfter = oursFirst ? Seconds(theirs) : 0;
    oursFastest = std::min(oursFastest, oursNow);
    theirsFastest = std::min(theirsFastest, theirsBefore + theirsAfter);
    oursFirst = !oursFirst;
    state.SetIterationTime(oursNow);
  }
  EVP_MD_CTX_free(ctx);
  state.counters["ratio"] = oursFastest > 0 ? theirsFastest / oursFastest : 0;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(64 * 1024)->Arg(1024 * 1024)->UseManualTime()->MinTime(1.0);
}

BENCHMARK_CAPTURE(HashVsOpenSsl, sha1, EVP_sha1(), kq::HashAlg::kSha1)->Apply(Sizes);
BENCHMARK_CAPTURE(HashVsOpenSsl, sha256, EVP_sha256(), kq::HashAlg::kSha256)->Apply(Sizes);
BENCHMARK_CAPTURE(HashVsOpenSsl, sha384, EVP_sha384(), kq::HashAlg::kSha384)->Apply(Sizes);
BENCHMARK_CAPTURE(HashVsOpenSsl, sha512, EVP_sha512(), kq::HashAlg::kSha512)->Apply(Sizes);
BENCHMARK_CAPTURE(HashVsOpenSsl, md5, EVP_md5(), kq::HashAlg::kMd5)->Apply(Sizes);
// SM3 is the project's own; OpenSSL's SM3 is the yardstick.
BENCHMARK_CAPTURE(HashVsOpenSsl, sm3, EVP_sm3(), kq::HashAlg::kSm3)->Apply(Sizes);

}  // namespace
