#pragma once
// The result of the CP* call running on this thread. Every entry point clears it on entry, inner
// code stores an NTE_, SCARD_ or Windows error code in it, and the entry point hands it to the
// platform's last-error slot on every return. It is kept per thread, so a call on one thread never
// changes what another thread's caller reads from GetLastError.

#include <cstdint>

#include "kqcsp.h"

namespace kq::provider {

uint32_t ProviderLastError();
void SetProviderLastError(uint32_t code);

// Stores code and returns FALSE: the common ending of a failed operation.
inline KqBool Fail(uint32_t code) {
  SetProviderLastError(code);
  return 0;
}

// Clears the code and returns TRUE: the common ending of a successful operation.
inline KqBool Succeed() {
  SetProviderLastError(0);
  return 1;
}

}  // namespace kq::provider
