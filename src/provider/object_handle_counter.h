#pragma once
// Issues the handles of key and hash objects: 2, 3, 4, ... in one sequence shared by every
// context of the process, so a key and a hash never get the same number.

#include <atomic>
#include <cstdint>

namespace kq::provider {

class ObjectHandleCounter {
 public:
  // The process-wide counter, created on first use.
  static ObjectHandleCounter& Instance();

  // The next handle; never 0, which callers use for "no object".
  uint32_t Next();

 private:
  ObjectHandleCounter() = default;
  std::atomic<uint32_t> counter_{1};
};

}  // namespace kq::provider
