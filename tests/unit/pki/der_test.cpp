// The reading of SM2 signatures and of a certificate's length from its header, and the encoder's
// refusals. Lengths and INTEGERs that the encoder writes are read back by the openssl command in
// the enrolment tests.
#include <gtest/gtest.h>

#include "pki/der_encode.h"
#include "pki/der_reader.h"
#include "support/exact_buffer.h"

namespace kq {
namespace {

// SEQUENCE { INTEGER r, INTEGER s } around the two contents as given, with `more` after them in
// an element of the given tag.
ByteVector SignatureDer(const ByteVector& r, const ByteVector& s, const ByteVector& more = {},
                        uint8_t tag = 0x30) {
  ByteVector body{0x02, static_cast<uint8_t>(r.size())};
  body.insert(body.end(), r.begin(), r.end());
  body.insert(body.end(), {0x02, static_cast<uint8_t>(s.size())});
  body.insert(body.end(), s.begin(), s.end());
  body.insert(body.end(), more.begin(), more.end());
  ByteVector der{tag, static_cast<uint8_t>(body.size())};
  der.insert(der.end(), body.begin(), body.end());
  return der;
}

TEST(DerReader, Sm2SignaturesComeOutAsTwoRightAlignedNumbers) {
  ByteVector high(33, 0xA5);
  high[0] = 0x00;  // the sign byte in front of a number with its top bit set
  ByteVector trailing = SignatureDer({0x01}, {0x02});
  trailing.push_back(0x00);
  const std::pair<ByteVector, bool> cases[] = {
      {SignatureDer({0x01}, {0x02, 0x03}), true},
      {SignatureDer(ByteVector(33, 0x11), {0x07}), false},  // 33 significant bytes
      {SignatureDer({0x80}, {0x07}), false},                // a negative r
      {SignatureDer({0x01}, {}), false},
      {SignatureDer({0x01}, {0x02}, {0x02, 0x01, 0x03}), false},  // a third number
      {SignatureDer({0x01}, {0x02}, {}, 0x31), false},
      {trailing, false}};
  std::array<uint8_t, 64> rs{};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(ReadDerSm2Signature(cases[i].first, rs), cases[i].second) << i;
  }
  ASSERT_TRUE(ReadDerSm2Signature(SignatureDer(high, {0x02, 0x03}), rs));
  EXPECT_EQ(ByteVector(rs.begin(), rs.begin() + 32), ByteVector(high.begin() + 1, high.end()));
  ByteVector s(32, 0x00);
  s[30] = 0x02;
  s[31] = 0x03;
  EXPECT_EQ(ByteVector(rs.begin() + 32, rs.end()), s);
  test::ForEachTruncatedPrefix(SignatureDer(high, high), [&](std::span<const uint8_t> p, size_t n) {
    EXPECT_FALSE(ReadDerSm2Signature(p, rs)) << n;
  });
}

TEST(DerReader, CertificateLengthComesFromItsHeaderAlone) {
  const std::pair<ByteVector, size_t> headers[] = {
      {{0x30, 0x05}, 7},
      {{0x30, 0x82, 0x01, 0x2C}, 304},
      {{0x30, 0x84, 0x00, 0x01, 0x00, 0x00}, 65542},
      {{0x31, 0x05}, 0},                                // another tag
      {{0x30, 0x80}, 0},                                // a long form without length bytes
      {{0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x01}, 0},  // a length too long to hold
  };
  for (const auto& [header, length] : headers) {
    EXPECT_EQ(DerSequenceLengthFromHeader(header.data()), length) << header.size();
  }
}

// Content that with a sign byte would not fit the largest length is refused before it is read.
TEST(DerEncode, RefusesOversizedContent) {
  const uint8_t byte = 1;
  ByteVector out{1, 2, 3};
  EXPECT_EQ(EncodeDerElement(kDerSequence, &byte, kDerMaxContentLength, out), -1);
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace kq
