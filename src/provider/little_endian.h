#pragma once
// CryptoAPI blobs and parameters hold their numbers least significant byte first.

#include <cstdint>
#include <span>

#include "common/byte_reader.h"

namespace kq::provider {

[[nodiscard]] inline bool ReadLe32(ByteReader& reader, uint32_t& out) {
  std::span<const uint8_t> bytes;
  if (!reader.take(4, bytes)) {
    return false;
  }
  out = uint32_t{bytes[0]} | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
        (uint32_t{bytes[3]} << 24);
  return true;
}

inline void WriteLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

}  // namespace kq::provider
