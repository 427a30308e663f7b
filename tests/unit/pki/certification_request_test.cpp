// The pieces of PKCS #10 requests where DER's sign bytes and blanks decide; whole requests made by
// the enrolment export are read and verified by the openssl command in the tools' integration
// tests.
#include "pki/certification_request.h"

#include <gtest/gtest.h>

namespace kq {
namespace {

// r with its top bit set gains a sign byte; s loses its leading zero; zero keeps one byte.
TEST(CertificationRequest, Sm2SignatureSignBytes) {
  ByteVector r(32, 0x01);
  ByteVector s(32, 0x02);
  r[0] = 0x9F;
  s[0] = 0x00;
  ByteVector out;
  ASSERT_EQ(EncodeSm2Signature(r.data(), s.data(), out), 0);
  EXPECT_EQ(ByteVector(out.begin(), out.begin() + 9),
            (ByteVector{0x03, 0x47, 0x00, 0x30, 0x44, 0x02, 0x21, 0x00, 0x9F}));
  EXPECT_EQ(ByteVector(out.begin() + 40, out.begin() + 43), (ByteVector{0x02, 0x1F, 0x02}));
  const ByteVector zero(32, 0x00);
  ASSERT_EQ(EncodeSm2Signature(zero.data(), zero.data(), out), 0);
  EXPECT_EQ(out, (ByteVector{0x03, 0x09, 0x00, 0x30, 0x06, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00}));
}

// Types in any case, blanks trimmed, blank components skipped; a value of 0x80 or more (any
// Chinese text) gets no sign byte; unknown types, empty subjects and unknown hashes are refused.
TEST(CertificationRequest, SubjectTypesBlanksAndRefusals) {
  ByteVector lower;
  ByteVector upper;
  ASSERT_EQ(
      EncodeSubjectName(std::vector<DnComponent>{{" cn ", " a "}, {"O", "  "}, {"t", "S"}}, lower),
      0);
  ASSERT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "a"}, {"T", "S"}}, upper), 0);
  EXPECT_EQ(lower, upper);
  ASSERT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "\xD5\xC5"}}, upper), 0);
  EXPECT_EQ(upper, (ByteVector{0x30, 0x0D, 0x31, 0x0B, 0x30, 0x09, 0x06, 0x03, 0x55, 0x04, 0x03,
                               0x0C, 0x02, 0xD5, 0xC5}));
  ByteVector out{1, 2};
  EXPECT_EQ(EncodeSubjectName(std::vector<DnComponent>{{"CN", "a"}, {"L", "x"}}, out), 2);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(EncodeSubjectName(std::vector<DnComponent>{}, out), 1);
  for (int index = -1; index <= 6; ++index) {  // the signature algorithms of hashes 1 to 6
    EXPECT_EQ(EncodeSignatureAlgorithm(index, out), index >= 0 && index <= 5 ? 0 : -1) << index;
  }
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace kq
