// RSA verification against keys and signatures made by the openssl command: valid signatures pass
// for every hash, and the whole PKCS #1 v1.5 block is checked, so forgeries that match only the
// trailing digest bytes fail.
#include "crypto/rsa_verify.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/evp.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "support/openssl_command.h"

namespace kq {
namespace {

using Bytes = std::vector<uint8_t>;

struct TestKey {
  std::string pem;
  PublicKeyRecord record;
};

Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

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
    dir_ = std::make_unique<test::TempDirectory>();
    keys_["1024"] = MakeKey("k1024", "rsa_keygen_bits:1024");
    keys_["2048"] = MakeKey("k2048", "rsa_keygen_bits:2048");
    keys_["e3"] = MakeKey("ke3", "rsa_keygen_bits:2048 -pkeyopt rsa_keygen_pubexp:3");
  }
  static void TearDownTestSuite() {
    keys_.clear();
    dir_.reset();
  }

  static TestKey MakeKey(const std::string& name, const std::string& options) {
    TestKey key;
    key.pem = dir_->File(name + ".pem");
    std::string failure;
    EXPECT_TRUE(test::RunOpenssl("genpkey -algorithm RSA -pkeyopt " + options + " -out " + key.pem,
                                 &failure))
        << failure;
    const std::string modulusFile = dir_->File(name + ".modulus");
    EXPECT_TRUE(
        test::RunOpenssl("rsa -in " + key.pem + " -noout -modulus -out " + modulusFile, &failure))
        << failure;
    std::string text = test::ReadText(modulusFile);
    text = text.substr(text.find('=') + 1);
    text.erase(text.find_last_not_of("\r\n") + 1);
    const Bytes modulus = FromHex(text);
    key.record.bits = static_cast<uint32_t>(modulus.size() * 8);
    std::copy(modulus.begin(), modulus.end(), key.record.modulus.begin());
    const bool e3 = options.find("pubexp:3") != std::string::npos;
    key.record.exponent =
        e3 ? std::array<uint8_t, 4>{0, 0, 0, 3} : std::array<uint8_t, 4>{0, 1, 0, 1};
    return key;
  }

  // Signs with `openssl pkeyutl`; the result in CryptoAPI order (least significant byte first).
  static Bytes Sign(const TestKey& key, const Bytes& input, const std::string& options,
                    const std::string& operation = "-sign") {
    const std::string in = dir_->File("in.bin");
    const std::string out = dir_->File("sig.bin");
    test::WriteBytes(in, input);
    std::string failure;
    EXPECT_TRUE(test::RunOpenssl("pkeyutl " + operation + " -inkey " + key.pem + " -in " + in +
                                     " -out " + out + " " + options,
                                 &failure))
        << failure;
    return Reversed(test::ReadBytes(out));
  }

  // Signs a whole encoded block as it stands: the raw private-key operation, no padding added.
  static Bytes SignBlock(const TestKey& key, const Bytes& block) {
    return Sign(key, block, "-pkeyopt rsa_padding_mode:none", "-decrypt");
  }

  static Bytes Block(size_t length, const Bytes& payload) {
    Bytes block(length, 0xFF);
    block[0] = 0x00;
    block[1] = 0x01;
    block[length - payload.size() - 1] = 0x00;
    std::copy(payload.begin(), payload.end(), block.end() - static_cast<long>(payload.size()));
    return block;
  }

  static inline std::unique_ptr<test::TempDirectory> dir_;
  static inline std::map<std::string, TestKey> keys_;
};

const Bytes kSha256DigestInfo = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};

TEST_F(RsaVerify, SignaturesMadeByOpensslVerifyForEveryHash) {
  struct Case {
    uint32_t hashAlg;
    const EVP_MD* md;
    const char* name;
  };
  const Case cases[] = {{1, EVP_sha1(), "sha1"},
                        {2, EVP_sha256(), "sha256"},
                        {3, EVP_sha384(), "sha384"},
                        {4, EVP_sha512(), "sha512"},
                        {5, EVP_md5(), "md5"}};
  for (const char* size : {"1024", "2048"}) {
    const TestKey& key = keys_[size];
    for (const Case& c : cases) {
      const Bytes digest = Digest(c.md, std::string("message for ") + c.name);
      const Bytes signature = Sign(key, digest, std::string("-pkeyopt digest:") + c.name);
      EXPECT_EQ(RsaVerifyDigest(key.record, c.hashAlg, signature, digest), 0u)
          << size << " " << c.name;
      Bytes other = digest;
      other[0] ^= 1;
      EXPECT_EQ(RsaVerifyDigest(key.record, c.hashAlg, signature, other), win::kNteBadSignature)
          << size << " " << c.name;
    }
  }
}

