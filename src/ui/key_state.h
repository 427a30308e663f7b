#pragma once
// How the confirmation waits ask the key about its button: ZANT_GetDevState with request 4 into a
// zeroed 32-byte buffer (byte 0 the state, bytes 1-2 the tenths of a second left, big-endian),
// and ZANT_GetData for the operation's result once the user confirmed. The two operations are a
// table so that a test can stand in for the key; the handle is passed through untouched.

#include <cstdint>
#include <optional>

#include "device/zant.h"
#include "platform/dialog_host.h"

namespace kq::ui {

struct KeyStateOps {
  uint32_t (*getDevState)(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t request);
  uint32_t (*getData)(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind);
};

// The operations of the device library (DeviceLibrary::Instance()).
const KeyStateOps& DeviceLibraryKeyState();

// Results of a confirmation wait.
enum class WaitResult : int {
  kConfirmed = 1,  // "OK" pressed: the caller fetches the operation's result
  kCancelled = 2,  // "C" pressed, the exit request arrived, or the session was locked or ended
  kTimedOut = 3,   // the key's own countdown ran out
  kKeyError = 4,   // the key reported state 0 or 5, or its state could not be read
};

struct KeyStateReading {
  uint8_t state = 0;
  uint16_t tenthsLeft = 0;
};

// One poll of the key; nullopt when the device library fails it (or lacks the operation).
std::optional<KeyStateReading> ReadKeyState(const KeyStateOps& ops, ZANT_HANDLE device);

// What a state means to a wait: nullopt while the key waits (state 1, and the undefined states
// 6 to 255); a result otherwise.
std::optional<WaitResult> ResultOfKeyState(uint8_t state);

// The seconds a countdown shows for the tenths left, truncated toward zero.
inline int32_t SecondsShown(uint16_t tenthsLeft) {
  return static_cast<int32_t>(tenthsLeft / 10);
}

// One tick of a wait: polls the key and ends with the result its state gives, or goes on waiting
// with the seconds left to show.
platform::WaitStep PollKey(const KeyStateOps& ops, ZANT_HANDLE device);

inline platform::WaitStep EndWait(WaitResult result) {
  return platform::WaitStep::End(static_cast<int>(result));
}

}  // namespace kq::ui
