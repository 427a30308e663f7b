#include "device/info_answers.h"

#include "common/byte_reader.h"

namespace kq {

std::optional<PinInfo> DecodePinInfo(std::span<const uint8_t> answer) {
  ByteReader reader(answer);
  PinInfo info;
  uint8_t verified = 0;
  if (!reader.u8(info.triesAllowed) || !reader.u8(verified) || !reader.u8(info.triesLeft)) {
    return std::nullopt;
  }
  info.verified = verified == 1;
  return info;
}

std::optional<uint16_t> DecodeLargestFileSize(std::span<const uint8_t> answer) {
  ByteReader reader(answer);
  uint16_t largest = 0;
  if (!reader.skip(2) || !reader.ne16(largest)) {
    return std::nullopt;
  }
  return largest;
}

std::optional<SpaceInfo> DecodeSpaceInfo(std::span<const uint8_t> answer) {
  ByteReader reader(answer);
  SpaceInfo info;
  if (!reader.skip(2) || !reader.ne16(info.capacity) || !reader.skip(6) ||
      !reader.ne16(info.freeBytes)) {
    return std::nullopt;
  }
  return info;
}

}  // namespace kq
