#include "store/deletion_confirmation.h"

#include "common/codes_cryptoapi.h"
#include "ui/confirmation_wait.h"

namespace kq::store {

namespace {

constexpr ui::WaitCodes kStoreWaitCodes{win::kNteFail, win::kScardCancelledByUser,
                                        win::kScardTimeout, win::kNteFail};

}  // namespace

uint32_t ConfirmOnKey(const DeviceSession& session, uint32_t kind) {
  return ui::ConfirmOnKey(session.handle(), kind, 0).Code(kStoreWaitCodes);
}

}  // namespace kq::store
