#pragma once
// Verifying a PIN the caller already holds (no PIN-entry window): the tries left are read first,
// a key with no try left is not asked, and a key that wants its button before it verifies (after
// earlier wrong PINs) gets the tries warning while the user presses it. Each front reports the
// outcome in its own codes.

#include <cstdint>
#include <span>

#include "device/device_session.h"

namespace kq {

enum class PinCheck {
  kVerified,
  kWrongPin,      // triesLeft holds what the key reported
  kLocked,        // no try left: the PIN was not sent
  kLockedNow,     // this wrong PIN used the last try
  kNotConfirmed,  // the warning wait ended without the button
  kFailed,        // the key could not be asked
};

struct PinCheckResult {
  PinCheck outcome = PinCheck::kFailed;
  uint8_t triesLeft = 0;
};

PinCheckResult VerifyPinOnKey(const DeviceSession& session, std::span<const char> pin);

}  // namespace kq
