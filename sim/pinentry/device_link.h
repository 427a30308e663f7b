#pragma once
// The PIN-entry library's own way to the key: the device library loaded by name through the
// platform's ordinary search (libKQORV_Zantu.so, KQORV_Zantu.dll), so that whatever device
// library the caller uses is the one this library talks to.

#include <cstdint>

#include "device/zant.h"
#include "platform/dynamic_library.h"

namespace kq::sim {

struct DeviceLink {
  // Loaded on first use and kept until the process ends.
  static const DeviceLink& Instance();

  [[nodiscard]] bool ready() const;

  // The device calls this thread made through the link since the last take: every call below
  // counts one, so that tests can tell this library's calls from its caller's.
  static void CountCall();
  static int64_t TakeCallCount();

  platform::DynamicLibrary library;
  decltype(&ZANT_OpenDev) OpenDev = nullptr;
  decltype(&ZANT_CloseDev) CloseDev = nullptr;
  decltype(&ZANT_VerifyPIN) VerifyPIN = nullptr;
  decltype(&ZANT_ChangePIN) ChangePIN = nullptr;
  decltype(&ZANT_GetDevState) GetDevState = nullptr;
  decltype(&ZANT_GetData) GetData = nullptr;
};

// A handle of the PIN-entry library's own, closed on every path out.
class LinkedKey {
 public:
  explicit LinkedKey(const DeviceLink& link) : link_(link) {}
  LinkedKey(const LinkedKey&) = delete;
  LinkedKey& operator=(const LinkedKey&) = delete;
  ~LinkedKey() {
    if (handle_ != nullptr) {
      DeviceLink::CountCall();
      link_.CloseDev(handle_, 0);
    }
  }
  uint32_t Open(const char* readerName) {
    DeviceLink::CountCall();
    return link_.OpenDev(&handle_, readerName, 0);
  }
  [[nodiscard]] ZANT_HANDLE handle() const { return handle_; }

 private:
  const DeviceLink& link_;
  ZANT_HANDLE handle_ = nullptr;
};

// Runs the key's button wait to its end (polling every 100 ms, as the key counts tenths of a
// second) and returns the PIN-entry status: the mapped result of ZANT_GetData after "OK", or
// 0xD0100108 ("C"), 0xD0100109 (timed out), 0xD010010A (the key failed).
uint32_t RunKeyWait(const DeviceLink& link, ZANT_HANDLE handle);

// A device status as a PIN-entry status: 0 stays 0, a status word gets 0xD010 above it, and a
// missing operation means PIN entry is unavailable.
uint32_t PinEntryStatus(uint32_t deviceStatus);

}  // namespace kq::sim
