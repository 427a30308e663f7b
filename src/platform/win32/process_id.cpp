#include "platform/process_id.h"

#include <windows.h>

namespace kq::platform {

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(GetCurrentProcessId());
}

void OnForkedChild(void (*)()) {}

}  // namespace kq::platform
