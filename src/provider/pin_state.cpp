#include "provider/pin_state.h"

#include <atomic>

namespace kq::provider {

namespace {
std::atomic<bool> g_pinVerified{false};
}

bool ProviderPinVerified() {
  return g_pinVerified.load();
}

void SetProviderPinVerified(bool verified) {
  g_pinVerified.store(verified);
}

}  // namespace kq::provider
