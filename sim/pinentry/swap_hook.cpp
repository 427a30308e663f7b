#include "pinentry/swap_hook.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "softkey/key_plugging.h"
#include "softkey/soft_key_root.h"

namespace kq::sim {

void RunPinSwapHook() {
  const char* value = std::getenv(kPinSwapVariable);
  if (value == nullptr || *value == '\0') {
    return;
  }
  std::string error;
  if (!RunPlugSteps(SoftKeyRoot(), value, error)) {
    std::fprintf(stderr, "%s: %s\n", kPinSwapVariable, error.c_str());
  }
}

}  // namespace kq::sim
