#pragma once
// What the key answers to ZANT_GetPINInfo and ZANT_GetDevInfo, read field by field through
// ByteReader. Each decoder takes the answer as its caller chose to read it (the bytes the key
// reported, or the whole zeroed buffer where an export reads it whatever the key reports) and
// gives nothing when the answer is too short for its fields.

#include <cstdint>
#include <optional>
#include <span>

namespace kq {

// ZANT_GetPINInfo, kinds 0 and 1.
struct PinInfo {
  uint8_t triesAllowed = 0;
  bool verified = false;
  uint8_t triesLeft = 0;
};
std::optional<PinInfo> DecodePinInfo(std::span<const uint8_t> answer);

// ZANT_GetDevInfo: the buffer the key fills, and the two kinds the system asks for. The 16-bit
// values are in the machine's own byte order.
inline constexpr uint32_t kDevInfoSize = 20;
inline constexpr uint32_t kDevInfoStorage = 0;  // bytes 2-3: the largest file the key accepts
inline constexpr uint32_t kDevInfoSpace = 2;    // bytes 2-3: capacity; 10-11: free bytes

std::optional<uint16_t> DecodeLargestFileSize(std::span<const uint8_t> answer);

struct SpaceInfo {
  uint16_t capacity = 0;
  uint16_t freeBytes = 0;
};
std::optional<SpaceInfo> DecodeSpaceInfo(std::span<const uint8_t> answer);

}  // namespace kq
