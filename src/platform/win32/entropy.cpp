#include "platform/entropy.h"

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <algorithm>

namespace kq::platform {

bool OsEntropy(uint8_t* buffer, size_t length) {
  size_t filled = 0;
  while (filled < length) {
    const ULONG piece = static_cast<ULONG>(std::min<size_t>(length - filled, 1u << 20));
    if (!BCRYPT_SUCCESS(
            BCryptGenRandom(nullptr, buffer + filled, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      return false;
    }
    filled += piece;
  }
  return true;
}

}  // namespace kq::platform
