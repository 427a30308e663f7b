#include "softkey/random_source.h"

#include <mbedtls/ctr_drbg.h>

#include "crypto/random_bytes.h"

namespace kq::sim {

int RandomCallback(void* /*unused*/, unsigned char* buffer, size_t length) {
  return kq::RandomBytes({buffer, length}) ? 0 : MBEDTLS_ERR_CTR_DRBG_ENTROPY_SOURCE_FAILED;
}

}  // namespace kq::sim