// openssl does not pair SM3 with RSA, so the block is built here from the DER of SM3's
// DigestInfo (OID 1.2.156.10197.1.401).
TEST_F(RsaVerify, AnSm3SignatureCarriesItsOwnDigestInfo) {
  const TestKey& key = keys_["2048"];
  const Bytes digest = Digest(EVP_sm3(), "sm3 message");
  Bytes payload = {0x30, 0x30, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x81, 0x1c,
                   0xcf, 0x55, 0x01, 0x83, 0x11, 0x05, 0x00, 0x04, 0x20};
  payload.insert(payload.end(), digest.begin(), digest.end());
  const Bytes signature = SignBlock(key, Block(256, payload));
  EXPECT_EQ(RsaVerifyDigest(key.record, 6, signature, digest), 0u);
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, signature, digest), win::kNteBadSignature);
}

TEST_F(RsaVerify, TheSsl3PairIsSignedBareAndNeedsNoDigestInfo) {
  const TestKey& key = keys_["1024"];
  Bytes pair = Digest(EVP_md5(), "ssl3");
  const Bytes sha1 = Digest(EVP_sha1(), "ssl3");
  pair.insert(pair.end(), sha1.begin(), sha1.end());
  const Bytes signature = Sign(key, pair, "");
  EXPECT_EQ(RsaVerifyDigest(key.record, 0, signature, pair), 0u);
  // The same bare block is not a SHA-1 signature over the pair's last 20 bytes.
  EXPECT_EQ(RsaVerifyDigest(key.record, 1, signature, sha1), win::kNteBadSignature);
}

// CryptSignHash with CRYPT_NOHASHOID signs the digest with no DigestInfo in front of it: such a
// signature verifies for every hash, and only the DigestInfo of the hash itself is accepted
// besides.
TEST_F(RsaVerify, BareDigestSignaturesVerifyForEveryHash) {
  struct Case {
    uint32_t hashAlg;
    const EVP_MD* md;
  };
  const Case cases[] = {{1, EVP_sha1()},   {2, EVP_sha256()}, {3, EVP_sha384()},
                        {4, EVP_sha512()}, {5, EVP_md5()},    {6, EVP_sm3()}};
  for (const char* size : {"1024", "2048"}) {
    const TestKey& key = keys_[size];
    for (const Case& c : cases) {
      const Bytes digest = Digest(c.md, "bare " + std::to_string(c.hashAlg));
      const Bytes signature = Sign(key, digest, "");  // PKCS #1 v1.5 over the bytes as given
      EXPECT_EQ(RsaVerifyDigest(key.record, c.hashAlg, signature, digest), 0u)
          << size << " hash " << c.hashAlg;
      Bytes other = digest;
      other.back() ^= 1;
      EXPECT_EQ(RsaVerifyDigest(key.record, c.hashAlg, signature, other), win::kNteBadSignature)
          << size << " hash " << c.hashAlg;
    }
  }
  // A DigestInfo of another hash in front of a digest of the same length is still refused.
  const TestKey& key = keys_["2048"];
  const Bytes digest = Digest(EVP_sha256(), "other DigestInfo");
  const Bytes sm3Signed = Sign(key, digest, "-pkeyopt digest:sha256");
  EXPECT_EQ(RsaVerifyDigest(key.record, 6, sm3Signed, digest), win::kNteBadSignature);
}

TEST_F(RsaVerify, ASignatureForAnotherHashOfTheSameLengthFails) {
  const TestKey& key = keys_["2048"];
  const Bytes digest = Digest(EVP_sha256(), "same length");
  const Bytes signature = Sign(key, digest, "-pkeyopt digest:sha256");
  EXPECT_EQ(RsaVerifyDigest(key.record, 6, signature, digest), win::kNteBadSignature);
}

TEST_F(RsaVerify, BlocksWithTamperedPaddingFailEvenWhenTheDigestBytesMatch) {
  const TestKey& key = keys_["2048"];
  const Bytes digest = Digest(EVP_sha256(), "padding");
  Bytes payload = kSha256DigestInfo;
  payload.insert(payload.end(), digest.begin(), digest.end());
  const Bytes good = Block(256, payload);
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, SignBlock(key, good), digest), 0u);

  Bytes tampered = good;
  tampered[20] = 0xFE;  // one padding byte
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, SignBlock(key, tampered), digest),
            win::kNteBadSignature);
  Bytes blockType2 = good;
  blockType2[1] = 0x02;
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, SignBlock(key, blockType2), digest),
            win::kNteBadSignature);
  Bytes partDigestInfo(kSha256DigestInfo.begin() + 2, kSha256DigestInfo.end());  // no outer header
  partDigestInfo.insert(partDigestInfo.end(), digest.begin(), digest.end());
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, SignBlock(key, Block(256, partDigestInfo)), digest),
            win::kNteBadSignature);
  Bytes junkBeforeDigestInfo = good;
  junkBeforeDigestInfo[100] = 0x00;  // ends the padding early: junk in front of the DigestInfo
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, SignBlock(key, junkBeforeDigestInfo), digest),
            win::kNteBadSignature);
}

