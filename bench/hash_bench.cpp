// Software hashing beside OpenSSL's EVP digests on the same inputs: SM3 must keep up with
// OpenSSL's, and the hash classes show what the mbed TLS engines cost.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

#include "crypto/hash_classes.h"
#include "crypto/sm3.h"

namespace {

const std::vector<uint8_t>& Input(size_t size) {
  static std::vector<uint8_t> bytes;
  if (bytes.size() < size) {
    bytes.resize(size);
    for (size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    }
  }
  return bytes;
}

void SetSizes(benchmark::internal::Benchmark* b) {
  for (int64_t size : {64, 1024, 64 * 1024, 1024 * 1024}) {
    b->Arg(size);
  }
}

void OpenSslDigest(benchmark::State& state, const EVP_MD* md) {
  const size_t size = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t>& input = Input(size);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  uint8_t digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  for (auto _ : state) {
    EVP_DigestInit_ex(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, input.data(), size);
    EVP_DigestFinal_ex(ctx, digest, &length);
    benchmark::DoNotOptimize(digest);
  }
  EVP_MD_CTX_free(ctx);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Sm3(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t>& input = Input(size);
  kq::Sm3Context ctx;
  uint8_t digest[kq::kSm3DigestSize];
  for (auto _ : state) {
    kq::Sm3Starts(&ctx);
    kq::Sm3Update(&ctx, input.data(), static_cast<uint32_t>(size));
    kq::Sm3Finish(&ctx, digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Sm3)->Apply(SetSizes);

void BM_OpenSslSm3(benchmark::State& state) {
  OpenSslDigest(state, EVP_sm3());
}
BENCHMARK(BM_OpenSslSm3)->Apply(SetSizes);

void ClassDigest(benchmark::State& state, kq::HashAlg alg) {
  const size_t size = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t>& input = Input(size);
  auto hash = kq::CreateHashEngine(alg);
  uint8_t digest[kq::kMaxHashDigestSize];
  for (auto _ : state) {
    hash->Init();
    hash->Update(input.data(), static_cast<uint32_t>(size));
    hash->Final(digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_CHashMD5(benchmark::State& state) {
  ClassDigest(state, kq::HashAlg::kMd5);
}
void BM_OpenSslMd5(benchmark::State& state) {
  OpenSslDigest(state, EVP_md5());
}
void BM_CHashSHA1(benchmark::State& state) {
  ClassDigest(state, kq::HashAlg::kSha1);
}
void BM_OpenSslSha1(benchmark::State& state) {
  OpenSslDigest(state, EVP_sha1());
}
void BM_CHashSHA256(benchmark::State& state) {
  ClassDigest(state, kq::HashAlg::kSha256);
}
void BM_OpenSslSha256(benchmark::State& state) {
  OpenSslDigest(state, EVP_sha256());
}
void BM_CHashSHA384(benchmark::State& state) {
  ClassDigest(state, kq::HashAlg::kSha384);
}
void BM_OpenSslSha384(benchmark::State& state) {
  OpenSslDigest(state, EVP_sha384());
}
void BM_CHashSHA512(benchmark::State& state) {
  ClassDigest(state, kq::HashAlg::kSha512);
}
void BM_OpenSslSha512(benchmark::State& state) {
  OpenSslDigest(state, EVP_sha512());
}
BENCHMARK(BM_CHashMD5)->Apply(SetSizes);
BENCHMARK(BM_OpenSslMd5)->Apply(SetSizes);
BENCHMARK(BM_CHashSHA1)->Apply(SetSizes);
BENCHMARK(BM_OpenSslSha1)->Apply(SetSizes);
BENCHMARK(BM_CHashSHA256)->Apply(SetSizes);
BENCHMARK(BM_OpenSslSha256)->Apply(SetSizes);
BENCHMARK(BM_CHashSHA384)->Apply(SetSizes);
BENCHMARK(BM_OpenSslSha384)->Apply(SetSizes);
BENCHMARK(BM_CHashSHA512)->Apply(SetSizes);
BENCHMARK(BM_OpenSslSha512)->Apply(SetSizes);

}  // namespace

BENCHMARK_MAIN();
