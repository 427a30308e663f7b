// Certificates from base64 text, their public key bytes and the self-signature check.
#include <gtest/gtest.h>
#include <openssl/objects.h>

#include "pki/base64.h"
#include "pki/certificate_reader.h"
#include "support/exact_buffer.h"
#include "support/test_certificates.h"

namespace kq {
namespace {

constexpr char kRsaOid[] = "1.2.840.113549.1.1.1";
constexpr char kEcOid[] = "1.2.840.10045.2.1";

std::string Base64Of(const ByteVector& der) {
  std::string text;
  EXPECT_TRUE(Base64Encode(der, text));
  return text;
}

ByteVector KeyBytes(const ByteVector& der) {
  ByteVector key;
  EXPECT_TRUE(CertPublicKeyBytes(der.data(), der.size(), key));
  return key;
}

class CertificateReader : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    rsa1024_ = test::MakeRsaKey(1024).release();
    rsa2048_ = test::MakeRsaKey(2048).release();
    sm2_ = test::MakeSm2Key().release();
    ca_ = test::MakeRsaKey(2048).release();
  }
  static void TearDownTestSuite() {
    for (EVP_PKEY* key : {rsa1024_, rsa2048_, sm2_, ca_}) {
      EVP_PKEY_free(key);
    }
  }
  static ByteVector Issued(EVP_PKEY* key) {
    return test::MakeCertificate({{{"CN", "holder"}}, key, ca_, std::nullopt, {}});
  }
  static ByteVector WithKeyBits(const char* oid, const ByteVector& bits) {
    return test::MakeCertificate({{{"CN", "crafted"}}, rsa1024_, ca_, oid, bits});
  }

  static inline EVP_PKEY* rsa1024_ = nullptr;
  static inline EVP_PKEY* rsa2048_ = nullptr;
  static inline EVP_PKEY* sm2_ = nullptr;
  static inline EVP_PKEY* ca_ = nullptr;
};

TEST_F(CertificateReader, CertificatesYieldTheModulusWithoutSignByteOrTheUncompressedPoint) {
  EXPECT_EQ(KeyBytes(Issued(rsa1024_)), test::RsaModulus(rsa1024_));
  EXPECT_EQ(KeyBytes(Issued(rsa2048_)).size(), 256u);
  EXPECT_EQ(KeyBytes(Issued(sm2_)), test::Sm2Point(sm2_));
  EXPECT_EQ(KeyBytes(Issued(sm2_)).size(), 65u);
}

TEST_F(CertificateReader, HandCraftedKeyBits) {
  // A 2048-bit modulus INTEGER with length bytes 82 01 01 and a leading 00.
  ByteVector rsa{0x30, 0x82, 0x01, 0x0A, 0x02, 0x82, 0x01, 0x01, 0x00};
  rsa.resize(rsa.size() + 256, 0xB7);
  rsa.insert(rsa.end(), {0x02, 0x03, 0x01, 0x00, 0x01});
  EXPECT_EQ(KeyBytes(WithKeyBits(kRsaOid, rsa)), ByteVector(256, 0xB7));

  // A short-form modulus without a sign byte is taken whole.
  const ByteVector shortForm{0x30, 0x07, 0x02, 0x02, 0x7F, 0x01, 0x02, 0x01, 0x03};
  EXPECT_EQ(KeyBytes(WithKeyBits(kRsaOid, shortForm)), (ByteVector{0x7F, 0x01}));

  ByteVector key;
  // Three length bytes are refused, and so is a modulus running past the key.
  ByteVector threeBytes{0x30, 0x0A, 0x02, 0x83, 0x00, 0x00, 0x02, 0x11, 0x22};
  ByteVector der = WithKeyBits(kRsaOid, threeBytes);
  EXPECT_FALSE(CertPublicKeyBytes(der.data(), der.size(), key));
  der = WithKeyBits(kRsaOid, ByteVector{0x30, 0x05, 0x02, 0x40, 0x01});
  EXPECT_FALSE(CertPublicKeyBytes(der.data(), der.size(), key));

  // A compressed SM2 point (33 bytes) is not a key the system matches.
  ByteVector compressed = test::Sm2Point(sm2_);
  compressed.resize(33);
  compressed[0] = 0x02;
  der = WithKeyBits(kEcOid, compressed);
  EXPECT_FALSE(CertPublicKeyBytes(der.data(), der.size(), key));
  EXPECT_TRUE(key.empty());
}

TEST_F(CertificateReader, DecodeBase64CertificateResults) {
  const ByteVector der = Issued(rsa2048_);
  std::string text = Base64Of(der);
  // PEM-style line breaks are white space to the decoder.
  for (size_t i = 64; i < text.size(); i += 66) {
    text.insert(i, "\r\n");
  }
  DecodedCertificate record;
  ASSERT_EQ(DecodeBase64Certificate(text.data(), text.size(), record), 0);
  EXPECT_EQ(record.der, der);
  EXPECT_EQ(record.publicKey, test::RsaModulus(rsa2048_));

  EXPECT_EQ(DecodeBase64Certificate(text.data(), 0, record), -1);
  EXPECT_TRUE(record.der.empty());
  EXPECT_EQ(DecodeBase64Certificate("@@@@", 4, record), -2);
  const std::string notACertificate = "TWFu";
  EXPECT_EQ(DecodeBase64Certificate(notACertificate.data(), notACertificate.size(), record), 1);
  EXPECT_TRUE(record.der.empty());

  ByteVector compressed = test::Sm2Point(sm2_);
  compressed.resize(33);
  const std::string unmatched = Base64Of(WithKeyBits(kEcOid, compressed));
  EXPECT_EQ(DecodeBase64Certificate(unmatched.data(), unmatched.size(), record), 3);
  EXPECT_TRUE(record.der.empty() && record.publicKey.empty());
}

TEST_F(CertificateReader, EveryTruncatedCertificateIsRefusedWithoutOverreading) {
  for (const ByteVector& der : {Issued(rsa1024_), Issued(sm2_)}) {
    test::ForEachTruncatedPrefix(der, [&](std::span<const uint8_t> prefix, size_t size) {
      ByteVector key;
      EXPECT_FALSE(CertPublicKeyBytes(prefix.data(), size, key)) << size;
      EXPECT_FALSE(platform::Certificate::Decode(prefix).loaded()) << size;
    });
    const std::string text = Base64Of(der);
    test::ForEachTruncatedPrefix(
        {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
        [&](std::span<const uint8_t> prefix, size_t size) {
          DecodedCertificate record;
          EXPECT_NE(
              DecodeBase64Certificate(reinterpret_cast<const char*>(prefix.data()), size, record),
              0)
              << size;
        });
  }
}

}  // namespace
}  // namespace kq
