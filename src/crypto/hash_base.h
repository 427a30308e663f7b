#pragma once
// The software hash objects behind the provider's hash handles, the signature export and the
// request builder: one abstract engine with one class per algorithm.

#include <algorithm>
#include <cstdint>
#include <span>

namespace kq {

class CHashBase {
 public:
  CHashBase() = default;
  CHashBase(const CHashBase&) = delete;
  CHashBase& operator=(const CHashBase&) = delete;
  virtual ~CHashBase() = default;

  // Puts the object in its initial state; returns 0.
  virtual int Init() = 0;
  // Adds length bytes; a length of 0 leaves the state untouched (data may then be null).
  virtual void Update(const uint8_t* data, uint32_t length) = 0;
  // Writes GetDigestSize() bytes to out. The object is not reset: Init it before reuse.
  virtual void Final(uint8_t* out) = 0;
  virtual uint32_t GetDigestSize() = 0;
};

// Adds data of any length: a caller's size_t length (4 GiB and more on 64-bit systems) goes in
// pieces that Update's 32-bit length can hold, never cut to its low 32 bits.
inline void UpdateWhole(CHashBase& hash, std::span<const uint8_t> data) {
  constexpr size_t kPiece = size_t{1} << 30;
  for (size_t at = 0; at < data.size(); at += kPiece) {
    const size_t length = std::min(kPiece, data.size() - at);
    hash.Update(data.data() + at, static_cast<uint32_t>(length));
  }
}

}  // namespace kq
