#include "device_library/pending_button.h"

#include "common/codes_device.h"

namespace kq::sim {

ButtonWait::ButtonWait(ButtonStep step, uint32_t countdown, WaitCompletion completion)
    : step_(step), limit_(countdown), completion_(std::move(completion)) {
  if (step_.action == ButtonAction::kTimeout) {
    limit_ = step_.polls.value_or(countdown);
  } else if (step_.action == ButtonAction::kManual && step_.polls) {
    limit_ = *step_.polls;
  }
}

void ButtonWait::End(uint8_t state, KeyAccess& access) {
  state_ = state;
  switch (state) {
    case dev::kStateOk:
      result_ = completion_(access);
      break;
    case dev::kStateFailed:
      result_ = WaitResult{dev::kSwUnknown, {}};
      break;
    default:  // cancelled or timed out: the operation did not take place
      result_ = WaitResult{dev::kSwConditionsNotSatisfied, {}};
      break;
  }
  completion_ = nullptr;
}

WaitPoll ButtonWait::Poll(KeyAccess& access) {
  if (state_ != kWaiting) {
    return {state_, 0};
  }
  ++polls_;
  const uint32_t n = step_.polls.value_or(1);
  // The key's own countdown runs out first, whatever the button would do later.
  if (polls_ > limit_) {
    End(dev::kStateTimedOut, access);
  } else {
    switch (step_.action) {
      case ButtonAction::kOk:
        if (polls_ > n) {
          End(dev::kStateOk, access);
        }
        break;
      case ButtonAction::kCancel:
        if (polls_ > n) {
          End(dev::kStateCancelled, access);
        }
        break;
      case ButtonAction::kFail:
        if (polls_ > n) {
          End(dev::kStateFailed, access);
        }
        break;
      case ButtonAction::kManual:
        if (const std::optional<ButtonPress> press = access.key.TakePress()) {
          End(*press == ButtonPress::kOk ? dev::kStateOk : dev::kStateCancelled, access);
        }
        break;
      case ButtonAction::kTimeout:
      case ButtonAction::kNone:
        break;
    }
  }
  if (state_ != kWaiting) {
    return {state_, 0};
  }
  return {state_, static_cast<uint16_t>(limit_ - (polls_ - 1))};
}

uint32_t WaitStatus(size_t resultLength) {
  return dev::kSwWaitButton | static_cast<uint32_t>(resultLength & 0xFF);
}

}  // namespace kq::sim
