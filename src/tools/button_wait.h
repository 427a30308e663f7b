#pragma once
// The button wait of the tool exports: a key operation that answered 0x61xx waits for the user to
// press OK or C on the key. The confirmation wait runs on the caller's thread; once confirmed,
// the operation's outcome is fetched with ZANT_GetData. Each export maps the outcomes to its own
// statuses.

#include <cstdint>

#include "device/device_session.h"

namespace kq::tools {

struct WaitStatuses {
  uint32_t resultFailed;  // confirmed, but ZANT_GetData did not return 0
  uint32_t cancelled;     // C pressed, or the wait was cancelled
  uint32_t timedOut;      // the key timed out
  uint32_t failed;        // the key failed, or anything else
};

// Runs the wait of the kind (ui::kWait*: the texts it shows) and, when the user confirmed, fetches
// the outcome with ZANT_GetData of the given kind into a 32-byte buffer. 0 when the operation
// succeeded, else one of the statuses.
[[nodiscard]] uint32_t AwaitButton(const DeviceSession& session, uint32_t waitKind,
                                   uint32_t resultKind, const WaitStatuses& statuses);

}  // namespace kq::tools
