#pragma once
// Results of the device library (ISO 7816 status words in the low 16 bits) and of the
// PIN-entry library.

#include <cstdint>

namespace kq::dev {

inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kMissingOperation = 0xE0000001;   // library or operation not resolved
inline constexpr uint32_t kBufferTooSmallBir = 0xE0106700;  // ZANT_ReadBirCert: buffer too small
// DeviceSession: the reader name now stands for another key than the one the caller chose (or
// the chosen key no longer tells who it is); the handle was closed again.
inline constexpr uint32_t kKeyReplaced = 0xE0000002;
// DeviceSession: the lock that orders this key's users across processes cannot be taken (its
// folder or file is not safely ours); the key is not opened rather than used unordered.
inline constexpr uint32_t kKeyLockUnavailable = 0xE0000003;
// ListReaders: the device library, its listing operation or either call failed (a code of the
// store family's table, where callers meet it).
inline constexpr uint32_t kReaderListFailed = 0xF00F0002;

inline constexpr uint32_t kSwMemoryFailure = 0x6581;  // the key could not store a change
inline constexpr uint32_t kSwEndOfFile = 0x6282;      // fewer bytes than asked were read
inline constexpr uint32_t kSwWrongLength = 0x6700;
inline constexpr uint32_t kSwSecurityNotSatisfied = 0x6982;
inline constexpr uint32_t kSwPinLocked = 0x6983;
inline constexpr uint32_t kSwConditionsNotSatisfied = 0x6985;
// A key that enforces its usage: a transaction key (usage 2) signs only through the operation that
// shows the transaction and waits for "OK".
inline constexpr uint32_t kSwUsageRefused = 0x6986;
inline constexpr uint32_t kSwWrongData = 0x6A80;
inline constexpr uint32_t kSwFunctionNotSupported = 0x6A81;
inline constexpr uint32_t kSwFileNotFound = 0x6A82;
inline constexpr uint32_t kSwNotEnoughMemory = 0x6A84;
inline constexpr uint32_t kSwIncorrectP1P2 = 0x6A86;
inline constexpr uint32_t kSwKeyNotFound = 0x6A88;
inline constexpr uint32_t kSwWrongOffset = 0x6B00;
// 0x6B01 to 0x6B06: the key refused a transaction message it was to show and hash.
inline constexpr uint32_t kSwMessageBadParameter = 0x6B02;
inline constexpr uint32_t kSwMessageIllegal = 0x6B03;
inline constexpr uint32_t kSwMessageBadData = 0x6B04;
inline constexpr uint32_t kSwMessageBadLength = 0x6B05;  // the key will not hash it
inline constexpr uint32_t kSwFileExists = 0x6A89;
inline constexpr uint32_t kSwInsNotSupported = 0x6D00;
inline constexpr uint32_t kSwInvalidHandle = 0x6F01;  // soft key: closed or unknown handle
inline constexpr uint32_t kSwNoSuchReader = 0x6F02;   // soft key: no key has that reader name
inline constexpr uint32_t kSwUnknown = 0x6F00;
inline constexpr uint32_t kSwWaitButton = 0x6100;  // 0x61xx: the key waits for its button

[[nodiscard]] constexpr uint32_t StatusWord(uint32_t status) {
  return status & 0xFFFF;
}
[[nodiscard]] constexpr bool IsButtonWait(uint32_t status) {
  return (StatusWord(status) & 0xFF00) == 0x6100;
}
[[nodiscard]] constexpr bool IsWrongPin(uint32_t status) {
  return StatusWord(status) >= 0x6300 && StatusWord(status) <= 0x630F;
}

// Device states reported by ZANT_GetDevState (request 4), byte 0.
inline constexpr uint8_t kStateWaiting = 1;
inline constexpr uint8_t kStateOk = 2;
inline constexpr uint8_t kStateCancelled = 3;
inline constexpr uint8_t kStateTimedOut = 4;
inline constexpr uint8_t kStateFailed = 5;

}  // namespace kq::dev

namespace kq::pinentry {

inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kUnavailable = 0xD0100100;
inline constexpr uint32_t kCancelled = 0xD0100101;
inline constexpr uint32_t kEndedOnKey1 = 0xD0100108;
inline constexpr uint32_t kEndedOnKey2 = 0xD0100109;
inline constexpr uint32_t kEndedOnKey3 = 0xD010010A;
inline constexpr uint32_t kLocked = 0xD0106983;

}  // namespace kq::pinentry
