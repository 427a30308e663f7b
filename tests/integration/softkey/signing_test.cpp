// Signatures of the soft key, checked by the openssl command.

#include <gtest/gtest.h>
#include <mbedtls/md.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/codes_device.h"
#include "crypto/sm2_prepare.h"
#include "support/openssl_command.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

const SoftKeyLibrary& Zant() {
  return SoftKeyLibrary::Instance();
}

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

std::vector<uint8_t> Digest(mbedtls_md_type_t type, const std::vector<uint8_t>& data) {
  const mbedtls_md_info_t* info = mbedtls_md_info_from_type(type);
  std::vector<uint8_t> digest(mbedtls_md_get_size(info));
  mbedtls_md(info, data.data(), data.size(), digest.data());
  return digest;
}

struct PublicKey {
  uint32_t bits = 0;
  std::vector<uint8_t> first;
  std::vector<uint8_t> second;
  std::string pem;
};

PublicKey ReadPublicKey(ZANT_HANDLE handle, uint32_t slot) {
  PublicKey key;
  key.first.resize(1024);
  key.second.resize(1024);
  uint32_t firstLength = 1024;
  uint32_t secondLength = 1024;
  EXPECT_EQ(Zant().ReadRSAPub(handle, slot, &key.bits, key.first.data(), &firstLength,
                              key.second.data(), &secondLength, 0),
            dev::kOk);
  key.first.resize(firstLength);
  key.second.resize(secondLength);
  key.pem = key.bits == 256 ? Sm2PublicKeyPem(key.first, key.second)
                            : RsaPublicKeyPem(key.first, key.second);
  return key;
}

// An open key with its PIN verified.
class LoggedInKey {
 public:
  explicit LoggedInKey(const std::string& reader) : handle_(reader) {
    EXPECT_EQ(handle_.openStatus(), dev::kOk);
    EXPECT_EQ(Zant().VerifyPIN(handle_.get(), "12345678", 8), dev::kOk);
  }
  [[nodiscard]] ZANT_HANDLE get() const { return handle_.get(); }

 private:
  SoftKeyHandle handle_;
};

std::vector<uint8_t> Sign(ZANT_HANDLE handle, uint32_t slot, uint32_t hashAlg,
                          const std::vector<uint8_t>& digest, uint32_t* status = nullptr) {
  std::vector<uint8_t> signature(512);
  uint32_t length = 512;
  const uint32_t result =
      Zant().RSAPrivateSign(handle, slot, hashAlg, digest.data(),
                            static_cast<uint32_t>(digest.size()), signature.data(), &length, 0);
  if (status != nullptr) {
    *status = result;
  } else {
    EXPECT_EQ(result, dev::kOk);
  }
  signature.resize(result == dev::kOk ? length : 0);
  return signature;
}

TEST(SoftKeySigning, RsaSignaturesCarryTheDigestInfoOfEachHashNumber) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.keyPairs = {{1, 0, "rsa2048-a"}, {2, 2, "rsa1024-a"}}});
  LoggedInKey key(scene.ReaderName(name));
  const std::vector<uint8_t> message = Bytes("pay 100 to account 42");
  struct Case {
    uint32_t hashAlg;
    mbedtls_md_type_t type;
    const char* opensslName;
  };
  const Case cases[] = {{1, MBEDTLS_MD_SHA1, "sha1"},
                        {2, MBEDTLS_MD_SHA256, "sha256"},
                        {3, MBEDTLS_MD_SHA384, "sha384"},
                        {4, MBEDTLS_MD_SHA512, "sha512"},
                        {5, MBEDTLS_MD_MD5, "md5"}};
  for (const uint32_t slot : {1u, 2u}) {
    const PublicKey pub = ReadPublicKey(key.get(), slot);
    for (const Case& c : cases) {
      const std::vector<uint8_t> digest = Digest(c.type, message);
      const std::vector<uint8_t> signature = Sign(key.get(), slot, c.hashAlg, digest);
      EXPECT_EQ(signature.size(), pub.bits / 8);
      EXPECT_TRUE(OpensslVerifyRsaDigest(pub.pem, digest, signature, c.opensslName))
          << "slot " << slot << " hash " << c.hashAlg;
    }
    // Number 0: the 36-byte SSL3 value is padded as it stands, without DigestInfo.
    std::vector<uint8_t> ssl3 = Digest(MBEDTLS_MD_MD5, message);
    const std::vector<uint8_t> sha1 = Digest(MBEDTLS_MD_SHA1, message);
    ssl3.insert(ssl3.end(), sha1.begin(), sha1.end());
    EXPECT_TRUE(OpensslVerifyRsaDigest(pub.pem, ssl3, Sign(key.get(), slot, 0, ssl3), ""));
  }
}

