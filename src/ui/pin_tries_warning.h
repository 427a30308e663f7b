#pragma once
// The PIN-tries warning (CDlgDisplay): after earlier wrong PINs the key wants its "OK" button
// before it verifies a PIN (ZANT_VerifyPIN answered exactly 0x6100). The warning shows the tries
// left and polls the key every 50 ms until it decides. It has no countdown and ignores the exit
// request. The caller owns the open device handle and fetches the verification's status with
// ZANT_GetData once the result is kConfirmed.

#include <cstdint>

#include "device/zant.h"
#include "platform/dialog_host.h"
#include "ui/key_state.h"

namespace kq::ui {

WaitResult RunPinTriesWarning(ZANT_HANDLE device, uint32_t triesLeft,
                              const KeyStateOps& ops = DeviceLibraryKeyState());

// The warning's decisions, for the dialog host.
class PinTriesWarningLogic final : public platform::WaitLogic {
 public:
  PinTriesWarningLogic(const KeyStateOps& ops, ZANT_HANDLE device) : ops_(ops), device_(device) {}

  // Session changes (connect, disconnect, lock, unlock) and the session's end abort the warning
  // at its next tick; the exit request does not concern it.
  platform::WaitStep OnTimer() override;
  platform::WaitStep OnExitRequest() override { return platform::WaitStep::Continue(); }
  platform::WaitStep OnSessionChange(uint32_t reason) override;
  platform::WaitStep OnQueryEndSession() override;

 private:
  const KeyStateOps& ops_;
  ZANT_HANDLE device_;
  bool abortRequested_ = false;
};

// The view of the warning, in the catalogue's current language.
platform::WaitView PinTriesWarningView(uint32_t triesLeft);

}  // namespace kq::ui
