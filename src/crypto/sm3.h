#pragma once
// SM3 (GB/T 32905), the hash of every SM2 signature this system prepares. The context is the
// classic start / update / finish trio so that it can be kept by value anywhere; Sm3 wraps it for
// C++ callers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kq {

inline constexpr size_t kSm3DigestSize = 32;
inline constexpr size_t kSm3BlockSize = 64;

using Sm3Digest = std::array<uint8_t, kSm3DigestSize>;

struct Sm3Context {
  uint32_t total[2];              // bytes hashed so far: low word, high word
  uint32_t state[8];              // chaining words
  uint8_t buffer[kSm3BlockSize];  // the unfinished block
};

// Puts the context in its initial state (byte count 0, the standard IV).
void Sm3Starts(Sm3Context* ctx);
// Feeds length bytes; a length of 0 does nothing (data may then be null).
void Sm3Update(Sm3Context* ctx, const uint8_t* data, uint32_t length);
// Pads and writes the 32-byte digest (chaining words big-endian). The context must be started
// again before it is reused.
void Sm3Finish(Sm3Context* ctx, uint8_t* digest);

// C++ face of the same engine; inputs of any size.
class Sm3 {
 public:
  Sm3() { Sm3Starts(&ctx_); }
  void Reset() { Sm3Starts(&ctx_); }
  void Update(std::span<const uint8_t> data);
  // Writes the digest and leaves the object ready for a new message.
  Sm3Digest Final();

 private:
  Sm3Context ctx_;
};

// SM3 of one whole message.
Sm3Digest Sm3Hash(std::span<const uint8_t> data);

}  // namespace kq
