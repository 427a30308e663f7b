#pragma once
// SM2 signature pre-processing (GB/T 32918.2): the user-identity digest Z over the recommended
// curve and the signer's public key, and the digest e = SM3(Z || M) that the key signs. The key
// only ever receives e.

#include <array>
#include <cstdint>
#include <span>

#include "crypto/sm3.h"

namespace kq {

// The identity every SM2 signature of this system uses: the 16 ASCII bytes "1234567812345678".
inline constexpr std::array<uint8_t, 16> kSm2DefaultIdentity = {
    '1', '2', '3', '4', '5', '6', '7', '8', '1', '2', '3', '4', '5', '6', '7', '8'};
inline constexpr size_t kSm2CoordinateSize = 32;

// Z = SM3(ENTL || identity || a || b || xG || yG || xA || yA) with ENTL fixed at 00 80 (128 bits).
// identity: 16 bytes; xA, yA: 32 bytes each, big-endian; out: 32 bytes.
// Returns 0, or -1 when a pointer is null.
int Sm2ComputeZ(const uint8_t* identity, const uint8_t* xA, const uint8_t* yA, uint8_t* out);

// e = SM3(Z || message); z: 32 bytes; a length of 0 or less hashes Z alone; out: 32 bytes.
// Returns 0, or -1 when z, message or out is null (a null message is refused even for length 0).
int Sm2ComputeE(const uint8_t* z, const uint8_t* message, int32_t messageLength, uint8_t* out);

// Z for any identity of 1 to 8191 bytes (ENTL is its length in bits); false when it has another
// length.
bool Sm2IdentityDigest(std::span<const uint8_t> identity,
                       std::span<const uint8_t, kSm2CoordinateSize> x,
                       std::span<const uint8_t, kSm2CoordinateSize> y, Sm3Digest& z);

// e for a message of any size under the default identity and the public key (x, y).
Sm3Digest Sm2MessageDigest(std::span<const uint8_t, kSm2CoordinateSize> x,
                           std::span<const uint8_t, kSm2CoordinateSize> y,
                           std::span<const uint8_t> message);

}  // namespace kq
