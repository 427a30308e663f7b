#include "provider/provider_last_error.h"

namespace kq::provider {

namespace {
thread_local uint32_t t_providerLastError = 0;
}

uint32_t ProviderLastError() {
  return t_providerLastError;
}

void SetProviderLastError(uint32_t code) {
  t_providerLastError = code;
}

}  // namespace kq::provider
