// RSA verification against keys and signatures made by the openssl command: valid signatures pass
// for every hash, and the whole PKCS #1 v1.5 block is checked, so forgeries that match only the
// trailing digest bytes fail.
#include "crypto/rsa_verify.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "support/test_certificates.h"

namespace kq {
namespace {

using Bytes = std::vector<uint8_t>;

struct TestKey {
  test::EvpKey pem;  // the private key
  PublicKeyRecord record;
};

Bytes Reversed(Bytes bytes) {
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

Bytes Digest(const EVP_MD* md, const std::string& text) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), out.data(), &length, md, nullptr);
  out.resize(length);
  return out;
}

class RsaVerify : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (size_t i = 0; i < 2; ++i) {
      keys_[i].pem = test::MakeRsaKey(i == 0 ? 1024 : 2048);
      const Bytes modulus = test::RsaModulus(keys_[i].pem.get());
      keys_[i].record.bits = static_cast<uint32_t>(modulus.size() * 8);
      std::copy(modulus.begin(), modulus.end(), keys_[i].record.modulus.begin());
      keys_[i].record.exponent = {0, 1, 0, 1};
    }
  }
  static void TearDownTestSuite() {
    for (TestKey& key : keys_) {
      key.pem.reset();
    }
  }

  // PKCS #1 v1.5 over the input, with the DigestInfo of md in front when md is given, or the raw
  // private-key operation on a whole block; the result in CryptoAPI order (least significant
  // byte first).
  static Bytes Sign(const TestKey& key, const Bytes& input, const EVP_MD* md,
                    int padding = RSA_PKCS1_PADDING) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key.pem.get(), nullptr);
    EXPECT_EQ(EVP_PKEY_sign_init(ctx), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_padding(ctx, padding), 1);
    if (md != nullptr) {
      EXPECT_EQ(EVP_PKEY_CTX_set_signature_md(ctx, md), 1);
    }
    size_t size = key.record.bits / 8;
    Bytes signature(size);
    EXPECT_EQ(EVP_PKEY_sign(ctx, signature.data(), &size, input.data(), input.size()), 1);
    EVP_PKEY_CTX_free(ctx);
    return Reversed(signature);
  }
  static Bytes SignBlock(const TestKey& key, const Bytes& block) {
    return Sign(key, block, nullptr, RSA_NO_PADDING);
  }

  static Bytes Block(size_t length, const Bytes& payload) {
    Bytes block(length, 0xFF);
    block[0] = 0x00;
    block[1] = 0x01;
    block[length - payload.size() - 1] = 0x00;
    std::copy(payload.begin(), payload.end(), block.end() - static_cast<long>(payload.size()));
    return block;
  }

  static inline TestKey keys_[2];  // RSA 1024 and RSA 2048
};

const Bytes kSha256DigestInfo = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
// openssl does not pair SM3 with RSA: SM3's DigestInfo (OID 1.2.156.10197.1.401) is put in here.
const Bytes kSm3DigestInfo = {0x30, 0x30, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x81, 0x1c,
                              0xcf, 0x55, 0x01, 0x83, 0x11, 0x05, 0x00, 0x04, 0x20};

