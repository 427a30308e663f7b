// The pieces of PKCS #10 requests where DER's sign bytes and blanks decide; whole requests made by
// the enrolment export are read and verified by the openssl command in the tools' integration
// tests.
#include "pki/certification_request.h"

#include <gtest/gtest.h>

namespace kq {
namespace {

ByteVector Slice(const ByteVector& bytes, size_t from, size_t to) {
  return ByteVector(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                    bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

TEST(CertificationRequest, SignBytesWhereTheTopBitIsSet) {
  ByteVector out;
  // A value whose first byte is 0x80 or more (any Chinese text) is never given a sign byte.
  ASSERT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "\xD5\xC5"}}, out), 0);
  EXPECT_EQ(out, (ByteVector{0x30, 0x0D, 0x31, 0x0B, 0x30, 0x09, 0x06, 0x03, 0x55, 0x04, 0x03, 0x0C,
                             0x02, 0xD5, 0xC5}));
  // The modulus INTEGER is one byte longer than the modulus: 02 81 81 00 C3 ...
  ByteVector modulus(128, 0x11);
  modulus[0] = 0xC3;
  const ByteVector exponent{0x00, 0x01, 0x00, 0x01};
  ASSERT_EQ(EncodeRsaPublicKeyInfo(modulus.data(), 128, exponent.data(), 4, out), 0);
  EXPECT_EQ(Slice(out, 0, 3), (ByteVector{0x30, 0x81, 0xA0}));
  EXPECT_EQ(Slice(out, 25, 30), (ByteVector{0x02, 0x81, 0x81, 0x00, 0xC3}));
  EXPECT_EQ(Slice(out, out.size() - 6, out.size()),
            (ByteVector{0x02, 0x04, 0x00, 0x01, 0x00, 0x01}));
  // r with its top bit set gains a sign byte; s loses its leading zero; zero keeps one byte.
  ByteVector r(32, 0x01);
  ByteVector s(32, 0x02);
  r[0] = 0x9F;
  s[0] = 0x00;
  ASSERT_EQ(EncodeSm2Signature(r.data(), s.data(), out), 0);
  EXPECT_EQ(Slice(out, 0, 9), (ByteVector{0x03, 0x47, 0x00, 0x30, 0x44, 0x02, 0x21, 0x00, 0x9F}));
  EXPECT_EQ(Slice(out, 40, 43), (ByteVector{0x02, 0x1F, 0x02}));
  const ByteVector zero(32, 0x00);
  ASSERT_EQ(EncodeSm2Signature(zero.data(), zero.data(), out), 0);
  EXPECT_EQ(out, (ByteVector{0x03, 0x09, 0x00, 0x30, 0x06, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00}));
}

TEST(CertificationRequest, SubjectTypesBlanksAndRefusals) {
  ByteVector lower;
  ByteVector upper;
  ASSERT_EQ(
      EncodeSubjectName(std::vector<DnComponent>{{" cn ", " a "}, {"O", "  "}, {"t", "S"}}, lower),
      0);
  ASSERT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "a"}, {"T", "S"}}, upper), 0);
  EXPECT_EQ(lower, upper);  // types in any case, blanks trimmed, blank components skipped
  ByteVector out{1, 2};
  EXPECT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "a"}, {"L", "x"}}, out), 2);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(EncodeSubjectName(std::vector<DnComponent>{}, out), 1);

  ByteVector rdns{0xAA};
  const uint8_t value = 'x';
  EXPECT_EQ(EncodeRdn("L", 1, &value, 1, rdns), 1);
  EXPECT_EQ(EncodeRdn("", 0, &value, 1, rdns), -1);
  EXPECT_EQ(EncodeRdn(nullptr, 2, &value, 1, rdns), -1);
  ASSERT_EQ(EncodeRdn("c", 1, &value, 1, rdns), 0);  // appended to what is there
  EXPECT_EQ(rdns, (ByteVector{0xAA, 0x31, 0x0A, 0x30, 0x08, 0x06, 0x03, 0x55, 0x04, 0x06, 0x0C,
                              0x01, 'x'}));
  const uint8_t byte = 1;
  const int refused[] = {EncodeRsaPublicKeyInfo(&byte, 0, &byte, 1, out),
                         EncodeRsaPublicKeyInfo(&byte, 1, nullptr, 1, out),
                         EncodeSm2PublicKeyInfo(&byte, 0, out),
                         EncodeSm2Signature(&byte, nullptr, out),
                         EncodeSignatureAlgorithm(6, out),
                         EncodeSignatureAlgorithm(-1, out),
                         EncodeRsaSignature(&byte, 0, out)};
  for (const int result : refused) {
    EXPECT_EQ(result, -1);
  }
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace kq
