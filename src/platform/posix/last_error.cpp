#include "platform/last_error.h"

namespace {
// Static TLS: the provider is loaded and unloaded with dlopen, and a block of dynamic TLS that a
// thread still holds after the unload crashes LeakSanitizer's scan at process exit.
thread_local uint32_t t_lastError __attribute__((tls_model("initial-exec"))) = 0;
}  // namespace

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