Bytes Joined(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// Signatures with the hash's DigestInfo, and bare ones (CryptSignHash with CRYPT_NOHASHOID) that
// verify for every hash; a changed digest fails both.
TEST_F(RsaVerify, SignaturesVerifyForEveryHashWithOrWithoutDigestInfo) {
  const std::pair<uint32_t, const EVP_MD*> cases[] = {{1, EVP_sha1()},   {2, EVP_sha256()},
                                                      {3, EVP_sha384()}, {4, EVP_sha512()},
                                                      {5, EVP_md5()},    {6, EVP_sm3()}};
  for (const TestKey& key : {std::cref(keys_[0]), std::cref(keys_[1])}) {
    const std::string size = std::to_string(key.record.bits);
    for (const auto& [hashAlg, md] : cases) {
      const Bytes digest = Digest(md, "message " + size + std::to_string(hashAlg));
      Bytes other = digest;
      other.back() ^= 1;
      const Bytes withInfo =
          hashAlg != 6 ? Sign(key, digest, md)
                       : SignBlock(key, Block(key.record.bits / 8, Joined(kSm3DigestInfo, digest)));
      for (const Bytes& signature : {withInfo, Sign(key, digest, nullptr)}) {
        EXPECT_EQ(RsaVerifyDigest(key.record, hashAlg, signature, digest), 0u)
            << size << " hash " << hashAlg;
        EXPECT_EQ(RsaVerifyDigest(key.record, hashAlg, signature, other), win::kNteBadSignature)
            << size << " hash " << hashAlg;
      }
    }
  }
}

TEST_F(RsaVerify, BlocksThatAreNotExactlyTheHashsBlockFail) {
  const TestKey& key = keys_[1];
  const Bytes digest = Digest(EVP_sha256(), "padding");
  const Bytes good = Block(256, Joined(kSha256DigestInfo, digest));
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, SignBlock(key, good), digest), 0u);
  // The DigestInfo of another hash with a digest of the same length, in both directions.
  EXPECT_EQ(RsaVerifyDigest(key.record, 6, SignBlock(key, good), digest), win::kNteBadSignature);
  const Bytes sm3Block = Block(256, Joined(kSm3DigestInfo, digest));
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, SignBlock(key, sm3Block), digest),
            win::kNteBadSignature);

  Bytes tampered = good;
  tampered[20] = 0xFE;  // one padding byte
  Bytes blockType2 = good;
  blockType2[1] = 0x02;
  Bytes junkBeforeDigestInfo = good;
  junkBeforeDigestInfo[100] = 0x00;  // ends the padding early: junk in front of the DigestInfo
  const Bytes partDigestInfo =
      Block(256, Joined(Bytes(kSha256DigestInfo.begin() + 2, kSha256DigestInfo.end()), digest));
  for (const Bytes& block : {tampered, blockType2, junkBeforeDigestInfo, partDigestInfo}) {
    EXPECT_EQ(RsaVerifyDigest(key.record, 2, SignBlock(key, block), digest), win::kNteBadSignature);
  }

  // The SSL3 pair (MD5 then SHA-1) is signed bare; that block is no SHA-1 signature of its tail.
  const Bytes sha1 = Digest(EVP_sha1(), "ssl3");
  const Bytes pair = Joined(Digest(EVP_md5(), "ssl3"), sha1);
  const Bytes signature = Sign(keys_[0], pair, nullptr);
  EXPECT_EQ(RsaVerifyDigest(keys_[0].record, 0, signature, pair), 0u);
  EXPECT_EQ(RsaVerifyDigest(keys_[0].record, 1, signature, sha1), win::kNteBadSignature);
}

TEST_F(RsaVerify, WrongLengthsBadKeysAndUnknownHashes) {
  const TestKey& key = keys_[0];
  const Bytes digest = Digest(EVP_sha1(), "length");
  const Bytes signature = Sign(key, digest, EVP_sha1());
  const Bytes longer = Joined(signature, {0});  // a zero most significant byte
  const Bytes shorter(signature.begin(), signature.end() - 1);
  for (const Bytes& wrong : {longer, shorter, Bytes{}}) {
    EXPECT_EQ(RsaVerifyDigest(key.record, 1, wrong, digest), win::kNteBadSignature);
  }
  EXPECT_EQ(RsaVerifyDigest(keys_[1].record, 1, signature, digest), win::kNteBadSignature);

  std::vector<PublicKeyRecord> badKeys(4, key.record);
  badKeys[0].bits = 0;
  badKeys[1].exponent = {0, 0, 0, 0};
  badKeys[2].modulus[127] &= 0xFE;  // even
  badKeys[3].bits = 4096;
  for (const PublicKeyRecord& bad : badKeys) {
    EXPECT_EQ(RsaVerifyDigest(bad, 1, signature, digest), win::kNteBadKey);
  }
  // A signature that is not below the modulus cannot be put through the operation.
  EXPECT_EQ(RsaVerifyDigest(key.record, 1, Bytes(128, 0xFF), digest), win::kNteBadKey);
  EXPECT_EQ(RsaVerifyDigest(key.record, 7, signature, digest), win::kNteBadAlgId);
}

}  // namespace
}  // namespace kq
