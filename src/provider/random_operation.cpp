// CPGenRandom: random bytes from the host's generator.
#include <span>

#include "common/codes_cryptoapi.h"
#include "crypto/random_bytes.h"
#include "provider/hash_operations.h"
#include "provider/provider_last_error.h"

namespace kq::provider {

KqBool GenRandomOn(ProviderContext& /*context*/, uint32_t length, uint8_t* buffer) {
  if (buffer == nullptr || length == 0) {
    return Fail(win::kErrorInvalidParameter);
  }
  if (!RandomBytes(std::span<uint8_t>(buffer, length))) {
    return Fail(win::kNteFail);
  }
  return Succeed();
}

}  // namespace kq::provider
