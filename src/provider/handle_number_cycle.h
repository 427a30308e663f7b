#pragma once
// The search shared by provider handles and object handles: numbers run 1, 2, ..., 2^32 - 1 and
// then start again at 1, and a number still in use is passed over, so a long-running process that
// has wrapped never gives a second object the number of a living one.

#include <cstdint>

namespace kq::provider {

// The first number after `last` in the cycle that inUse(number) does not claim, stored in `last`
// too; 0 when every number is in use.
template <typename InUse>
uint32_t NextFreeHandleNumber(uint32_t& last, const InUse& inUse) {
  for (uint64_t tries = 0; tries <= UINT32_MAX; ++tries) {
    ++last;  // unsigned: wraps from 2^32 - 1 to 0, which is never issued
    if (last != 0 && !inUse(last)) {
      return last;
    }
  }
  return 0;
}

}  // namespace kq::provider
