#include "device/pin_verification.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/codes_device.h"
#include "device/info_answers.h"
#include "ui/pin_tries_warning.h"

namespace kq {

PinCheckResult VerifyPinOnKey(const DeviceSession& session, std::span<const char> pin) {
  std::array<uint8_t, 32> info{};
  uint32_t length = 3;
  if (session.GetPINInfo(info.data(), &length, 0) != 0) {
    return {PinCheck::kFailed, 0};
  }
  const std::optional<PinInfo> pinInfo =
      DecodePinInfo(std::span(info).first(std::min<size_t>(length, info.size())));
  if (!pinInfo) {
    return {PinCheck::kFailed, 0};
  }
  const uint8_t triesLeft = pinInfo->triesLeft;
  if (triesLeft == 0) {
    return {PinCheck::kLocked, 0};
  }
  uint32_t status = session.VerifyPIN(pin.data(), static_cast<uint32_t>(pin.size()));
  if ((status & 0xFFFF) == dev::kSwWaitButton) {
    // Earlier wrong PINs: the key wants its button pressed before it verifies this one.
    if (ui::RunPinTriesWarning(session.handle(), triesLeft) != ui::WaitResult::kConfirmed) {
      return {PinCheck::kNotConfirmed, triesLeft};
    }
    length = 3;
    status = session.GetData(info.data(), &length, 0);
  }
  if ((status & 0xFFFF) == dev::kSwPinLocked) {
    return {PinCheck::kLockedNow, 0};
  }
  if (((status & 0xFFFF) & 0xFFF0) == 0x6300) {
    return {PinCheck::kWrongPin, static_cast<uint8_t>(status & 0xF)};
  }
  return {status == 0 ? PinCheck::kVerified : PinCheck::kFailed, triesLeft};
}

}  // namespace kq
