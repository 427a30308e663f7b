// Certification requests made by the openssl command, split into their parts: the SM2 signature
// must verify with the system's own SM2 verification, and damaged copies are refused.
#include <gtest/gtest.h>

#include "crypto/sm2_prepare.h"
#include "crypto/sm2_verify.h"
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

  // Truncated, with a byte after the end, or with unused bits in either BIT STRING: refused.
  test::ForEachTruncatedPrefix(der, [](std::span<const uint8_t> prefix, size_t size) {
    RequestParts ignored;
    EXPECT_FALSE(ReadCertificationRequest(prefix, ignored)) << size;
  });
  std::vector<ByteVector> damaged(3, der);
  damaged[0].push_back(0);
  damaged[1][static_cast<size_t>(parts.signature.data() - der.data()) - 1] = 1;
  damaged[2][static_cast<size_t>(parts.publicKey.data() - der.data()) - 1] = 1;
  for (const ByteVector& bytes : damaged) {
    RequestParts ignored;
    EXPECT_FALSE(ReadCertificationRequest(bytes, ignored));
  }
}

}  // namespace
}  // namespace kq
