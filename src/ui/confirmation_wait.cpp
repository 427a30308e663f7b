#include "ui/confirmation_wait.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/codes_device.h"
#include "ui/catalogue.h"
#include "ui/dialog_texts.h"

namespace kq::ui {

namespace {

constexpr uint32_t kTimerPeriodMs = 100;
constexpr uint32_t kOverdueTenths = 300;

}  // namespace

platform::WaitStep ButtonWaitLogic::OnTimer() {
  if (exitRequested_) {
    return EndWait(WaitResult::kCancelled);
  }
  const platform::WaitStep step = PollKey(ops_, device_);
  if (step.secondsShown) {
    longestTenths_ = std::max(longestTenths_, static_cast<uint32_t>(*step.secondsShown) * 10);
  }
  if (!step.ends && ++ticks_ > longestTenths_ + kOverdueTenths) {
    return EndWait(WaitResult::kTimedOut);
  }
  return step;
}

platform::WaitStep ButtonWaitLogic::OnExitRequest() {
  exitRequested_ = true;
  return platform::WaitStep::Continue();
}

platform::WaitStep ButtonWaitLogic::OnSessionChange(uint32_t reason) {
  if (reason == platform::kSessionConsoleDisconnect || reason == platform::kSessionLock) {
    return EndWait(WaitResult::kCancelled);
  }
  return platform::WaitStep::Continue();
}

platform::WaitStep ButtonWaitLogic::OnQueryEndSession() {
  return EndWait(WaitResult::kCancelled);
}

platform::WaitView ButtonWaitView(uint32_t kind) {
  RefreshCatalogueLanguage();
  const ButtonWaitTextIds ids = ButtonWaitTexts(kind);
  platform::WaitView view;
  view.logKind = std::to_string(kind);
  view.caption = GetMessage(ids.caption);
  view.message = GetMessage(ids.prompt);
  view.countdownLabel = GetMessage(msg::kTimeLeftLabel);
  view.timerPeriodMs = kTimerPeriodMs;
  return view;
}

WaitResult RunButtonWait(ZANT_HANDLE device, uint32_t kind, const KeyStateOps& ops) {
  ButtonWaitLogic logic(ops, device);
  return static_cast<WaitResult>(platform::RunWaitDialog(ButtonWaitView(kind), logic));
}

uint32_t ConfirmedOperation::Code(const WaitCodes& codes) const {
  switch (wait) {
    case WaitResult::kConfirmed:
      return dataStatus == 0 ? 0 : codes.resultFailed;
    case WaitResult::kCancelled:
      return codes.cancelled;
    case WaitResult::kTimedOut:
      return codes.timedOut;
    case WaitResult::kKeyError:
      break;
  }
  return codes.keyFailed;
}

ConfirmedOperation ConfirmOnKey(ZANT_HANDLE device, uint32_t kind, uint8_t* buffer,
                                uint32_t* length, uint32_t dataKind, const KeyStateOps& ops) {
  ConfirmedOperation done;
  done.wait = RunButtonWait(device, kind, ops);
  if (done.wait == WaitResult::kConfirmed) {
    done.dataStatus = ops.getData != nullptr ? ops.getData(device, buffer, length, dataKind)
                                             : dev::kMissingOperation;
  }
  return done;
}

ConfirmedOperation ConfirmOnKey(ZANT_HANDLE device, uint32_t kind, uint32_t dataKind,
                                const KeyStateOps& ops) {
  std::array<uint8_t, 32> buffer{};
  uint32_t length = static_cast<uint32_t>(buffer.size());
  return ConfirmOnKey(device, kind, buffer.data(), &length, dataKind, ops);
}

}  // namespace kq::ui
