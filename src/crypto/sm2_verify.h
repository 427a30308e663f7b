#pragma once
// Verification of an SM2 signature (GB/T 32918.2) on the host, over mbed TLS's bignum and
// elliptic-curve arithmetic on the recommended curve. The digest e is the one sm2_prepare.h
// makes from the signer's key and the message.

#include <cstdint>
#include <span>

#include "crypto/sm2_prepare.h"

namespace kq {

// Checks the signature r || s (32 bytes each, big-endian) of the 32-byte digest e against the
// public point (x, y). False for any other size of e, a point off the curve, r or s outside
// 1..n-1, or a signature that does not match.
[[nodiscard]] bool Sm2Verify(std::span<const uint8_t, kSm2CoordinateSize> x,
                             std::span<const uint8_t, kSm2CoordinateSize> y,
                             std::span<const uint8_t> e,
                             std::span<const uint8_t, 2 * kSm2CoordinateSize> signature);

}  // namespace kq