TEST(SoftKeySigning, RsaRefusesWrongDigestLengthsAndSm3) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.keyPairs = {{1, 0, "rsa1024-a"}}});
  LoggedInKey key(scene.ReaderName(name));
  uint32_t status = 0;
  Sign(key.get(), 1, 2, std::vector<uint8_t>(20, 1), &status);
  EXPECT_EQ(status, dev::kSwWrongLength);
  Sign(key.get(), 1, 6, std::vector<uint8_t>(32, 1), &status);
  EXPECT_EQ(status, dev::kSwWrongData);
  Sign(key.get(), 1, 9, std::vector<uint8_t>(20, 1), &status);
  EXPECT_EQ(status, dev::kSwWrongData);
  Sign(key.get(), 3, 1, std::vector<uint8_t>(20, 1), &status);
  EXPECT_EQ(status, dev::kSwKeyNotFound);

  // Size query and short buffer, before any signature is made.
  const std::vector<uint8_t> digest(20, 7);
  uint32_t length = 0;
  EXPECT_EQ(Zant().RSAPrivateSign(key.get(), 1, 1, digest.data(), 20, nullptr, &length, 0),
            dev::kOk);
  EXPECT_EQ(length, 128u);
  std::vector<uint8_t> signature(127);
  length = 127;
  EXPECT_EQ(Zant().RSAPrivateSign(key.get(), 1, 1, digest.data(), 20, signature.data(), &length, 0),
            dev::kSwWrongLength);
  EXPECT_EQ(length, 128u);
}

TEST(SoftKeySigning, Sm2SignsTheGivenDigestWithTheDefaultIdentity) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.keyPairs = {{3, 0, "sm2-a"}}});
  LoggedInKey key(scene.ReaderName(name));
  const PublicKey pub = ReadPublicKey(key.get(), 3);
  ASSERT_EQ(pub.bits, 256u);
  ASSERT_EQ(pub.first.size(), 32u);
  ASSERT_EQ(pub.second.size(), 32u);
  uint32_t keyBits = 0;
  uint32_t flags = 0;
  ASSERT_EQ(Zant().GetKeyInfo(key.get(), 3, &keyBits, &flags), dev::kOk);
  EXPECT_EQ(keyBits, 256u);
  EXPECT_EQ(flags & 0xF, 3u);

  const std::vector<uint8_t> message = Bytes("SM2 signed by the soft key");
  const Sm3Digest e =
      Sm2MessageDigest(std::span<const uint8_t, 32>(pub.first.data(), 32),
                       std::span<const uint8_t, 32>(pub.second.data(), 32), message);
  const std::vector<uint8_t> rs = Sign(key.get(), 3, 6, {e.begin(), e.end()});
  ASSERT_EQ(rs.size(), 64u);
  EXPECT_TRUE(OpensslVerifySm2(pub.pem, message, rs));
  std::vector<uint8_t> tampered = message;
  tampered[0] ^= 1;
  EXPECT_FALSE(OpensslVerifySm2(pub.pem, tampered, rs));

  uint32_t status = 0;
  Sign(key.get(), 3, 2, {e.begin(), e.end()}, &status);
  EXPECT_EQ(status, dev::kSwWrongData) << "an SM2 key signs SM3 digests only";
}

