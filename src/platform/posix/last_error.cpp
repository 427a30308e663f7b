#include "platform/last_error.h"

namespace {
thread_local uint32_t t_lastError = 0;
}

namespace kq::platform {

void SetLastErrorCode(uint32_t code) {
  t_lastError = code;
}
uint32_t LastErrorCode() {
  return t_lastError;
}

}  // namespace kq::platform

// Callers read the result of an export the way they do on Windows. These live in the same object
// as the port so that every library that uses the port carries them.
extern "C" void SetLastError(uint32_t code) {
  t_lastError = code;
}
extern "C" uint32_t GetLastError() {
  return t_lastError;
}
