#include "common/secret.h"

#include <mbedtls/platform_util.h>

namespace kq {

void WipeMemory(void* data, size_t size) {
  if (data != nullptr && size != 0) {
    mbedtls_platform_zeroize(data, size);
  }
}

}  // namespace kq
