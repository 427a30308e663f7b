// The soft PIN-entry library: UI_LoginA verifies a PIN on the named key with a handle of its own
// and holds no handle when it returns; UI_ChangePinA changes the PIN the same way.

#include <cstring>
#include <filesystem>
#include <string>

#include "common/codes_device.h"
#include "device/pinentry.h"
#include "pinentry/device_link.h"
#include "pinentry/pin_answers.h"
#include "pinentry/swap_hook.h"
#include "softkey/call_counters.h"
#include "softkey/root_lock.h"
#include "softkey/soft_key_root.h"

using namespace kq;
using namespace kq::sim;

namespace {

constexpr size_t kReaderField = sizeof(UiLoginRequest::readerName);

// The reader name ends at its NUL, and never past its field.
std::string ReaderNameOf(const UiLoginRequest& request) {
  return std::string(request.readerName, strnlen(request.readerName, kReaderField));
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

// Adds this entry's device calls to the soft-key root's count of the PIN entry's own calls.
void CountOwnCalls(int64_t calls) {
  const std::filesystem::path root = SoftKeyRoot();
  std::error_code error;
  if (calls == 0 || !std::filesystem::is_directory(root, error)) {
    return;
  }
  const platform::FileLock lock = LockRoot(root);
  if (lock.locked()) {
    AddToCounters(root, {{kPinEntryCallsCounter, calls}});
  }
}

// The frame of both entries: the request checked, the device library reached, no exception out.
template <typename Entry>
uint32_t RunEntry(UiLoginRequest* request, Entry entry) {
  try {
    if (request == nullptr) {
      return PinEntryStatus(dev::kSwWrongData);
    }
    const DeviceLink& link = DeviceLink::Instance();
    if (!link.ready()) {
      return pinentry::kUnavailable;
    }
    const uint32_t status = entry(link, ReaderNameOf(*request));
    CountOwnCalls(DeviceLink::TakeCallCount());
    return status;
  } catch (...) {
    return PinEntryStatus(dev::kSwUnknown);
  }
}

// Opens the key on a handle of this library's own, runs the operation and, when the key asks
// for it, its button wait; the handle is closed on the way out.
template <typename Operation>
uint32_t OnOwnHandle(const DeviceLink& link, const std::string& reader, Operation operation) {
  LinkedKey key(link);
  if (const uint32_t opened = key.Open(reader.c_str()); opened != dev::kOk) {
    return PinEntryStatus(opened);
  }
  const uint32_t status = operation(key.handle());
  if (dev::IsButtonWait(status)) {
    return RunKeyWait(link, key.handle());
  }
  return PinEntryStatus(status);
}

}  // namespace

extern "C" uint32_t UI_LoginA(UiLoginRequest* request) {
  return RunEntry(request, [](const DeviceLink& link, const std::string& reader) -> uint32_t {
    RunPinSwapHook();  // tests only: a key swapped while the prompt is up
    SecretString pin;
    if (const uint32_t asked = AskForPin("PIN for " + reader + ": ", pin); asked != 0) {
      return asked;
    }
    return OnOwnHandle(link, reader, [&](ZANT_HANDLE handle) {
      DeviceLink::CountCall();
      return link.VerifyPIN(handle, pin.c_str(), static_cast<uint32_t>(pin.size()));
    });
  });
}

extern "C" uint32_t UI_ChangePinA(UiLoginRequest* request) {
  return RunEntry(request, [](const DeviceLink& link, const std::string& reader) -> uint32_t {
    SecretString oldPin;
    SecretString newPin;
    if (const uint32_t asked = AskForPin("Current PIN for " + reader + ": ", oldPin); asked != 0) {
      return asked;
    }
    if (const uint32_t asked = AskForPin("New PIN for " + reader + ": ", newPin); asked != 0) {
      return asked;
    }
    return OnOwnHandle(link, reader, [&](ZANT_HANDLE handle) {
      DeviceLink::CountCall();
      return link.ChangePIN(handle, oldPin.c_str(), static_cast<uint32_t>(oldPin.size()),
                            newPin.c_str(), static_cast<uint32_t>(newPin.size()), 0);
    });
  });
}
