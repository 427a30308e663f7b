#pragma once
// CryptoAPI key algorithm identifiers, key specs and blob types the provider knows.
// (The hash identifiers are with the hash numbering, in crypto/hash_alg.h.)

#include <cstdint>

namespace kq::provider {

inline constexpr uint32_t kAtKeyExchange = 1;
inline constexpr uint32_t kAtSignature = 2;

inline constexpr uint32_t kCalgRsaSign = 0x2400;
inline constexpr uint32_t kCalgRsaKeyx = 0xA400;
inline constexpr uint32_t kCalgDes = 0x6601;
inline constexpr uint32_t kCalgRc2 = 0x6602;
inline constexpr uint32_t kCalg3Des = 0x6603;
inline constexpr uint32_t kCalg3Des112 = 0x6609;
inline constexpr uint32_t kCalgRc4 = 0x6801;

inline constexpr uint8_t kSimpleBlob = 1;
inline constexpr uint8_t kPublicKeyBlob = 6;
inline constexpr uint8_t kPrivateKeyBlob = 7;
inline constexpr uint8_t kPlainTextKeyBlob = 8;

}  // namespace kq::provider
