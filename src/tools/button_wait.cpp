#include "tools/button_wait.h"

#include "ui/confirmation_wait.h"

namespace kq::tools {

uint32_t AwaitButton(const DeviceSession& session, uint32_t waitKind, uint32_t resultKind,
                     const WaitStatuses& statuses) {
  const ui::ConfirmedOperation done = ui::ConfirmOnKey(session.handle(), waitKind, resultKind);
  switch (done.wait) {
    case ui::WaitResult::kConfirmed:
      return done.dataStatus == 0 ? 0 : statuses.resultFailed;
    case ui::WaitResult::kCancelled:
      return statuses.cancelled;
    case ui::WaitResult::kTimedOut:
      return statuses.timedOut;
    case ui::WaitResult::kKeyError:
      break;
  }
  return statuses.failed;
}

}  // namespace kq::tools
