#pragma once
// A button wait of one handle: started by an operation that needs the user's "OK", advanced by
// each ZANT_GetDevState poll according to the key's button policy (button_policy.h), and ended
// by ZANT_GetData, which hands out the operation's result. The operation itself runs when "OK"
// is seen, under the lock of that poll.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "device_library/key_access.h"
#include "softkey/button_policy.h"

namespace kq::sim {

// What an operation left for ZANT_GetData: its status and its data (a signature, or nothing).
struct WaitResult {
  uint32_t status = 0;
  std::vector<uint8_t> data;
};

using WaitCompletion = std::function<WaitResult(KeyAccess&)>;

// ZANT_GetDevState's answer: the state byte and the tenths of a second left.
struct WaitPoll {
  uint8_t state = 0;
  uint16_t tenthsLeft = 0;
};

class ButtonWait {
 public:
  ButtonWait(ButtonStep step, uint32_t countdown, WaitCompletion completion);

  // One poll; runs the operation when the wait ends with "OK".
  WaitPoll Poll(KeyAccess& access);

  [[nodiscard]] bool ended() const { return state_ != kWaiting; }
  // The result for ZANT_GetData, once the wait has ended.
  [[nodiscard]] const std::optional<WaitResult>& result() const { return result_; }

 private:
  static constexpr uint8_t kWaiting = 1;
  void End(uint8_t state, KeyAccess& access);

  ButtonStep step_;
  uint32_t limit_;  // polls before the key times out
  uint32_t polls_ = 0;
  uint8_t state_ = kWaiting;
  WaitCompletion completion_;
  std::optional<WaitResult> result_;
};

// The 0x61xx status that announces a wait: xx is the length of the result to fetch (modulo 256).
uint32_t WaitStatus(size_t resultLength);

}  // namespace kq::sim
