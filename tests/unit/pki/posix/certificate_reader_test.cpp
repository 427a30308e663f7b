// Certificates from base64 text, their public key bytes and the self-signature check.
#include <gtest/gtest.h>
#include <openssl/objects.h>

#include "pki/base64.h"
#include "pki/certificate_fields.h"
#include "pki/certificate_reader.h"
#include "support/exact_buffer.h"
#include "support/test_certificates.h"

namespace kq {
namespace {

constexpr char kRsaOid[] = "1.2.840.113549.1.1.1";
constexpr char kEcOid[] = "1.2.840.10045.2.1";
const ByteVector kRefused{0xEE};

std::string Base64Of(const ByteVector& der) {
  std::string text;
  EXPECT_TRUE(Base64Encode(der, text));
  return text;
}

ByteVector KeyBytes(const ByteVector& der) {
  ByteVector key;
  return CertPublicKeyBytes(der.data(), der.size(), key) ? key : kRefused;
}

class CertificateReader : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    rsa_ = test::MakeRsaKey(1024).release();
    sm2_ = test::MakeSm2Key().release();
  }
  static void TearDownTestSuite() {
    EVP_PKEY_free(rsa_);
    EVP_PKEY_free(sm2_);
  }
  static ByteVector Issued(EVP_PKEY* key) {
    return test::MakeCertificate({{{"CN", "holder"}}, key, rsa_, std::nullopt, {}});
  }
  static ByteVector WithKeyBits(const char* oid, const ByteVector& bits) {
    return test::MakeCertificate({{{"CN", "crafted"}}, rsa_, rsa_, oid, bits});
  }
  static ByteVector Compressed() {
    ByteVector point = test::Sm2Point(sm2_);
    point.resize(33);
    point[0] = 0x02;
    return point;
  }

  static inline EVP_PKEY* rsa_ = nullptr;
  static inline EVP_PKEY* sm2_ = nullptr;
};

// The modulus without its sign byte, or the uncompressed point; hand-crafted key bits.
TEST_F(CertificateReader, CertificatesYieldTheModulusOrTheUncompressedPoint) {
  ByteVector rsa2048{0x30, 0x82, 0x01, 0x0A, 0x02, 0x82, 0x01, 0x01, 0x00};
  rsa2048.resize(rsa2048.size() + 256, 0xB7);
  rsa2048.insert(rsa2048.end(), {0x02, 0x03, 0x01, 0x00, 0x01});
  const std::pair<ByteVector, ByteVector> cases[] = {
      {Issued(rsa_), test::RsaModulus(rsa_)},
      {Issued(sm2_), test::Sm2Point(sm2_)},
      {WithKeyBits(kRsaOid, rsa2048), ByteVector(256, 0xB7)},
      // A short-form modulus without a sign byte is taken whole.
      {WithKeyBits(kRsaOid, {0x30, 0x07, 0x02, 0x02, 0x7F, 0x01, 0x02, 0x01, 0x03}), {0x7F, 0x01}},
      // Three length bytes, a modulus running past the key, a compressed point: refused.
      {WithKeyBits(kRsaOid, {0x30, 0x0A, 0x02, 0x83, 0x00, 0x00, 0x02, 0x11, 0x22}), kRefused},
      {WithKeyBits(kRsaOid, {0x30, 0x05, 0x02, 0x40, 0x01}), kRefused},
      {WithKeyBits(kEcOid, Compressed()), kRefused}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(KeyBytes(cases[i].first), cases[i].second) << i;
  }
}

TEST_F(CertificateReader, DecodeBase64CertificateResults) {
  const ByteVector der = Issued(sm2_);
  const std::string text = Base64Of(der);
  DecodedCertificate record;
  ASSERT_EQ(DecodeBase64Certificate(text.data(), text.size(), record), 0);
  EXPECT_EQ(record.der, der);
  EXPECT_EQ(record.publicKey, test::Sm2Point(sm2_));
  const std::string unmatched = Base64Of(WithKeyBits(kEcOid, Compressed()));
  const std::pair<std::string, int> refused[] = {
      {"", -1}, {"@@@@", -2}, {"TWFu", 1}, {unmatched, 3}};
  for (const auto& [input, result] : refused) {
    EXPECT_EQ(DecodeBase64Certificate(input.data(), input.size(), record), result) << input;
    EXPECT_TRUE(record.der.empty() && record.publicKey.empty());
  }
}

TEST_F(CertificateReader, EveryTruncatedCertificateIsRefusedWithoutOverreading) {
  for (const ByteVector& der : {Issued(rsa_), Issued(sm2_)}) {
    test::ForEachTruncatedPrefix(der, [&](std::span<const uint8_t> prefix, size_t size) {
      ByteVector key;
      EXPECT_FALSE(CertPublicKeyBytes(prefix.data(), size, key)) << size;
      EXPECT_FALSE(platform::Certificate::Decode(prefix).loaded()) << size;
      CertificateFields fields;
      EXPECT_FALSE(ReadCertificateFields(prefix, fields)) << size;
    });
    // The whole certificate gives its serial INTEGER and two names, inside its own bytes.
    CertificateFields fields;
    ASSERT_TRUE(ReadCertificateFields(der, fields));
    EXPECT_EQ(fields.serialNumber.front(), 0x02);
    EXPECT_EQ(fields.issuer.front(), 0x30);
    EXPECT_EQ(fields.subject.front(), 0x30);
    EXPECT_LT(fields.subject.data() + fields.subject.size(), der.data() + der.size());
  }
}

}  // namespace
}  // namespace kq
