// The soft PIN-entry library: UI_LoginA verifies a PIN on the named key with a handle of its own
// and holds no handle when it returns; UI_ChangePinA changes the PIN the same way.

#include <cstring>
#include <string>

#include "common/codes_device.h"
#include "device/pinentry.h"
#include "pinentry/device_link.h"
#include "pinentry/pin_answers.h"

using namespace kq;
using namespace kq::sim;

namespace {

constexpr size_t kReaderField = sizeof(UiLoginRequest::readerName);

// The reader name ends at its NUL, and never past its field.
std::string ReaderNameOf(const UiLoginRequest& request) {
  return std::string(request.readerName, strnlen(request.readerName, kReaderField));
}

uint32_t FinishWithWait(const DeviceLink& link, ZANT_HANDLE handle, uint32_t status) {
  if (dev::IsButtonWait(status)) {
    return RunKeyWait(link, handle);
  }
  return PinEntryStatus(status);
}

// Takes one answer; on a PIN returns 0 and fills pin, otherwise the status to return.
uint32_t AskForPin(const std::string& prompt, SecretString& pin) {
  PinAnswer answer = NextPinAnswer(prompt);
  switch (answer.kind) {
    case PinAnswerKind::kPin:
      pin = std::move(answer.pin);
      return pinentry::kOk;
    case PinAnswerKind::kCancel:
      return pinentry::kCancelled;
    case PinAnswerKind::kUnavailable:
      break;
  }
  return pinentry::kUnavailable;
}

}  // namespace

extern "C" uint32_t UI_LoginA(UiLoginRequest* request) {
  try {
    if (request == nullptr) {
      return PinEntryStatus(dev::kSwWrongData);
    }
    const DeviceLink& link = DeviceLink::Instance();
    if (!link.ready()) {
      return pinentry::kUnavailable;
    }
    const std::string reader = ReaderNameOf(*request);
    SecretString pin;
    if (const uint32_t asked = AskForPin("PIN for " + reader + ": ", pin); asked != 0) {
      return asked;
    }
    LinkedKey key(link);
    if (const uint32_t opened = key.Open(reader.c_str()); opened != dev::kOk) {
      return PinEntryStatus(opened);
    }
    const uint32_t status =
        link.VerifyPIN(key.handle(), pin.c_str(), static_cast<uint32_t>(pin.size()));
    return FinishWithWait(link, key.handle(), status);
  } catch (...) {
    return PinEntryStatus(dev::kSwUnknown);
  }
}

extern "C" uint32_t UI_ChangePinA(UiLoginRequest* request) {
  try {
    if (request == nullptr) {
      return PinEntryStatus(dev::kSwWrongData);
    }
    const DeviceLink& link = DeviceLink::Instance();
    if (!link.ready()) {
      return pinentry::kUnavailable;
    }
    const std::string reader = ReaderNameOf(*request);
    SecretString oldPin;
    SecretString newPin;
    if (const uint32_t asked = AskForPin("Current PIN for " + reader + ": ", oldPin); asked != 0) {
      return asked;
    }
    if (const uint32_t asked = AskForPin("New PIN for " + reader + ": ", newPin); asked != 0) {
      return asked;
    }
    LinkedKey key(link);
    if (const uint32_t opened = key.Open(reader.c_str()); opened != dev::kOk) {
      return PinEntryStatus(opened);
    }
    const uint32_t status =
        link.ChangePIN(key.handle(), oldPin.c_str(), static_cast<uint32_t>(oldPin.size()),
                       newPin.c_str(), static_cast<uint32_t>(newPin.size()), 0);
    return FinishWithWait(link, key.handle(), status);
  } catch (...) {
    return PinEntryStatus(dev::kSwUnknown);
  }
}
