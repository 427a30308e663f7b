#pragma once
// The button wait of the tool exports: a key operation that answered 0x61xx waits for the user to
// press OK or C on the key. The confirmation wait runs on the caller's thread; once confirmed,
// the operation's outcome is fetched with ZANT_GetData. Each export reports the wait's end in its
// own codes, all in the table below.

#include <cstdint>

#include "common/codes_tools.h"
#include "device/device_session.h"
#include "ui/confirmation_wait.h"

namespace kq::tools {

// Initialising a key counts a timeout as a cancel; changing the PIN tells it apart.
inline constexpr ui::WaitCodes kInitCardWait{tool::kDeviceOperationFailed, tool::kCancelledByUser,
                                             tool::kCancelledByUser, tool::kWaitDeviceError};
inline constexpr ui::WaitCodes kChangePinWait{tool::kDeviceOperationFailed, tool::kCancelledByUser,
                                              tool::kTimeout, tool::kWaitDeviceError};
// Generating a key pair for a request.
inline constexpr ui::WaitCodes kGenerationWait{tool::kNteFail, tool::kCancelledByUser,
                                               tool::kTimeout, tool::kNteFail};
// Signing a transaction for KQ_GetSignature: every end but a confirmation is a cancel.
inline constexpr ui::WaitCodes kSignatureWait{tool::signature::kDeviceFailed,
                                              tool::kCancelledByUser, tool::kCancelledByUser,
                                              tool::kCancelledByUser};

// Runs the wait of the kind (ui::kWait*: the texts it shows) and, when the user confirmed, fetches
// the outcome with ZANT_GetData of the given kind into a 32-byte buffer. 0 when the operation
// succeeded, else the code of the export's row.
[[nodiscard]] uint32_t AwaitButton(const DeviceSession& session, uint32_t waitKind,
                                   uint32_t resultKind, const ui::WaitCodes& codes);

}  // namespace kq::tools
