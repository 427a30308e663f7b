#include "device/login.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/codes_device.h"
#include "device/info_answers.h"
#include "device/pin_verification.h"
#include "device/ui_library.h"
#include "platform/message_box.h"
#include "platform/system_facts.h"
#include "ui/catalogue.h"
#include "ui/notifications.h"
#include "ui/settings.h"

namespace kq {

namespace {

// Flag bits of the login block: bits 0 and 2 always, bit 1 for the secure desktop.
constexpr uint32_t kLoginFlagsAlways = 0x1 | 0x4;
constexpr uint32_t kLoginFlagSecureDesktop = 0x2;

// Mode 1: the key reports its PIN as verified (ZANT_GetPINInfo kind 1, byte 1 equal to 1).
bool PinAlreadyVerified(const DeviceSession& session) {
  std::array<uint8_t, 32> info{};
  uint32_t length = static_cast<uint32_t>(info.size());
  if (session.GetPINInfo(info.data(), &length, 1) != dev::kOk) {
    return false;
  }
  const auto pin = DecodePinInfo(std::span(info).first(std::min<size_t>(length, info.size())));
  return pin && pin->verified;
}

void ShowPinMessage(const std::u16string& text) {
  platform::ShowMessageBox(text, ui::GetMessage(ui::msg::kVerifyPinCaption),
                           {platform::MessageBoxIcon::kWarning, true, nullptr});
}

UiLoginRequest BuildRequest(std::string_view readerName) {
  UiLoginRequest request{};
  request.parentWindow = platform::ActiveWindow();
  request.flags = kLoginFlagsAlways;
  (void)ui::ReadSecureDesktopSetting();
  if (ui::SecureDesktopEnabled()) {
    request.flags |= kLoginFlagSecureDesktop;
  }
  // The field is zero-filled and the name cut so that its NUL always fits inside it.
  const size_t length = std::min(readerName.size(), sizeof(request.readerName) - 1);
  std::memcpy(request.readerName, readerName.data(), length);
  return request;
}

void UpperCaseInPlace(std::string& text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
}

// Announces a PIN event; false when the reader name carries no reader number, which ends the
// login (only while the broadcast message is registered).
bool Announce(uint32_t refreshPin, std::string& readerName, bool upperCase, uint8_t lowByte) {
  if (refreshPin == 0) {
    return true;
  }
  if (upperCase) {
    UpperCaseInPlace(readerName);
  }
  return ui::BroadcastRefreshPin(refreshPin, readerName, lowByte);
}

// The protocol on an open session. `readerName` is upper-cased in place before each reader-name
// check when `upperCase` is set.
LoginResult RunLogin(DeviceSession& session, std::string& readerName, bool upperCase,
                     LoginMode mode) {
  if (mode == LoginMode::kIfNotLoggedIn && PinAlreadyVerified(session)) {
    session.memory().RememberLogin();
    return {LoginOutcome::kSuccess, false};
  }
  // The reader name is all the PIN entry gets: the key must prove to be the same one afterwards.
  if (session.LearnIdentity() != dev::kOk) {
    return {LoginOutcome::kKeyReplaced, false};
  }
  session.Suspend();  // the PIN-entry library uses the key alone

  UiLoginRequest request = BuildRequest(readerName);
  const uint32_t refreshPin = ui::RefreshPinMessage();
  const UiLibrary& library = UiLibrary::Instance();

  const auto announce = [&](uint8_t lowByte) {
    return Announce(refreshPin, readerName, upperCase, lowByte);
  };

  uint32_t status = library.Login(request);
  while (dev::IsWrongPin(status)) {
    if (!announce(static_cast<uint8_t>(status & 0xFF))) {
      return {LoginOutcome::kReaderNameUnusable, false};
    }
    ShowPinMessage(ui::FormatMessage(ui::msg::kWrongPinTriesLeft, status & 0xF));
    status = library.Login(request);
  }

  switch (status) {
    case pinentry::kOk:
      break;
    case pinentry::kCancelled:
    case pinentry::kEndedOnKey1:
    case pinentry::kEndedOnKey2:
    case pinentry::kEndedOnKey3:
      return {LoginOutcome::kCancelled, false};
    case pinentry::kLocked:
      ShowPinMessage(ui::GetMessage(ui::msg::kPinLocked));
      return {LoginOutcome::kLocked, false};
    default:
      ShowPinMessage(ui::FormatMessage(ui::msg::kPinEntryFailed, status));
      return {LoginOutcome::kFailed, false};
  }

  if (!announce(ui::kLoginSucceededLowByte)) {
    return {LoginOutcome::kReaderNameUnusable, true};
  }
  if (const uint32_t reopened = session.Open(readerName); reopened != dev::kOk) {
    session.Close();
    return {
        reopened == dev::kKeyReplaced ? LoginOutcome::kKeyReplaced : LoginOutcome::kReopenFailed,
        true};
  }
  session.memory().RememberLogin();
  return {LoginOutcome::kSuccess, true};
}

}  // namespace

LoginResult LoginWithPin(DeviceSession& session, std::string& readerName,
                         std::span<const char> pin) {
  if (!session.isOpen()) {
    return {LoginOutcome::kNoSession, false};
  }
  const uint32_t refreshPin = ui::RefreshPinMessage();
  const PinCheckResult check = VerifyPinOnKey(session, pin);
  switch (check.outcome) {
    case PinCheck::kVerified:
      if (!Announce(refreshPin, readerName, false, ui::kLoginSucceededLowByte)) {
        return {LoginOutcome::kReaderNameUnusable, true};
      }
      session.memory().RememberLogin();
      return {LoginOutcome::kSuccess, true};
    case PinCheck::kWrongPin:
      if (!Announce(refreshPin, readerName, false, check.triesLeft)) {
        return {LoginOutcome::kReaderNameUnusable, false};
      }
      ShowPinMessage(ui::FormatMessage(ui::msg::kWrongPinTriesLeft, check.triesLeft));
      return {LoginOutcome::kWrongPin, false};
    case PinCheck::kLocked:
    case PinCheck::kLockedNow:
      ShowPinMessage(ui::GetMessage(ui::msg::kPinLocked));
      return {LoginOutcome::kLocked, false};
    case PinCheck::kNotConfirmed:
      return {LoginOutcome::kCancelled, false};
    case PinCheck::kFailed:
      break;
  }
  ShowPinMessage(ui::FormatMessage(ui::msg::kPinEntryFailed, 0));
  return {LoginOutcome::kFailed, false};
}

LoginResult Login(DeviceSession& session, std::string& readerName, LoginMode mode,
                  ReaderNameCase nameCase) {
  if (!session.isOpen()) {
    return {LoginOutcome::kNoSession, false};
  }
  const LoginResult result =
      RunLogin(session, readerName, nameCase == ReaderNameCase::kUpperCase, mode);
  if (result.outcome != LoginOutcome::kSuccess) {
    session.Close();
  }
  return result;
}

}  // namespace kq
