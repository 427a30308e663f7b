#pragma once
// The DER DigestInfo that PKCS #1 v1.5 signatures carry before the digest, by the key's hash
// number, and the reverse: which hash a caller's DigestInfo names.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "crypto/hash_alg.h"

namespace kq {

struct DigestInfoPrefix {
  size_t digestLength;
  std::span<const uint8_t> prefix;  // DER of DigestInfo up to the digest's bytes
};

// By hash number; the SSL3 pair (0) is signed bare, without a DigestInfo.
extern const std::array<DigestInfoPrefix, 7> kDigestInfoPrefixes;

// The hash of a DigestInfo of MD5, SHA-1 or SHA-2 (exactly prefix and digest), or of the bare
// 36-byte MD5 and SHA-1 pair; `digest` then views the digest. Nothing for any other input.
std::optional<HashAlg> HashOfDigestInfo(std::span<const uint8_t> input,
                                        std::span<const uint8_t>& digest);

}  // namespace kq
