#include "tools/button_wait.h"

#include <array>

namespace kq::tools {

namespace {

// Results of the confirmation wait.
constexpr uint32_t kConfirmed = 1;
constexpr uint32_t kCancelled = 2;
constexpr uint32_t kTimedOut = 3;

// Filled in over the confirmation wait once it is available: until then, the key failed.
uint32_t RunConfirmationWait(const DeviceSession& /*session*/, WaitOperation /*operation*/) {
  return 4;
}

}  // namespace

uint32_t AwaitButton(const DeviceSession& session, WaitOperation operation, uint32_t resultKind,
                     const WaitStatuses& statuses) {
  switch (RunConfirmationWait(session, operation)) {
    case kConfirmed: {
      std::array<uint8_t, 32> result{};
      uint32_t length = static_cast<uint32_t>(result.size());
      const uint32_t status =
          session.device().GetData(session.handle(), result.data(), &length, resultKind);
      return status == 0 ? 0 : statuses.resultFailed;
    }
    case kCancelled:
      return statuses.cancelled;
    case kTimedOut:
      return statuses.timedOut;
    default:
      return statuses.failed;
  }
}

}  // namespace kq::tools
