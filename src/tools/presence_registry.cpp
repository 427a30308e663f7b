#include "tools/presence_registry.h"

namespace kq::tools {

// Filled in over the registry port once it is available.
bool ProductKeyPresent() {
  return false;
}

bool ProviderRegistered() {
  return false;
}

}  // namespace kq::tools
