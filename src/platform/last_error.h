#pragma once
// The platform's per-thread last-error slot: SetLastError/GetLastError on Windows; on POSIX a
// thread-local value that the provider library also exports as SetLastError/GetLastError.

#include <cstdint>

namespace kq::platform {

void SetLastErrorCode(uint32_t code);
uint32_t LastErrorCode();

}  // namespace kq::platform
