#pragma once
// A key that answers the waits' polls from a script, for unit tests of the waits. Its address is
// the device handle; the last reading of the script repeats.

#include <atomic>
#include <cstdint>
#include <vector>

#include "ui/key_state.h"

namespace kq::test {

struct FakeReading {
  uint32_t status = 0;  // the status of ZANT_GetDevState
  uint8_t state = 1;
  uint16_t tenthsLeft = 0;
};

inline FakeReading Waiting(uint16_t tenths) {
  return {0, 1, tenths};
}
inline FakeReading State(uint8_t state) {
  return {0, state, 0};
}

class FakeKey {
 public:
  explicit FakeKey(std::vector<FakeReading> script) : script_(std::move(script)) {}

  ZANT_HANDLE handle() { return this; }
  static const ui::KeyStateOps& Ops() {
    static const ui::KeyStateOps ops{GetDevState, nullptr};
    return ops;
  }

  std::atomic<int> polls{0};
  uint32_t lastRequest = 0;
  uint32_t lastLengthIn = 0;

 private:
  static uint32_t GetDevState(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                              uint32_t request) {
    auto& key = *static_cast<FakeKey*>(handle);
    const size_t index = static_cast<size_t>(key.polls.fetch_add(1));
    const FakeReading& reading = key.script_[std::min(index, key.script_.size() - 1)];
    key.lastRequest = request;
    key.lastLengthIn = *length;
    if (reading.status != 0) {
      return reading.status;
    }
    buffer[0] = reading.state;
    buffer[1] = static_cast<uint8_t>(reading.tenthsLeft >> 8);
    buffer[2] = static_cast<uint8_t>(reading.tenthsLeft & 0xFF);
    return 0;
  }

  std::vector<FakeReading> script_;
};

}  // namespace kq::test