TEST(SoftKeySigning, TransactionSignatureComesAfterTheButton) {
  SoftKeyScene scene;
  const std::string name =
      scene.AddKey({.button = "ok:2", .keyPairs = {{1, 1, "rsa2048-b"}, {2, 1, "sm2-b"}}});
  LoggedInKey key(scene.ReaderName(name));
  const std::vector<uint8_t> message = Bytes(
      "02"
      "0000000000000004"
      "ABCD"
      "01"
      "0000000000000003"
      "xyz"
      "00"
      "0000000000000002"
      "ok");
  // RSA 2048: 0x61 with the signature's length modulo 256.
  std::vector<uint8_t> signature(512);
  uint32_t length = 512;
  ASSERT_EQ(
      Zant().RSAPrivateSignEx(key.get(), 1, 2, message.data(),
                              static_cast<uint32_t>(message.size()), signature.data(), &length, 0),
      0x6100u);
  uint32_t polls = 0;
  ASSERT_EQ(PollUntilEnded(key.get(), &polls), dev::kStateOk);
  EXPECT_EQ(polls, 3u);
  length = 512;
  ASSERT_EQ(Zant().GetData(key.get(), signature.data(), &length, 5), dev::kOk);
  ASSERT_EQ(length, 256u);
  signature.resize(length);
  const PublicKey rsa = ReadPublicKey(key.get(), 1);
  EXPECT_TRUE(
      OpensslVerifyRsaDigest(rsa.pem, Digest(MBEDTLS_MD_SHA256, message), signature, "sha256"));
  length = 512;
  EXPECT_EQ(Zant().GetData(key.get(), signature.data(), &length, 5), dev::kSwConditionsNotSatisfied)
      << "a result is handed out once";

  // SM2: the key computes Z and e itself.
  std::vector<uint8_t> rs(64);
  length = 64;
  ASSERT_EQ(Zant().RSAPrivateSignEx(key.get(), 2, 6, message.data(),
                                    static_cast<uint32_t>(message.size()), rs.data(), &length, 0),
            0x6140u);
  ASSERT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
  length = 0;
  ASSERT_EQ(Zant().GetData(key.get(), nullptr, &length, 5), dev::kOk);
  ASSERT_EQ(length, 64u);
  ASSERT_EQ(Zant().GetData(key.get(), rs.data(), &length, 0), dev::kOk);
  EXPECT_TRUE(OpensslVerifySm2(ReadPublicKey(key.get(), 2).pem, message, rs));
}

