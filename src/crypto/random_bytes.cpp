#include "crypto/random_bytes.h"

#include <mbedtls/ctr_drbg.h>

#include <algorithm>

#include "common/secret.h"
#include "platform/entropy.h"

namespace kq {

namespace {

int EntropySource(void* /*unused*/, unsigned char* output, size_t length) {
  return platform::OsEntropy(output, length) ? 0 : MBEDTLS_ERR_CTR_DRBG_ENTROPY_SOURCE_FAILED;
}

class Drbg {
 public:
  Drbg() { mbedtls_ctr_drbg_init(&context_); }
  Drbg(const Drbg&) = delete;
  Drbg& operator=(const Drbg&) = delete;
  ~Drbg() { mbedtls_ctr_drbg_free(&context_); }

  bool Seed() {
    static constexpr unsigned char kPersonalization[] = "kqcsp random bytes";
    return mbedtls_ctr_drbg_seed(&context_, EntropySource, nullptr, kPersonalization,
                                 sizeof kPersonalization - 1) == 0;
  }

  bool Fill(std::span<uint8_t> buffer) {
    while (!buffer.empty()) {
      const size_t piece = std::min<size_t>(buffer.size(), MBEDTLS_CTR_DRBG_MAX_REQUEST);
      if (mbedtls_ctr_drbg_random(&context_, buffer.data(), piece) != 0) {
        return false;
      }
      buffer = buffer.subspan(piece);
    }
    return true;
  }

 private:
  mbedtls_ctr_drbg_context context_;
};

}  // namespace

bool RandomBytes(std::span<uint8_t> buffer) {
  Drbg drbg;
  if (drbg.Seed() && drbg.Fill(buffer)) {
    return true;
  }
  WipeMemory(buffer.data(), buffer.size());
  return false;
}

}  // namespace kq
