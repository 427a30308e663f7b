#include "common/random_source.h"

#include <mbedtls/ctr_drbg.h>
#include <mbedtls/entropy.h>

#include <mutex>

namespace kq::sim {

namespace {

class Generator {
 public:
  Generator() {
    mbedtls_entropy_init(&entropy_);
    mbedtls_ctr_drbg_init(&drbg_);
    static constexpr unsigned char kPersonal[] = "kqsim soft key";
    ready_ = mbedtls_ctr_drbg_seed(&drbg_, mbedtls_entropy_func, &entropy_, kPersonal,
                                   sizeof kPersonal - 1) == 0;
  }
  Generator(const Generator&) = delete;
  Generator& operator=(const Generator&) = delete;
  ~Generator() {
    mbedtls_ctr_drbg_free(&drbg_);
    mbedtls_entropy_free(&entropy_);
  }

  int Fill(unsigned char* buffer, size_t length) {
    if (!ready_) {
      return MBEDTLS_ERR_CTR_DRBG_ENTROPY_SOURCE_FAILED;
    }
    std::lock_guard<std::mutex> hold(mutex_);
    // CTR_DRBG hands out at most MBEDTLS_CTR_DRBG_MAX_REQUEST bytes per call.
    while (length > 0) {
      const size_t chunk =
          length < MBEDTLS_CTR_DRBG_MAX_REQUEST ? length : MBEDTLS_CTR_DRBG_MAX_REQUEST;
      const int result = mbedtls_ctr_drbg_random(&drbg_, buffer, chunk);
      if (result != 0) {
        return result;
      }
      buffer += chunk;
      length -= chunk;
    }
    return 0;
  }

 private:
  std::mutex mutex_;
  mbedtls_entropy_context entropy_;
  mbedtls_ctr_drbg_context drbg_;
  bool ready_ = false;
};

Generator& TheGenerator() {
  static Generator generator;
  return generator;
}

}  // namespace

bool RandomBytes(uint8_t* buffer, size_t length) {
  return TheGenerator().Fill(buffer, length) == 0;
}

int RandomCallback(void* /*unused*/, unsigned char* buffer, size_t length) {
  return TheGenerator().Fill(buffer, length);
}

}  // namespace kq::sim
