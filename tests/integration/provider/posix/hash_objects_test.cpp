// Hash objects through the exported entry points, on a verify context: creation, data, parameters
// with the size protocol, destruction, and verification of signatures made by the openssl command
// against keys imported as PUBLICKEYBLOBs.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/openssl_command.h"
#include "support/provider_library.h"

namespace kq::test {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kVerifyContext = 0xF0000000;
constexpr uint32_t kCalgMd5 = 0x8003;
constexpr uint32_t kCalgSha1 = 0x8004;
constexpr uint32_t kCalgSsl3ShaMd5 = 0x8008;
constexpr uint32_t kCalgHmac = 0x8009;
constexpr uint32_t kCalgSha256 = 0x800C;
constexpr uint32_t kCalgSha384 = 0x800D;
constexpr uint32_t kCalgSha512 = 0x800E;
constexpr uint32_t kHpAlgId = 1;
constexpr uint32_t kHpHashVal = 2;
constexpr uint32_t kHpHashSize = 4;

class HashObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(P().complete) << P().problem;
    ASSERT_TRUE(P().CPAcquireContext(&prov_, nullptr, kVerifyContext, nullptr));
  }
  void TearDown() override { EXPECT_TRUE(P().CPReleaseContext(prov_, 0)); }

  static const ProviderLibrary& P() { return Provider(); }
  static uint32_t Error() { return P().GetLastError(); }

  KqHandle NewHash(uint32_t algId) {
    KqHandle hash = 0;
    EXPECT_TRUE(P().CPCreateHash(prov_, algId, 0, 0, &hash));
    EXPECT_EQ(Error(), 0u);
    return hash;
  }

  Bytes Value(KqHandle hash) {
    uint32_t length = 0;
    EXPECT_TRUE(P().CPGetHashParam(prov_, hash, kHpHashVal, nullptr, &length, 0));
    Bytes value(length);
    EXPECT_TRUE(P().CPGetHashParam(prov_, hash, kHpHashVal, value.data(), &length, 0));
    EXPECT_EQ(Error(), 0u);
    value.resize(length);
    return value;
  }

  KqHandle prov_ = 0;
};

Bytes OpensslDigest(const EVP_MD* md, const std::string& text) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), out.data(), &length, md, nullptr);
  out.resize(length);
  return out;
}

TEST_F(HashObjects, EveryHashMatchesOpensslAndTheValueIsFixedOnceRead) {
  struct Case {
    uint32_t algId;
    const EVP_MD* md;
  };
  const std::string text = "The quick brown fox jumps over the lazy dog";
  for (const Case& c :
       {Case{kCalgMd5, EVP_md5()}, Case{kCalgSha1, EVP_sha1()}, Case{kCalgSha256, EVP_sha256()},
        Case{kCalgSha384, EVP_sha384()}, Case{kCalgSha512, EVP_sha512()}}) {
    const KqHandle hash = NewHash(c.algId);
    // Fed in two pieces and an empty one.
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    EXPECT_TRUE(P().CPHashData(prov_, hash, bytes, 10, 0));
    EXPECT_TRUE(P().CPHashData(prov_, hash, bytes + 10, 0, 0));
    EXPECT_TRUE(
        P().CPHashData(prov_, hash, bytes + 10, static_cast<uint32_t>(text.size() - 10), 0));
    EXPECT_EQ(Error(), 0u);

    uint32_t algId = 0;
    uint32_t size = 0;
    uint32_t length = 4;
    EXPECT_TRUE(
        P().CPGetHashParam(prov_, hash, kHpAlgId, reinterpret_cast<uint8_t*>(&algId), &length, 0));
    EXPECT_EQ(algId, c.algId);
    EXPECT_TRUE(P().CPGetHashParam(prov_, hash, kHpHashSize, reinterpret_cast<uint8_t*>(&size),
                                   &length, 0));
    EXPECT_EQ(size, static_cast<uint32_t>(EVP_MD_get_size(c.md)));

    // A short buffer is told the size and left alone; the hash is not finished by it.
    Bytes shortBuffer(size - 1, 0xEE);
    length = size - 1;
    EXPECT_FALSE(P().CPGetHashParam(prov_, hash, kHpHashVal, shortBuffer.data(), &length, 0));
    EXPECT_EQ(Error(), 234u);
    EXPECT_EQ(length, size);
    EXPECT_TRUE(P().CPHashData(prov_, hash, bytes, 0, 0));

    EXPECT_EQ(Value(hash), OpensslDigest(c.md, text));
    EXPECT_FALSE(P().CPHashData(prov_, hash, bytes, 1, 0));
    EXPECT_EQ(Error(), 0x8009000Cu);
    EXPECT_EQ(Value(hash), OpensslDigest(c.md, text));  // read again: the same value
    EXPECT_TRUE(P().CPDestroyHash(prov_, hash));
    EXPECT_FALSE(P().CPDestroyHash(prov_, hash));
    EXPECT_EQ(Error(), 0x80090002u);
  }
}

