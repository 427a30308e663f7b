#pragma once
// The button wait (the countdown dialog CDlgShowMsg): a device operation answered 0x61xx, so the
// key waits for its "OK" or "C" button and counts down on its own. The wait polls the key every
// 100 ms, shows the seconds left and ends with the key's verdict. The caller owns the open
// device handle and keeps it open throughout.
//
// Typical use, after an operation returned a status with dev::IsButtonWait(status):
//   const uint32_t code = ConfirmOnKey(session.handle(), kWaitKeyGeneration, 0).Code(myCodes);
// where myCodes is the caller's row of codes (WaitCodes); 0 means confirmed and done.

#include <cstdint>

#include "device/zant.h"
#include "platform/dialog_host.h"
#include "ui/key_state.h"

namespace kq::ui {

// Operation kinds; each chooses the wait's caption and prompt.
inline constexpr uint32_t kWaitSignature = 0;  // also every kind not listed here
inline constexpr uint32_t kWaitTransactionSigning = 1;
inline constexpr uint32_t kWaitKeyGeneration = 2;
inline constexpr uint32_t kWaitInitialisation = 3;
inline constexpr uint32_t kWaitKeyDeletion = 4;
inline constexpr uint32_t kWaitPinChange = 5;

// Runs the wait modally on the calling thread until the key decides.
WaitResult RunButtonWait(ZANT_HANDLE device, uint32_t kind,
                         const KeyStateOps& ops = DeviceLibraryKeyState());

// What a caller reports for each way a confirmed operation can end: one row per caller, since
// each has its own codes (some count a timeout as a cancel, some tell it apart).
struct WaitCodes {
  uint32_t resultFailed;  // confirmed, but ZANT_GetData did not return 0
  uint32_t cancelled;     // C pressed, or the wait was cancelled
  uint32_t timedOut;      // the key's countdown ran out
  uint32_t keyFailed;     // the key failed, or its state could not be read
};

struct ConfirmedOperation {
  WaitResult wait = WaitResult::kKeyError;
  uint32_t dataStatus = 0;  // the status of ZANT_GetData; only when wait is kConfirmed

  [[nodiscard]] bool Succeeded() const { return wait == WaitResult::kConfirmed && dataStatus == 0; }
  // 0 when the operation succeeded, else the caller's code for how it ended.
  [[nodiscard]] uint32_t Code(const WaitCodes& codes) const;
};

// The button wait followed, once confirmed, by ZANT_GetData(device, buffer, length, dataKind).
ConfirmedOperation ConfirmOnKey(ZANT_HANDLE device, uint32_t kind, uint8_t* buffer,
                                uint32_t* length, uint32_t dataKind,
                                const KeyStateOps& ops = DeviceLibraryKeyState());
// The same with a zeroed 32-byte buffer whose contents the caller does not need.
ConfirmedOperation ConfirmOnKey(ZANT_HANDLE device, uint32_t kind, uint32_t dataKind,
                                const KeyStateOps& ops = DeviceLibraryKeyState());

// The wait's decisions, for the dialog host.
class ButtonWaitLogic final : public platform::WaitLogic {
 public:
  ButtonWaitLogic(const KeyStateOps& ops, ZANT_HANDLE device) : ops_(ops), device_(device) {}

  // The exit request is honoured at the next tick; a lock or disconnect of the session, and
  // the session's end, end the wait at once; states as in ResultOfKeyState. A key that has not
  // decided 30 s after the longest countdown it showed (counted in ticks of 100 ms, one tenth of
  // a second each) ends the wait as timed out: a key stuck in "waiting", or in a state it does
  // not define, never holds the caller for good, with or without a window.
  platform::WaitStep OnTimer() override;
  platform::WaitStep OnExitRequest() override;
  platform::WaitStep OnSessionChange(uint32_t reason) override;
  platform::WaitStep OnQueryEndSession() override;

 private:
  const KeyStateOps& ops_;
  ZANT_HANDLE device_;
  bool exitRequested_ = false;
  uint32_t ticks_ = 0;
  uint32_t longestTenths_ = 0;
};

// The view of the wait for an operation kind, in the language the settings choose.
platform::WaitView ButtonWaitView(uint32_t kind);

}  // namespace kq::ui
