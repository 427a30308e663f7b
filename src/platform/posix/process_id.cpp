#include "platform/process_id.h"

#include <pthread.h>
#include <unistd.h>

namespace kq::platform {

uint32_t CurrentProcessId() {
  return static_cast<uint32_t>(getpid());
}

void OnForkedChild(void (*handler)()) {
  pthread_atfork(nullptr, nullptr, handler);
}

}  // namespace kq::platform
