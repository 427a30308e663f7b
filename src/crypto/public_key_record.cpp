#include "crypto/public_key_record.h"

#include <algorithm>

#include "common/byte_reader.h"

namespace kq {

std::span<const uint8_t> PublicKeyRecord::ModulusBytes() const {
  return std::span<const uint8_t>(modulus).first(std::min<size_t>(bits / 8, kModulusRoom));
}

std::array<uint8_t, PublicKeyRecord::kEncodedSize> PublicKeyRecord::Encode() const {
  std::array<uint8_t, kEncodedSize> out{};
  for (size_t i = 0; i < 4; ++i) {
    out[i] = static_cast<uint8_t>(bits >> (8 * i));
  }
  std::copy(exponent.begin(), exponent.end(), out.begin() + 4);
  std::copy(modulus.begin(), modulus.end(), out.begin() + 8);
  return out;
}

bool PublicKeyRecord::Decode(std::span<const uint8_t> bytes, PublicKeyRecord& out) {
  ByteReader reader(bytes);
  std::span<const uint8_t> bitsField;
  std::span<const uint8_t> exponentField;
  std::span<const uint8_t> modulusField;
  if (!reader.take(4, bitsField) || !reader.take(4, exponentField) ||
      !reader.take(kModulusRoom, modulusField)) {
    return false;
  }
  out.bits = uint32_t{bitsField[0]} | (uint32_t{bitsField[1]} << 8) |
             (uint32_t{bitsField[2]} << 16) | (uint32_t{bitsField[3]} << 24);
  std::copy(exponentField.begin(), exponentField.end(), out.exponent.begin());
  std::copy(modulusField.begin(), modulusField.end(), out.modulus.begin());
  return true;
}

}  // namespace kq
