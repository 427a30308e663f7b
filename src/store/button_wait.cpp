#include "store/button_wait.h"

#include "common/codes_cryptoapi.h"
#include "ui/confirmation_wait.h"

namespace kq::store {

uint32_t ConfirmOnKey(const DeviceSession& session, uint32_t kind) {
  const ui::ConfirmedOperation done = ui::ConfirmOnKey(session.handle(), kind, 0);
  switch (done.wait) {
    case ui::WaitResult::kConfirmed:
      return done.dataStatus == 0 ? 0 : win::kNteFail;
    case ui::WaitResult::kCancelled:
      return win::kScardCancelledByUser;
    case ui::WaitResult::kTimedOut:
      return win::kScardTimeout;
    default:
      return win::kNteFail;
  }
}

}  // namespace kq::store
