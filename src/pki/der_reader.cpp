#include "pki/der_reader.h"

#include <algorithm>

namespace kq {

namespace {

constexpr uint8_t kDerInteger = 0x02;
constexpr uint8_t kDerSequence = 0x30;

// A non-negative INTEGER's content right-aligned in out.
bool PlaceUnsigned(std::span<const uint8_t> content, std::span<uint8_t> out) {
  if (content.empty() || (content[0] & 0x80u) != 0) {
    return false;
  }
  while (content.size() > 1 && content[0] == 0) {
    content = content.subspan(1);
  }
  if (content.size() > out.size()) {
    return false;
  }
  std::fill(out.begin(), out.end(), uint8_t{0});
  std::copy(content.begin(), content.end(),
            out.end() - static_cast<std::ptrdiff_t>(content.size()));
  return true;
}

}  // namespace

size_t DerSequenceLengthFromHeader(const uint8_t* der) {
  if (der == nullptr || der[0] != kDerSequence) {
    return 0;
  }
  const uint8_t first = der[1];
  if (first < 0x80) {
    return size_t{first} + 2;
  }
  const size_t count = first & 0x7Fu;
  if (count == 0 || count > 4) {
    return 0;
  }
  size_t length = 0;
  for (size_t i = 0; i < count; ++i) {
    length = (length << 8) | der[2 + i];
  }
  return length + 2 + count;
}

bool ReadDerElement(ByteReader& reader, uint8_t tag, std::span<const uint8_t>& content,
                    std::span<const uint8_t>* element) {
  const std::span<const uint8_t> start = reader.rest();
  uint8_t found = 0;
  uint8_t lengthByte = 0;
  if (!reader.u8(found) || found != tag || !reader.u8(lengthByte)) {
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
  const size_t headerSize = start.size() - reader.remaining();
  if (!reader.take(length, content)) {
    return false;
  }
  if (element != nullptr) {
    *element = start.first(headerSize + length);
  }
  return true;
}

bool ReadDerInteger(ByteReader& reader, std::span<const uint8_t>& content) {
  return ReadDerElement(reader, kDerInteger, content);
}

bool ReadDerSequence(ByteReader& reader, std::span<const uint8_t>& content) {
  return ReadDerElement(reader, kDerSequence, content);
}

bool ReadDerSm2Signature(std::span<const uint8_t> der, std::array<uint8_t, 64>& rs) {
  ByteReader outer(der);
  std::span<const uint8_t> sequence;
  std::span<const uint8_t> r;
  std::span<const uint8_t> s;
  if (!ReadDerSequence(outer, sequence) || !outer.empty()) {
    return false;
  }
  ByteReader reader(sequence);
  if (!ReadDerInteger(reader, r) || !ReadDerInteger(reader, s) || !reader.empty()) {
    return false;
  }
  return PlaceUnsigned(r, std::span(rs).first(32)) && PlaceUnsigned(s, std::span(rs).last(32));
}

}  // namespace kq
