// DER lengths, the length of a certificate from its header, and the reading of SM2 signatures.
// INTEGER headers of certificate keys are read through the certificate reader's tests.
#include <gtest/gtest.h>

#include "pki/der_encode.h"
#include "pki/der_reader.h"
#include "support/exact_buffer.h"

namespace kq {
namespace {

TEST(DerEncode, LengthsInShortAndLongFormAndMissingContent) {
  const std::pair<size_t, ByteVector> lengths[] = {{0, {0x00}},
                                                   {127, {0x7F}},
                                                   {128, {0x81, 0x80}},
                                                   {255, {0x81, 0xFF}},
                                                   {300, {0x82, 0x01, 0x2C}},
                                                   {65536, {0x83, 0x01, 0x00, 0x00}}};
  for (const auto& [length, expected] : lengths) {
    ByteVector out{0xEE};
    EncodeDerLength(length, out);
    EXPECT_EQ(out, expected) << length;
  }
  // Missing content is refused and leaves the output empty; INTEGERs, BIT STRINGs and their
  // refusals are pinned by the request pieces' encodings.
  ByteVector out{1, 2, 3};
  EXPECT_EQ(EncodeDerElement(kDerSequence, nullptr, 3, out), -1);
  EXPECT_TRUE(out.empty());
  const uint8_t byte = 1;
  // Content that, with a sign byte, would not fit the largest length is refused before it is read.
  EXPECT_EQ(EncodeDerElement(kDerSequence, &byte, kDerMaxContentLength, out), -1);
  out = {1};
  EXPECT_EQ(EncodeDerBitString(&byte, 0, out), -1);
  EXPECT_TRUE(out.empty());
}

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
  struct Case {
    const char* what;
    ByteVector der;
    bool accepted;
  };
  const Case cases[] = {
      {"short numbers", SignatureDer({0x01}, {0x02, 0x03}), true},
      {"a sign byte", SignatureDer(high, {0x07}), true},
      {"33 significant bytes", SignatureDer(ByteVector(33, 0x11), {0x07}), false},
      {"a negative r", SignatureDer({0x80}, {0x07}), false},
      {"an empty s", SignatureDer({0x01}, {}), false},
      {"a third number", SignatureDer({0x01}, {0x02}, {0x02, 0x01, 0x03}), false},
      {"another outer tag", SignatureDer({0x01}, {0x02}, {}, 0x31), false},
      {"a byte after the sequence", trailing, false},
  };
  for (const Case& c : cases) {
    std::array<uint8_t, 64> rs{};
    EXPECT_EQ(ReadDerSm2Signature(c.der, rs), c.accepted) << c.what;
  }
  std::array<uint8_t, 64> rs{};
  ASSERT_TRUE(ReadDerSm2Signature(SignatureDer(high, {0x02, 0x03}), rs));
  EXPECT_EQ(ByteVector(rs.begin(), rs.begin() + 32), ByteVector(high.begin() + 1, high.end()));
  EXPECT_EQ(ByteVector(rs.begin() + 32, rs.end() - 2), ByteVector(30, 0x00));
  EXPECT_EQ(rs[62], 0x02);
  EXPECT_EQ(rs[63], 0x03);

  const ByteVector whole = SignatureDer(high, high);
  test::ForEachTruncatedPrefix(whole, [&](std::span<const uint8_t> prefix, size_t size) {
    EXPECT_FALSE(ReadDerSm2Signature(prefix, rs)) << size;
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

}  // namespace
}  // namespace kq
