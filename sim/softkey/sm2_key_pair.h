#pragma once
// SM2 key pairs of the soft key (GB/T 32918): key generation and the signature over a finished
// digest e, on mbed TLS's bignum and elliptic-curve arithmetic over the recommended curve
// (crypto/sm2_curve.h). Signatures are checked with crypto/sm2_verify.h.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "common/secret.h"

namespace kq::sim {

inline constexpr size_t kSm2FieldSize = 32;
using Sm2Coordinate = std::array<uint8_t, kSm2FieldSize>;
using Sm2Signature = std::array<uint8_t, 2 * kSm2FieldSize>;  // r || s, big-endian

class Sm2KeyPair {
 public:
  Sm2KeyPair(Sm2KeyPair&&) noexcept;
  Sm2KeyPair& operator=(Sm2KeyPair&&) noexcept;
  ~Sm2KeyPair();

  static std::optional<Sm2KeyPair> Generate();
  // From the private scalar d (big-endian, at most 32 bytes); it must lie in 1..n-2.
  static std::optional<Sm2KeyPair> FromPrivate(std::span<const uint8_t> d);

  [[nodiscard]] Sm2Coordinate x() const;
  [[nodiscard]] Sm2Coordinate y() const;
  // d as 32 big-endian bytes, for the key's own file.
  [[nodiscard]] SecretBytes PrivateScalar() const;

  // The signature (r, s) of the 32-byte digest e with a fresh random k.
  [[nodiscard]] std::optional<Sm2Signature> Sign(std::span<const uint8_t> e) const;

 private:
  struct State;
  explicit Sm2KeyPair(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace kq::sim
