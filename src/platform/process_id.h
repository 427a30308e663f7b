#pragma once
// The calling process's id: a library keeps the id it was initialised in, to see that it now runs
// in a forked child.

#include <cstdint>

namespace kq::platform {

uint32_t CurrentProcessId();

}  // namespace kq::platform
