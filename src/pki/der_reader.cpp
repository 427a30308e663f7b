#include "pki/der_reader.h"

namespace kq {

bool SkipDerSequenceHeader(ByteReader& reader) {
  uint8_t tag = 0;
  uint8_t lengthByte = 0;
  if (!reader.u8(tag) || !reader.u8(lengthByte)) {
    return false;
  }
  return lengthByte <= 0x80 || reader.skip(lengthByte & 0x7Fu);
}

bool ReadDerInteger(ByteReader& reader, std::span<const uint8_t>& content) {
  uint8_t tag = 0;
  uint8_t lengthByte = 0;
  if (!reader.u8(tag) || tag != 0x02 || !reader.u8(lengthByte)) {
    return false;
  }
  size_t length = lengthByte;
  if (lengthByte == 0x81) {
    uint8_t one = 0;
    if (!reader.u8(one)) {
      return false;
    }
    length = one;
  } else if (lengthByte == 0x82) {
    uint16_t two = 0;
    if (!reader.be16(two)) {
      return false;
    }
    length = two;
  } else if (lengthByte > 0x82) {
    return false;
  }
  return reader.take(length, content);
}

}  // namespace kq
