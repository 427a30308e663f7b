#include "provider/object_handle_counter.h"

namespace kq::provider {

ObjectHandleCounter& ObjectHandleCounter::Instance() {
  static ObjectHandleCounter instance;
  return instance;
}

uint32_t ObjectHandleCounter::Next() {
  // The increment is atomic, so callers on several threads each get a number of their own.
  uint32_t value = counter_.fetch_add(1) + 1;
  while (value == 0) {  // wrapped: 0 means "no object"
    value = counter_.fetch_add(1) + 1;
  }
  return value;
}

}  // namespace kq::provider
