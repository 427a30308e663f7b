#include "platform/system_facts.h"

#include <cstdlib>

namespace kq::platform {

uint16_t SystemDefaultLanguageId() {
  // The precedence of the C library's message catalogue lookup.
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      return LanguageIdFromLocaleName(value);
    }
  }
  return LanguageIdFromLocaleName("");
}

uint16_t NativeProcessorArchitecture() {
  return kProcessorArchitectureAmd64;
}

void* ActiveWindow() {
  return nullptr;
}

}  // namespace kq::platform
