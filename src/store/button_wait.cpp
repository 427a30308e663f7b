#include "store/button_wait.h"

#include "common/codes_cryptoapi.h"

namespace kq::store {

uint32_t ConfirmOnKey(const DeviceSession& /*session*/, uint32_t /*kind*/) {
  return win::kNteFail;
}

}  // namespace kq::store