TEST(SoftKeySigning, GeneratedKeysSignAndDeleteBehindTheButton) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.button = "ok:0"});
  LoggedInKey key(scene.ReaderName(name));
  ASSERT_EQ(Zant().GenerateRSAKey(key.get(), 4, "7305", 1024, 2), dev::kSwWaitButton);
  ASSERT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
  uint8_t result[32];
  uint32_t length = sizeof result;
  ASSERT_EQ(Zant().GetData(key.get(), result, &length, 0), dev::kOk);
  EXPECT_EQ(length, 0u);
  uint32_t bits = 0;
  uint32_t flags = 0;
  ASSERT_EQ(Zant().GetKeyInfo(key.get(), 4, &bits, &flags), dev::kOk);
  EXPECT_EQ(bits, 1024u);
  EXPECT_EQ(flags, 0x21u) << "RSA 1024 with generation option 2 (device usage 3)";
  const std::vector<uint8_t> digest = Digest(MBEDTLS_MD_SHA1, Bytes("generated"));
  EXPECT_TRUE(OpensslVerifyRsaDigest(ReadPublicKey(key.get(), 4).pem, digest,
                                     Sign(key.get(), 4, 1, digest), "sha1"));

  ASSERT_EQ(Zant().GenerateRSAKey(key.get(), 5, "7305", 256, 0), dev::kSwWaitButton);
  ASSERT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
  length = sizeof result;
  ASSERT_EQ(Zant().GetData(key.get(), result, &length, 5), dev::kOk);
  const PublicKey sm2 = ReadPublicKey(key.get(), 5);
  const std::vector<uint8_t> message = Bytes("generated SM2");
  const Sm3Digest e =
      Sm2MessageDigest(std::span<const uint8_t, 32>(sm2.first.data(), 32),
                       std::span<const uint8_t, 32>(sm2.second.data(), 32), message);
  EXPECT_TRUE(OpensslVerifySm2(sm2.pem, message, Sign(key.get(), 5, 6, {e.begin(), e.end()})));

  ASSERT_EQ(Zant().DeleteRSAKey(key.get(), 4, 0), dev::kSwWaitButton);
  ASSERT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
  length = sizeof result;
  ASSERT_EQ(Zant().GetData(key.get(), result, &length, 0), dev::kOk);
  EXPECT_EQ(Zant().GetKeyInfo(key.get(), 4, &bits, &flags), dev::kSwKeyNotFound);
  EXPECT_EQ(Zant().DeleteRSAKey(key.get(), 4, 0), dev::kSwKeyNotFound);
  EXPECT_EQ(Zant().GenerateRSAKey(key.get(), 4, "7305", 512, 0), dev::kSwWrongData);
  EXPECT_EQ(Zant().GenerateRSAKey(key.get(), 6, "7305", 1024, 0), dev::kSwIncorrectP1P2);
}

TEST(SoftKeySigning, PublicOperationsAndThePublicSignatureValue) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.keyPairs = {{1, 0, "rsa2048-a"}, {2, 0, "sm2-a"}}});
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(key.openStatus(), dev::kOk);
  const PublicKey pub = ReadPublicKey(key.get(), 1);
  EXPECT_EQ(pub.second, (std::vector<uint8_t>{0, 1, 0, 1}));

  // Small buffers learn both lengths and receive nothing.
  uint8_t small[4];
  uint32_t firstLength = 4;
  uint32_t secondLength = 4;
  EXPECT_EQ(Zant().ReadRSAPub(key.get(), 1, nullptr, small, &firstLength, small, &secondLength, 0),
            dev::kSwWrongLength);
  EXPECT_EQ(firstLength, 256u);

  std::vector<uint8_t> value(1024);
  uint32_t length = 1024;
  int dummy = 0;
  ASSERT_EQ(Zant().GetPubSigVal(key.get(), 1, &dummy, value.data(), &length), dev::kOk);
  ASSERT_EQ(length, 306u);
  EXPECT_EQ(std::memcmp(value.data(), "PSV1", 4), 0);
  EXPECT_EQ(std::memcmp(value.data() + 50, pub.first.data(), 256), 0);
  length = 1024;
  EXPECT_EQ(Zant().GetPubSigVal(key.get(), 2, &dummy, value.data(), &length),
            dev::kSwFunctionNotSupported);
  EXPECT_EQ(Zant().GetPubSigVal(key.get(), 1, nullptr, value.data(), &length), dev::kSwWrongData);

  // The public operation undoes a signature: the padded DigestInfo comes back.
  ASSERT_EQ(Zant().VerifyPIN(key.get(), "12345678", 8), dev::kOk);
  const std::vector<uint8_t> digest = Digest(MBEDTLS_MD_SHA256, Bytes("round trip"));
  const std::vector<uint8_t> signature = Sign(key.get(), 1, 2, digest);
  std::vector<uint8_t> recovered(256);
  length = 256;
  ASSERT_EQ(Zant().RSAPublicDec(key.get(), 1, signature.data(), 256, recovered.data(), &length),
            dev::kOk);
  EXPECT_EQ(recovered[0], 0);
  EXPECT_EQ(recovered[1], 1);
  EXPECT_EQ(std::memcmp(recovered.data() + 256 - 32, digest.data(), 32), 0);
}

}  // namespace
}  // namespace kq::test
