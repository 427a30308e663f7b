#include "provider/object_handle_counter.h"

#include "provider/handle_number_cycle.h"

namespace kq::provider {

ObjectHandleCounter& ObjectHandleCounter::Instance() {
  static ObjectHandleCounter instance;
  return instance;
}

uint32_t ObjectHandleCounter::Next() {
  const std::lock_guard<std::mutex> guard(lock_);
  // Never 0 in practice: memory for the held numbers runs out long before all 2^32 - 1 are held.
  const uint32_t handle =
      NextFreeHandleNumber(last_, [this](uint32_t number) { return held_.contains(number); });
  held_.insert(handle);
  return handle;
}

void ObjectHandleCounter::Release(uint32_t handle) {
  const std::lock_guard<std::mutex> guard(lock_);
  held_.erase(handle);
}

void ObjectHandleCounter::ContinueAfter(uint32_t last) {
  const std::lock_guard<std::mutex> guard(lock_);
  last_ = last;
}

}  // namespace kq::provider
