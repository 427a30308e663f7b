#pragma once
// The software hash objects behind the provider's hash handles, the signature export and the
// request builder: one abstract engine with one class per algorithm.

#include <cstdint>

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

}  // namespace kq
