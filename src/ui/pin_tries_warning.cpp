#include "ui/pin_tries_warning.h"

#include "ui/catalogue.h"

namespace kq::ui {

namespace {
constexpr uint32_t kTimerPeriodMs = 50;
}  // namespace

platform::WaitStep PinTriesWarningLogic::OnTimer() {
  if (abortRequested_) {
    return EndWait(WaitResult::kCancelled);
  }
  return PollKey(ops_, device_);
}

platform::WaitStep PinTriesWarningLogic::OnSessionChange(uint32_t reason) {
  if (reason == platform::kSessionConsoleConnect || reason == platform::kSessionConsoleDisconnect ||
      reason == platform::kSessionLock || reason == platform::kSessionUnlock) {
    abortRequested_ = true;
  }
  return platform::WaitStep::Continue();
}

platform::WaitStep PinTriesWarningLogic::OnQueryEndSession() {
  abortRequested_ = true;
  return platform::WaitStep::Continue();
}

platform::WaitView PinTriesWarningView(uint32_t triesLeft) {
  platform::WaitView view;
  view.logKind = "pin";
  view.caption = GetMessage(msg::kPinRetryWarningCaption);
  view.message = FormatMessage(msg::kPinRetryWarning, triesLeft);
  view.timerPeriodMs = kTimerPeriodMs;
  return view;
}

WaitResult RunPinTriesWarning(ZANT_HANDLE device, uint32_t triesLeft, const KeyStateOps& ops) {
  PinTriesWarningLogic logic(ops, device);
  return static_cast<WaitResult>(platform::RunWaitDialog(PinTriesWarningView(triesLeft), logic));
}

}  // namespace kq::ui
