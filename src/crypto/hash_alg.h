#pragma once
// The hash number the key's signing operations receive, and the ways callers reach it: by a hash
// name from a tool caller, or by a CryptoAPI algorithm id from the provider's hash objects.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kq {

// The numbers are the device library's; they select the DigestInfo of a PKCS #1 signature.
enum class HashAlg : uint32_t {
  kSsl3ShaMd5 = 0,  // the 36-byte SHA-1 and MD5 pair of SSL3 (CALG_SSL3_SHAMD5)
  kSha1 = 1,
  kSha256 = 2,
  kSha384 = 3,
  kSha512 = 4,
  kMd5 = 5,
  kSm3 = 6,  // always with the SM2 pre-processing: the key signs e = SM3(Z || M)
};

inline constexpr uint32_t kMaxHashDigestSize = 64;

// Digest length in bytes: 36, 20, 32, 48, 64, 16, 32.
constexpr uint32_t HashAlgDigestSize(HashAlg alg) {
  switch (alg) {
    case HashAlg::kSsl3ShaMd5:
      return 36;
    case HashAlg::kSha1:
      return 20;
    case HashAlg::kSha256:
      return 32;
    case HashAlg::kSha384:
      return 48;
    case HashAlg::kSha512:
      return 64;
    case HashAlg::kMd5:
      return 16;
    case HashAlg::kSm3:
      return 32;
  }
  return 0;
}

// The HashAlg of a number received from outside, or nothing when it is not one of 0 to 6.
std::optional<HashAlg> HashAlgFromNumber(uint32_t number);

// Recognises "SHA1", "SHA256", "SHA384", "SHA512", "MD5", "SM3" in that order, without regard to
// letter case; the name only has to begin with one of them ("sha1-anything" is SHA-1). Reads at
// most nameLength bytes and stops at a NUL; a null name or a length of 0 or less gives false.
bool HashAlgFromName(const char* name, int32_t nameLength, HashAlg* alg);
std::optional<HashAlg> HashAlgFromName(std::string_view name);

// CryptoAPI algorithm ids of the hashes the provider knows.
inline constexpr uint32_t kCalgMd5 = 0x8003;
inline constexpr uint32_t kCalgSha1 = 0x8004;
inline constexpr uint32_t kCalgSsl3ShaMd5 = 0x8008;
inline constexpr uint32_t kCalgHmac = 0x8009;
inline constexpr uint32_t kCalgSha256 = 0x800C;
inline constexpr uint32_t kCalgSha384 = 0x800D;
inline constexpr uint32_t kCalgSha512 = 0x800E;

// A CryptoAPI hash id the provider's hash objects accept, with what it means for signing.
struct CryptoApiHash {
  uint32_t algId;
  HashAlg hashAlg;      // given to the key when the hash is signed
  uint32_t digestSize;  // bytes
  bool hashedOnHost;    // false for CALG_SSL3_SHAMD5, whose value the caller sets
};

// The entry for algId, or null for HMAC and every id that is not a hash the provider knows.
const CryptoApiHash* FindCryptoApiHash(uint32_t algId);

}  // namespace kq