TEST_F(HashObjects, CreationRefusesWhatTheProviderDoesNotHash) {
  KqHandle hash = 0;
  EXPECT_FALSE(P().CPCreateHash(prov_, kCalgHmac, 0, 0, &hash));
  EXPECT_EQ(Error(), 0x80090003u);
  EXPECT_FALSE(P().CPCreateHash(prov_, kCalgHmac, 5, 0, &hash));
  EXPECT_EQ(Error(), 0x80090008u);
  EXPECT_FALSE(P().CPCreateHash(prov_, 0x800A, 0, 0, &hash));  // CALG_TLS1PRF
  EXPECT_EQ(Error(), 0x80090008u);
  EXPECT_FALSE(P().CPCreateHash(prov_, kCalgSha1, 7, 0, &hash));
  EXPECT_EQ(Error(), 87u);
  EXPECT_FALSE(P().CPGetHashParam(prov_, 12345, kHpAlgId, nullptr, nullptr, 0));
  EXPECT_EQ(Error(), 0x80090002u);
}

TEST_F(HashObjects, TheSsl3PairTakesItsValueFromTheCaller) {
  const KqHandle hash = NewHash(kCalgSsl3ShaMd5);
  const uint8_t data[1] = {1};
  EXPECT_FALSE(P().CPHashData(prov_, hash, data, 1, 0));
  EXPECT_EQ(Error(), 0x8009000Cu);
  EXPECT_FALSE(P().CPSetHashParam(prov_, hash, 3, data, 0));
  EXPECT_EQ(Error(), 0x8009000Au);
  EXPECT_FALSE(P().CPSetHashParam(prov_, hash, kHpHashVal, nullptr, 0));
  EXPECT_EQ(Error(), 87u);
  Bytes value(36);
  for (size_t i = 0; i < value.size(); ++i) {
    value[i] = static_cast<uint8_t>(i * 7);
  }
  EXPECT_TRUE(P().CPSetHashParam(prov_, hash, kHpHashVal, value.data(), 0));
  EXPECT_EQ(Error(), 0u);
  EXPECT_EQ(Value(hash), value);
  EXPECT_FALSE(P().CPSetHashParam(prov_, hash, kHpHashVal, value.data(), 0));
  EXPECT_EQ(Error(), 0x8009000Cu);
}

// Keys made by openssl, imported as PUBLICKEYBLOBs; signatures made by openssl over data hashed by
// the provider, turned to CryptoAPI's byte order.
class Verification : public HashObjects {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDirectory>();
    for (const int bits : {1024, 2048}) {
      const std::string key = dir_->File("k" + std::to_string(bits) + ".pem");
      std::string failure;
      ASSERT_TRUE(RunOpenssl("genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:" +
                                 std::to_string(bits) + " -out " + key,
                             &failure))
          << failure;
    }
  }
  static void TearDownTestSuite() { dir_.reset(); }

  // The PUBLICKEYBLOB of an openssl key, as openssl writes it, for the algorithm given.
  static Bytes Blob(int bits, uint32_t algId) {
    const std::string blob = dir_->File("key.blob");
    EXPECT_TRUE(RunOpenssl("rsa -in " + dir_->File("k" + std::to_string(bits) + ".pem") +
                           " -pubout -outform MSBLOB -out " + blob));
    Bytes bytes = ReadBytes(blob);
    bytes[4] = static_cast<uint8_t>(algId);
    bytes[5] = static_cast<uint8_t>(algId >> 8);
    return bytes;
  }

  static Bytes OpensslSignature(int bits, const Bytes& digest, const char* name) {
    const std::string in = dir_->File("digest.bin");
    const std::string out = dir_->File("sig.bin");
    WriteBytes(in, digest);
    std::string failure;
    EXPECT_TRUE(RunOpenssl("pkeyutl -sign -inkey " +
                               dir_->File("k" + std::to_string(bits) + ".pem") + " -in " + in +
                               " -out " + out + " -pkeyopt digest:" + name,
                           &failure))
        << failure;
    Bytes signature = ReadBytes(out);
    std::reverse(signature.begin(), signature.end());
    return signature;
  }

  static inline std::unique_ptr<TempDirectory> dir_;
};

