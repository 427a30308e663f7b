#pragma once
// The size-query rule of the tool exports: a null buffer asks for the size (stored, result 0); a
// buffer whose stated length is below the size stores the size and fails with the export's own
// code; otherwise the bytes are copied and their count stored.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <span>

namespace kq::tools {

// The caller's length as a byte count; a negative signed length counts as 0.
template <typename Length>
[[nodiscard]] uint64_t CallerLength(const Length* length) {
  if constexpr (std::numeric_limits<Length>::is_signed) {
    return *length < 0 ? 0 : static_cast<uint64_t>(*length);
  } else {
    return static_cast<uint64_t>(*length);
  }
}

template <typename Length>
void StoreLength(Length* length, uint64_t size) {
  *length = static_cast<Length>(std::min<uint64_t>(size, std::numeric_limits<Length>::max()));
}

// Copies bytes (with no terminator of its own) under the rule above. length must not be null.
template <typename Byte, typename Length>
uint32_t DeliverBytes(std::span<const uint8_t> bytes, Byte* buffer, Length* length,
                      uint32_t tooSmallStatus) {
  static_assert(sizeof(Byte) == 1);
  if (buffer == nullptr) {
    StoreLength(length, bytes.size());
    return 0;
  }
  if (CallerLength(length) < bytes.size()) {
    StoreLength(length, bytes.size());
    return tooSmallStatus;
  }
  std::copy(bytes.begin(), bytes.end(), reinterpret_cast<uint8_t*>(buffer));
  StoreLength(length, bytes.size());
  return 0;
}

}  // namespace kq::tools
