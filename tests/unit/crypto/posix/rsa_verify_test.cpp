// RSA verification against keys and signatures made by OpenSSL: the whole PKCS #1 v1.5 block is
// checked, so forgeries that match only the trailing digest bytes fail. Signatures with each
// hash's DigestInfo are verified through the exports against the openssl command's.
#include "crypto/rsa_verify.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "support/test_certificates.h"

namespace kq {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Joined(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

Bytes Digest(const EVP_MD* md, const std::string& text) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), out.data(), &length, md, nullptr);
  out.resize(length);
  return out;
}

struct TestKey {
  explicit TestKey(int bits) : pem(test::MakeRsaKey(bits)) {
    const Bytes modulus = test::RsaModulus(pem.get());
    record.bits = static_cast<uint32_t>(modulus.size() * 8);
    std::copy(modulus.begin(), modulus.end(), record.modulus.begin());
    record.exponent = {0, 1, 0, 1};
  }

  // PKCS #1 v1.5 padding around the input, or the raw operation on a whole block (block given);
  // the result in CryptoAPI order (least significant byte first).
  [[nodiscard]] Bytes Sign(const Bytes& input, bool block = false) const {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pem.get(), nullptr);
    EXPECT_EQ(EVP_PKEY_sign_init(ctx), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_padding(ctx, block ? RSA_NO_PADDING : RSA_PKCS1_PADDING), 1);
    size_t size = record.bits / 8;
    Bytes signature(size);
    EXPECT_EQ(EVP_PKEY_sign(ctx, signature.data(), &size, input.data(), input.size()), 1);
    EVP_PKEY_CTX_free(ctx);
    std::reverse(signature.begin(), signature.end());
    return signature;
  }
  // 00 01 FF.. 00 payload, signed raw.
  [[nodiscard]] Bytes SignBlock(const Bytes& payload, size_t at = 0, uint8_t byte = 0) const {
    Bytes block(record.bits / 8, 0xFF);
    block[0] = 0x00;
    block[1] = 0x01;
    block[block.size() - payload.size() - 1] = 0x00;
    std::copy(payload.begin(), payload.end(), block.end() - static_cast<long>(payload.size()));
    if (at != 0) {
      block[at] = byte;
    }
    return Sign(block, true);
  }

  test::EvpKey pem;
  PublicKeyRecord record;
};

const Bytes kSha256Info = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                           0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
// OpenSSL does not pair SM3 with RSA: SM3's DigestInfo (OID 1.2.156.10197.1.401) is put in here.
const Bytes kSm3Info = {0x30, 0x30, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x81, 0x1c,
                        0xcf, 0x55, 0x01, 0x83, 0x11, 0x05, 0x00, 0x04, 0x20};

TEST(RsaVerify, OnlyTheExactBlockOfTheHashVerifies) {
  const TestKey small(1024);
  const TestKey large(2048);
  const Bytes digest = Digest(EVP_sha256(), "padding");
  const Bytes sha1 = Digest(EVP_sha1(), "ssl3");
  const Bytes ssl3 = Joined(Digest(EVP_md5(), "ssl3"), sha1);  // MD5 then SHA-1, signed bare
  const Bytes good = large.SignBlock(Joined(kSha256Info, digest));
  std::vector<PublicKeyRecord> badKeys(4, small.record);
  badKeys[0].bits = 0;
  badKeys[1].exponent = {0, 0, 0, 0};
  badKeys[2].modulus[127] &= 0xFE;  // even
  badKeys[3].bits = 4096;
  struct Case {
    const char* what;
    const PublicKeyRecord& key;
    uint32_t hashAlg;
    Bytes signature;
    Bytes digest;
    uint32_t result;
  };
  const Case cases[] = {
      {"DigestInfo of SHA-256", large.record, 2, good, digest, 0},
      {"DigestInfo of SM3", large.record, 6, large.SignBlock(Joined(kSm3Info, digest)), digest, 0},
      {"SHA-256 block as SM3", large.record, 6, good, digest, win::kNteBadSignature},
      {"SM3 block as SHA-256", large.record, 2, large.SignBlock(Joined(kSm3Info, digest)), digest,
       win::kNteBadSignature},
      {"a padding byte", large.record, 2, large.SignBlock(Joined(kSha256Info, digest), 20, 0xFE),
       digest, win::kNteBadSignature},
      {"block type 2", large.record, 2, large.SignBlock(Joined(kSha256Info, digest), 1, 2), digest,
       win::kNteBadSignature},
      {"junk before the DigestInfo", large.record, 2,
       large.SignBlock(Joined(kSha256Info, digest), 100, 0), digest, win::kNteBadSignature},
      {"part of the DigestInfo", large.record, 2,
       large.SignBlock(Joined(Bytes(kSha256Info.begin() + 2, kSha256Info.end()), digest)), digest,
       win::kNteBadSignature},
      {"the SSL3 pair", small.record, 0, small.Sign(ssl3), ssl3, 0},
      {"the SSL3 pair as SHA-1", small.record, 1, small.Sign(ssl3), sha1, win::kNteBadSignature},
      {"not below the modulus", small.record, 1, Bytes(128, 0xFF), sha1, win::kNteBadKey},
      {"an unknown hash", small.record, 7, small.Sign(sha1), sha1, win::kNteBadAlgId},
      {"no bits", badKeys[0], 1, small.Sign(sha1), sha1, win::kNteBadKey},
      {"a zero exponent", badKeys[1], 1, small.Sign(sha1), sha1, win::kNteBadKey},
      {"an even modulus", badKeys[2], 1, small.Sign(sha1), sha1, win::kNteBadKey},
      {"4096 bits", badKeys[3], 1, small.Sign(sha1), sha1, win::kNteBadKey},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RsaVerifyDigest(c.key, c.hashAlg, c.signature, c.digest), c.result) << c.what;
  }
  // A bare signature (CryptSignHash with CRYPT_NOHASHOID) verifies for every hash.
  const EVP_MD* mds[] = {EVP_sha1(),   EVP_sha256(), EVP_sha384(),
                         EVP_sha512(), EVP_md5(),    EVP_sm3()};
  for (uint32_t hashAlg = 1; hashAlg <= 6; ++hashAlg) {
    const Bytes bare = Digest(mds[hashAlg - 1], "bare");
    EXPECT_EQ(RsaVerifyDigest(large.record, hashAlg, large.Sign(bare), bare), 0u) << hashAlg;
  }
}

}  // namespace
}  // namespace kq