TEST_F(Verification, OpensslSignaturesVerifyForEveryHashAndKeySize) {
  struct Case {
    uint32_t algId;
    const char* name;
  };
  const std::string text = "transfer 100.00 to account 6222 0000 1111";
  for (const int bits : {1024, 2048}) {
    const Bytes blob = Blob(bits, 0x2400);
    KqHandle key = 0;
    ASSERT_TRUE(
        P().CPImportKey(prov_, blob.data(), static_cast<uint32_t>(blob.size()), 0, 0, &key));
    for (const Case& c :
         {Case{kCalgSha1, "sha1"}, Case{kCalgSha256, "sha256"}, Case{kCalgSha384, "sha384"},
          Case{kCalgSha512, "sha512"}, Case{kCalgMd5, "md5"}}) {
      const KqHandle hash = NewHash(c.algId);
      ASSERT_TRUE(P().CPHashData(prov_, hash, reinterpret_cast<const uint8_t*>(text.data()),
                                 static_cast<uint32_t>(text.size()), 0));
      const Bytes digest = Value(hash);
      Bytes signature = OpensslSignature(bits, digest, c.name);
      EXPECT_TRUE(P().CPVerifySignature(prov_, hash, signature.data(),
                                        static_cast<uint32_t>(signature.size()), key, nullptr, 0))
          << bits << " " << c.name;
      EXPECT_EQ(Error(), 0u);
      signature[signature.size() / 2] ^= 0x40;
      EXPECT_FALSE(P().CPVerifySignature(prov_, hash, signature.data(),
                                         static_cast<uint32_t>(signature.size()), key, nullptr, 0));
      EXPECT_EQ(Error(), 0x80090006u);
      EXPECT_TRUE(P().CPDestroyHash(prov_, hash));
    }
    EXPECT_TRUE(P().CPDestroyKey(prov_, key));
  }
}

TEST_F(Verification, MisusedVerificationsReportTheirCodes) {
  const Bytes blob = Blob(1024, 0xA400);
  KqHandle key = 0;
  ASSERT_TRUE(P().CPImportKey(prov_, blob.data(), static_cast<uint32_t>(blob.size()), 0, 0, &key));
  const KqHandle hash = NewHash(kCalgSha1);
  Bytes signature(512, 1);
  EXPECT_FALSE(P().CPVerifySignature(prov_, hash, nullptr, 128, key, nullptr, 0));
  EXPECT_EQ(Error(), 87u);
  EXPECT_FALSE(P().CPVerifySignature(prov_, hash, signature.data(), 512, key, nullptr, 0));
  EXPECT_EQ(Error(), 0x80090004u);
  EXPECT_FALSE(P().CPVerifySignature(prov_, hash + 100, signature.data(), 128, key, nullptr, 0));
  EXPECT_EQ(Error(), 0x80090002u);
  EXPECT_FALSE(P().CPVerifySignature(prov_, hash, signature.data(), 128, key + 100, nullptr, 0));
  EXPECT_EQ(Error(), 0x80090003u);
  // A 256-byte signature for a 1024-bit key is refused as a bad signature.
  EXPECT_FALSE(P().CPVerifySignature(prov_, hash, signature.data(), 256, key, nullptr, 0));
  EXPECT_EQ(Error(), 0x80090006u);
}

}  // namespace
}  // namespace kq::test
