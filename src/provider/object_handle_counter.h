#pragma once
// Issues the handles of key and hash objects: 2, 3, 4, ... in one sequence shared by every
// context of the process, so a key and a hash never get the same number. After 2^32 - 1 the
// sequence starts again at 1 and passes over every number still held, so a handle never names
// two objects.

#include <cstdint>
#include <mutex>
#include <unordered_set>

namespace kq::provider {

class ObjectHandleCounter {
 public:
  // The process-wide counter, created on first use.
  static ObjectHandleCounter& Instance();

  // The next handle that no object holds, now held; never 0, which callers use for "no object".
  uint32_t Next();

  // Gives back a handle whose object has been forgotten, so the number may be issued again.
  void Release(uint32_t handle);

  // For tests: the search for the next handle starts after `last` (2^32 - 2 to see the wrap).
  void ContinueAfter(uint32_t last);

 private:
  ObjectHandleCounter() = default;
  std::mutex lock_;
  uint32_t last_ = 1;
  std::unordered_set<uint32_t> held_;
};

}  // namespace kq::provider
