// The PIN and the key's initialisation.

#include <cstring>
#include <memory>

#include "common/codes_device.h"
#include "common/secret.h"
#include "device/zant.h"
#include "device_library/device_operation.h"
#include "device_library/pin_check.h"

using namespace kq;
using namespace kq::sim;

namespace {

constexpr uint32_t kPinInfoSize = 4;
constexpr uint32_t kPinInfoMinimum = 3;
constexpr size_t kIdentityCompared = 12;

std::string_view PinText(const char* pin, uint32_t length) {
  return {pin, length};
}

}  // namespace

extern "C" uint32_t ZANT_VerifyPIN(ZANT_HANDLE handle, const char* pin, uint32_t pinLength) {
  return RunOnKey("ZANT_VerifyPIN", handle, [&](OpenKey& open, KeyAccess& access) -> uint32_t {
    if (pin == nullptr) {
      return dev::kSwWrongData;
    }
    if (pinLength != kPinSize) {
      return dev::kSwWrongLength;
    }
    // A handle that logs in again (as after a replug) loses its pairs' request-signing exception.
    open.generatedPairs.clear();
    KeyState& s = access.state;
    if (s.triesLeft == 0) {
      return dev::kSwPinLocked;
    }
    if (s.triesLeft == s.triesMax) {
      access.changed = true;
      return CheckPin(s, PinText(pin, pinLength));
    }
    // After wrong tries the user confirms the attempt on the key; the PIN is checked after "OK"
    // and its verdict is what ZANT_GetData returns.
    auto entered = std::make_shared<SecretString>(pin, pinLength);
    const WaitStart start =
        StartButtonWait(open, access, 0, [entered](KeyAccess& later) -> WaitResult {
          later.changed = true;
          return WaitResult{CheckPin(later.state, entered->str()), {}};
        });
    // The wait status of a PIN verification is exactly 0x6100.
    return start.done ? start.status : dev::kSwWaitButton;
  });
}

extern "C" uint32_t ZANT_ChangePIN(ZANT_HANDLE handle, const char* oldPin, uint32_t oldLength,
                                   const char* newPin, uint32_t newLength, uint32_t /*reserved*/) {
  return RunOnKey("ZANT_ChangePIN", handle, [&](OpenKey& open, KeyAccess& access) -> uint32_t {
    if (oldPin == nullptr || newPin == nullptr) {
      return dev::kSwWrongData;
    }
    if (oldLength != kPinSize || newLength != kPinSize) {
      return dev::kSwWrongLength;
    }
    // The old PIN is checked (and counted) at once; the change itself waits for "OK".
    access.changed = true;
    const uint32_t check = CheckPin(access.state, PinText(oldPin, oldLength));
    if (check != dev::kOk) {
      return check;
    }
    auto replacement = std::make_shared<SecretString>(newPin, newLength);
    return StartButtonWait(open, access, 0,
                           [replacement](KeyAccess& later) -> WaitResult {
                             later.state.pin = replacement->str();
                             later.state.triesLeft = later.state.triesMax;
                             later.changed = true;
                             return WaitResult{dev::kOk, {}};
                           })
        .status;
  });
}

extern "C" uint32_t ZANT_GetPINInfo(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                    uint32_t kind) {
  return RunOnKey("ZANT_GetPINInfo", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (kind != 0 && kind != 1) {
      return dev::kSwIncorrectP1P2;
    }
    if (length == nullptr) {
      return dev::kSwWrongData;
    }
    // 0: tries allowed; 1: 1 while the PIN is verified; 2: tries left; 3: PIN length.
    const KeyState& s = access.state;
    const uint8_t info[kPinInfoSize] = {
        static_cast<uint8_t>(s.triesMax), static_cast<uint8_t>(s.pinVerified ? 1 : 0),
        static_cast<uint8_t>(s.triesLeft), static_cast<uint8_t>(kPinSize)};
    if (buffer == nullptr) {
      *length = kPinInfoSize;
      return dev::kOk;
    }
    if (*length < kPinInfoMinimum) {
      *length = kPinInfoSize;
      return dev::kSwWrongLength;
    }
    const uint32_t count = std::min(*length, kPinInfoSize);
    std::memcpy(buffer, info, count);
    *length = count;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_CleanPinStatus(ZANT_HANDLE handle) {
  return RunOnKey("ZANT_CleanPinStatus", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    access.state.pinVerified = false;
    access.changed = true;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_InitDev(ZANT_HANDLE handle, const uint8_t* identity, uintptr_t argument) {
  return RunOnKey("ZANT_InitDev", handle, [&](OpenKey& open, KeyAccess& access) -> uint32_t {
    // The caller names the key it means by its identity, so a wrong key is never wiped.
    if (identity == nullptr ||
        std::memcmp(identity, access.state.identity.data(), kIdentityCompared) != 0) {
      return dev::kSwWrongData;
    }
    const auto value = static_cast<uint64_t>(argument);
    return StartButtonWait(open, access, 0,
                           [value](KeyAccess& later) -> WaitResult {
                             if (!later.key.ResetToFactory(later.state)) {
                               return WaitResult{dev::kSwMemoryFailure, {}};
                             }
                             later.state.initArgument = value;
                             ++later.state.initCount;
                             later.changed = true;
                             return WaitResult{dev::kOk, {}};
                           })
        .status;
  });
}