// With exponent 3 anyone can make a number whose cube ends in a chosen odd digest: cubing is a
// bijection on odd numbers modulo 2^256, and a small enough root is never reduced modulo N.
// Such a "signature" matches the trailing digest bytes but not the block in front of them.
TEST_F(RsaVerify, AForgedExponentThreeSignatureMatchingOnlyTheDigestBytesFails) {
  const TestKey& key = keys_["e3"];
  Bytes digest;
  for (int i = 0; digest.empty() || (digest.back() & 1) == 0; ++i) {
    digest = Digest(EVP_sha256(), "forged " + std::to_string(i));
  }
  BN_CTX* ctx = BN_CTX_new();
  BIGNUM* d = BN_bin2bn(digest.data(), static_cast<int>(digest.size()), nullptr);
  BIGNUM* modulus = BN_new();
  BIGNUM* order = BN_new();  // 2^254: the exponent of the odd residues modulo 2^256
  BIGNUM* three = BN_new();
  BN_set_word(three, 3);
  BN_set_bit(modulus, 256);
  BN_set_bit(order, 254);
  BIGNUM* inverse = BN_mod_inverse(nullptr, three, order, ctx);
  BIGNUM* root = BN_new();
  BN_mod_exp(root, d, inverse, modulus, ctx);
  Bytes forged(256, 0);
  BN_bn2binpad(root, forged.data(), static_cast<int>(forged.size()));
  BIGNUM* cube = BN_new();
  BN_mod_exp(cube, root, three, modulus, ctx);
  EXPECT_EQ(BN_cmp(cube, d), 0) << "the forgery itself is wrong";
  for (BIGNUM* n : {d, modulus, order, three, inverse, root, cube}) {
    BN_free(n);
  }
  BN_CTX_free(ctx);

  EXPECT_EQ(RsaVerifyDigest(key.record, 2, Reversed(forged), digest), win::kNteBadSignature);
  // A real signature with the same key still verifies.
  EXPECT_EQ(RsaVerifyDigest(key.record, 2, Sign(key, digest, "-pkeyopt digest:sha256"), digest),
            0u);
}

TEST_F(RsaVerify, ASignatureNotAsLongAsTheModulusFails) {
  const TestKey& key1024 = keys_["1024"];
  const TestKey& key2048 = keys_["2048"];
  const Bytes digest = Digest(EVP_sha1(), "length");
  const Bytes signature = Sign(key1024, digest, "-pkeyopt digest:sha1");
  EXPECT_EQ(RsaVerifyDigest(key2048.record, 1, signature, digest), win::kNteBadSignature);
  Bytes longer = signature;
  longer.push_back(0);  // a zero most significant byte
  EXPECT_EQ(RsaVerifyDigest(key1024.record, 1, longer, digest), win::kNteBadSignature);
  Bytes shorter(signature.begin(), signature.end() - 1);
  EXPECT_EQ(RsaVerifyDigest(key1024.record, 1, shorter, digest), win::kNteBadSignature);
  EXPECT_EQ(RsaVerifyDigest(key1024.record, 1, {}, digest), win::kNteBadSignature);
}

TEST_F(RsaVerify, KeysThatDoNotLoadGiveBadKey) {
  const TestKey& key = keys_["1024"];
  const Bytes digest = Digest(EVP_sha1(), "bad key");
  const Bytes signature = Sign(key, digest, "-pkeyopt digest:sha1");

  PublicKeyRecord noBits = key.record;
  noBits.bits = 0;
  EXPECT_EQ(RsaVerifyDigest(noBits, 1, signature, digest), win::kNteBadKey);
  PublicKeyRecord zeroExponent = key.record;
  zeroExponent.exponent = {0, 0, 0, 0};
  EXPECT_EQ(RsaVerifyDigest(zeroExponent, 1, signature, digest), win::kNteBadKey);
  PublicKeyRecord evenModulus = key.record;
  evenModulus.modulus[127] &= 0xFE;
  EXPECT_EQ(RsaVerifyDigest(evenModulus, 1, signature, digest), win::kNteBadKey);
  PublicKeyRecord tooManyBits = key.record;
  tooManyBits.bits = 4096;
  EXPECT_EQ(RsaVerifyDigest(tooManyBits, 1, signature, digest), win::kNteBadKey);

  // A signature that is not below the modulus cannot be put through the operation.
  const Bytes allOnes(128, 0xFF);
  EXPECT_EQ(RsaVerifyDigest(key.record, 1, allOnes, digest), win::kNteBadKey);
  EXPECT_EQ(RsaVerifyDigest(key.record, 7, signature, digest), win::kNteBadAlgId);
}

}  // namespace
}  // namespace kq
