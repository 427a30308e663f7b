#pragma once
// The PIN login of the tool exports (device/login.h), reported in their codes.

#include <cstdint>
#include <string_view>

#include "device/login.h"

namespace kq::tools {

// tool::kOk, tool::kLoginFailed (3001), tool::kPinLocked (3003) or tool::kCancelledByUser
// (0x8010006E); `readerName` names the key to reopen. 3003 also when the reader holds another key
// than the session's after the PIN entry (tool::signature::kDeviceFailed, reason
// SCARD_W_REMOVED_CARD). After a failure the session is closed.
// A 3001 or a 3003 also leaves in `reason`, when given, which of its meanings it has
// (tool::signature::kReason*).
uint32_t LoginForTool(DeviceSession& session, std::string_view readerName, LoginMode mode,
                      uint32_t* reason = nullptr);

}  // namespace kq::tools
