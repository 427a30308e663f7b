#pragma once
// The key pairs in the key's slots 1 to 5, as the device reports them, and their deletion.

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_session.h"

namespace kq::store {

inline constexpr uint8_t kFirstKeyNumber = 1;
inline constexpr uint8_t kLastKeyNumber = 5;

[[nodiscard]] constexpr bool IsKeyNumber(uint32_t keyNumber) {
  return keyNumber >= kFirstKeyNumber && keyNumber <= kLastKeyNumber;
}

// Algorithm nibbles of the device's key flags.
inline constexpr uint8_t kAlgorithmRsa1024 = 1;
inline constexpr uint8_t kAlgorithmRsa2048 = 2;
inline constexpr uint8_t kAlgorithmSm2 = 3;

// Usages of a listed key.
inline constexpr uint8_t kUsageNone = 0;
inline constexpr uint8_t kUsageExchange = 1;
inline constexpr uint8_t kUsageSignature = 2;

// One key shown in lists (the key deletion dialog, the certificate listing).
struct KeyListEntry {
  uint8_t keyNumber = 0xFF;
  uint8_t algorithm = 0;  // flags AND 0xF
  uint8_t usage = kUsageNone;
  uint8_t deviceUsage = 1;  // bits 4 to 7 of the flags, plus one
  uint32_t keyBits = 0;
  std::string subject;        // code page 936
  std::string containerName;  // code page 936
};

// The keys present in slots 1 to 5 in order; an empty slot (0x6A88) is passed over. Any other
// failure of the device ends the listing with kListingFailed.
uint32_t ListDeviceKeys(const DeviceSession& session, std::vector<KeyListEntry>& keys);

// Deletes the key pair in a device slot, with the button confirmation when the key asks for it
// (kind 4, key deletion). A pair that is not there counts as deleted. Results: 0; 0x8010006E
// cancelled on the key; 0x8010000A timed out; 0x80090020 for any other failure.
uint32_t DeleteDeviceKeyPair(const DeviceSession& session, uint32_t keyNumber);

}  // namespace kq::store
