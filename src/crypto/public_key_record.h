#pragma once
// The host's form of an RSA public key, as the device library returns it and as key objects hold
// it: 264 bytes of modulus bits (32-bit little-endian), the public exponent (4 bytes big-endian)
// and the modulus (big-endian, the first bits/8 of 256 bytes of room).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kq {

struct PublicKeyRecord {
  static constexpr size_t kEncodedSize = 264;
  static constexpr size_t kModulusRoom = 256;

  uint32_t bits = 0;
  std::array<uint8_t, 4> exponent{};
  std::array<uint8_t, kModulusRoom> modulus{};

  // The modulus bytes in use: bits/8, at most the room of the record.
  [[nodiscard]] std::span<const uint8_t> ModulusBytes() const;

  [[nodiscard]] std::array<uint8_t, kEncodedSize> Encode() const;
  // Reads the 264-byte form; false when fewer bytes are given.
  [[nodiscard]] static bool Decode(std::span<const uint8_t> bytes, PublicKeyRecord& out);
};

}  // namespace kq
