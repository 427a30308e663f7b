#include "platform/last_error.h"

#include <windows.h>

namespace kq::platform {

void SetLastErrorCode(uint32_t code) {
  ::SetLastError(code);
}
uint32_t LastErrorCode() {
  return ::GetLastError();
}

}  // namespace kq::platform
