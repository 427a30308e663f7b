#include "crypto/rsa_verify.h"

#include <mbedtls/rsa.h>

#include <algorithm>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "crypto/digest_info.h"

namespace kq {

namespace {

class RsaPublicKey {
 public:
  RsaPublicKey() { mbedtls_rsa_init(&rsa_, MBEDTLS_RSA_PKCS_V15, 0); }
  RsaPublicKey(const RsaPublicKey&) = delete;
  RsaPublicKey& operator=(const RsaPublicKey&) = delete;
  ~RsaPublicKey() { mbedtls_rsa_free(&rsa_); }

  // Loads N and E and checks them (N odd, 128 to 4096 bits, E odd and above 1).
  bool Load(const PublicKeyRecord& record) {
    const std::span<const uint8_t> modulus = record.ModulusBytes();
    if (modulus.empty() || record.bits / 8 > PublicKeyRecord::kModulusRoom ||
        mbedtls_rsa_import_raw(&rsa_, modulus.data(), modulus.size(), nullptr, 0, nullptr, 0,
                               nullptr, 0, record.exponent.data(), record.exponent.size()) != 0 ||
        mbedtls_rsa_complete(&rsa_) != 0 || mbedtls_rsa_check_pubkey(&rsa_) != 0) {
      return false;
    }
    // The record's bit count must describe its modulus: no leading zero bytes.
    return mbedtls_rsa_get_len(&rsa_) == modulus.size();
  }

  bool Public(const uint8_t* input, uint8_t* output) {
    return mbedtls_rsa_public(&rsa_, input, output) == 0;
  }

 private:
  mbedtls_rsa_context rsa_;
};

// The PKCS #1 v1.5 signature block of the given length holding prefix and digest; empty when they
// leave no room for the 00 01, eight FF bytes and 00 in front.
std::vector<uint8_t> ExpectedBlock(size_t length, std::span<const uint8_t> prefix,
                                   std::span<const uint8_t> digest) {
  const size_t payload = prefix.size() + digest.size();
  if (length < payload + 11) {
    return {};
  }
  std::vector<uint8_t> expected(length, 0xFF);
  expected[0] = 0x00;
  expected[1] = 0x01;
  const auto payloadAt = expected.begin() + static_cast<std::ptrdiff_t>(length - payload);
  payloadAt[-1] = 0x00;
  std::copy(digest.begin(), digest.end(), std::copy(prefix.begin(), prefix.end(), payloadAt));
  return expected;
}

}  // namespace

uint32_t RsaVerifyDigest(const PublicKeyRecord& record, uint32_t hashAlg,
                         std::span<const uint8_t> signature, std::span<const uint8_t> digest) {
  if (hashAlg >= kDigestInfoPrefixes.size()) {
    return win::kNteBadAlgId;
  }
  RsaPublicKey key;
  if (!key.Load(record)) {
    return win::kNteBadKey;
  }
  const size_t length = record.ModulusBytes().size();
  if (signature.size() != length) {
    return win::kNteBadSignature;
  }
  std::vector<uint8_t> bigEndian(signature.rbegin(), signature.rend());
  std::vector<uint8_t> block(length);
  if (!key.Public(bigEndian.data(), block.data())) {
    return win::kNteBadKey;
  }

  // The blocks a signer may have made: 00 01 FF..FF 00 DigestInfo digest, or the bare digest
  // (CryptSignHash with CRYPT_NOHASHOID). The SSL3 pair has no DigestInfo, so both are the same.
  const DigestInfoPrefix& info = kDigestInfoPrefixes[hashAlg];
  if (digest.size() != info.digestLength) {
    return win::kNteBadSignature;
  }
  const std::span<const uint8_t> bare;
  return block == ExpectedBlock(length, info.prefix, digest) ||
                 block == ExpectedBlock(length, bare, digest)
             ? 0
             : win::kNteBadSignature;
}

}  // namespace kq
