#pragma once
// Verification of an RSA PKCS #1 v1.5 signature on the host, with the public key as the key
// returns it.

#include <cstdint>
#include <span>

#include "crypto/public_key_record.h"

namespace kq {

// Verifies a signature in CryptoAPI byte order (least significant byte first) over a digest made
// with the hash of number hashAlg (0 SSL3 SHA-1+MD5 pair, 1 SHA-1, 2 SHA-256, 3 SHA-384,
// 4 SHA-512, 5 MD5, 6 SM3). The whole encoded block is checked: 00 01, at least eight FF bytes,
// 00, then either the hash's DigestInfo and the digest, or the bare digest (as CryptSignHash makes
// with CRYPT_NOHASHOID; the SSL3 pair is always bare).
// Returns 0; NTE_BAD_KEY when the key does not load or the RSA operation fails; NTE_BAD_SIGNATURE
// when the signature is not as long as the modulus or the block is not the expected one;
// NTE_BAD_ALGID for an unknown hash number.
uint32_t RsaVerifyDigest(const PublicKeyRecord& record, uint32_t hashAlg,
                         std::span<const uint8_t> signature, std::span<const uint8_t> digest);

}  // namespace kq
