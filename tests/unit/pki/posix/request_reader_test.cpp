// The parts of certification requests: one made by the openssl command (with its attributes
// element), whose SM2 signature the system's own SM2 verification must accept, and one in the
// system's own form (no attributes), split back into what went into it.
#include <gtest/gtest.h>

#include "crypto/sm2_prepare.h"
#include "crypto/sm2_verify.h"
#include "pki/certification_request.h"
#include "pki/der_encode.h"
#include "pki/der_reader.h"
#include "pki/request_reader.h"
#include "support/exact_buffer.h"
#include "support/openssl_command.h"

namespace kq {
namespace {

ByteVector Bytes(std::span<const uint8_t> view) {
  return {view.begin(), view.end()};
}

TEST(RequestReader, OpensslSm2RequestSplitsAndItsSignatureVerifies) {
  const test::TempDirectory dir;
  const std::string key = dir.File("key.pem");
  const std::string request = dir.File("request.der");
  const std::string publicKey = dir.File("public.der");
  ASSERT_TRUE(test::RunOpenssl("genpkey -algorithm EC -pkeyopt ec_paramgen_curve:SM2 -out " + key));
  ASSERT_TRUE(test::RunOpenssl("req -new -key " + key +
                               " -subj /CN=Reader/O=Demo -sm3 -sigopt distid:1234567812345678"
                               " -outform DER -out " +
                               request));
  ASSERT_TRUE(test::RunOpenssl("pkey -in " + key + " -pubout -outform DER -out " + publicKey));
  const ByteVector der = test::ReadBytes(request);
  const ByteVector publicKeyInfo = test::ReadBytes(publicKey);

  RequestParts parts;
  ASSERT_TRUE(ReadCertificationRequest(der, parts));
  EXPECT_EQ(Bytes(parts.publicKeyInfo), publicKeyInfo);
  EXPECT_EQ(Bytes(parts.publicKey), ByteVector(publicKeyInfo.end() - 65, publicKeyInfo.end()));
  EXPECT_EQ(parts.subject.data() + parts.subject.size(), parts.publicKeyInfo.data());
  std::array<uint8_t, 64> rs{};
  ASSERT_TRUE(ReadDerSm2Signature(parts.signature, rs));
  const auto x = parts.publicKey.subspan<1, 32>();
  const auto y = parts.publicKey.subspan<33, 32>();
  EXPECT_TRUE(Sm2Verify(x, y, Sm2MessageDigest(x, y, parts.info), rs));
  ByteVector altered = Bytes(parts.info);
  altered.back() ^= 1;
  EXPECT_FALSE(Sm2Verify(x, y, Sm2MessageDigest(x, y, altered), rs));

  test::ForEachTruncatedPrefix(der, [](std::span<const uint8_t> prefix, size_t size) {
    RequestParts ignored;
    EXPECT_FALSE(ReadCertificationRequest(prefix, ignored)) << size;
  });
  ByteVector longer = der;
  longer.push_back(0);
  EXPECT_FALSE(ReadCertificationRequest(longer, parts));
}

// A request in the system's own form around an SM2 key, as the enrolment export builds it.
struct OwnRequest {
  ByteVector subject;
  ByteVector keyInfo;
  ByteVector info;
  ByteVector signature;
  ByteVector der;
  std::array<uint8_t, 64> point{};
  std::array<uint8_t, 64> rs{};

  // keyExtra goes at the end of the SubjectPublicKeyInfo's content.
  explicit OwnRequest(const ByteVector& keyExtra = {}) {
    point.fill(0x42);
    rs.fill(0x81);
    ByteVector algorithm;
    EXPECT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "Demo"}, {"T", "S"}}, subject), 0);
    EXPECT_EQ(EncodeSm2PublicKeyInfo(point.data(), point.size(), keyInfo), 0);
    if (!keyExtra.empty()) {
      ByteVector content(keyInfo.begin() + 2, keyInfo.end());  // a short-form header
      content.insert(content.end(), keyExtra.begin(), keyExtra.end());
      EXPECT_EQ(EncodeDerElement(kDerSequence, content.data(), content.size(), keyInfo), 0);
    }
    EXPECT_EQ(EncodeRequestInfo(subject, keyInfo, info), 0);
    EXPECT_EQ(EncodeSignatureAlgorithm(5, algorithm), 0);
    EXPECT_EQ(EncodeSm2Signature(rs.data(), rs.data() + 32, signature), 0);
    EXPECT_EQ(EncodeRequest(info, algorithm, signature, der), 0);
  }
};

TEST(RequestReader, TheSystemsOwnFormComesApartIntoItsPieces) {
  const OwnRequest request;
  RequestParts parts;
  ASSERT_TRUE(ReadCertificationRequest(request.der, parts));
  EXPECT_EQ(Bytes(parts.info), request.info);
  EXPECT_EQ(Bytes(parts.subject), request.subject);
  EXPECT_EQ(Bytes(parts.publicKeyInfo), request.keyInfo);
  ByteVector uncompressed{0x04};
  uncompressed.insert(uncompressed.end(), request.point.begin(), request.point.end());
  EXPECT_EQ(Bytes(parts.publicKey), uncompressed);
  std::array<uint8_t, 64> rs{};
  ASSERT_TRUE(ReadDerSm2Signature(parts.signature, rs));
  EXPECT_EQ(rs, request.rs);

  // Only whole bytes are taken from a BIT STRING, and every element ends where its parent does.
  ByteVector unusedBits = request.der;
  unusedBits[unusedBits.size() - request.signature.size() + 2] = 1;
  EXPECT_FALSE(ReadCertificationRequest(unusedBits, parts));
  EXPECT_FALSE(ReadCertificationRequest(OwnRequest({0x05, 0x00}).der, parts));
}

}  // namespace
}  // namespace kq
