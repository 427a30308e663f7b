// DER encoding of request pieces and the header reading of certificate keys.
#include <gtest/gtest.h>

#include "pki/der_encode.h"
#include "pki/der_reader.h"
#include "support/exact_buffer.h"

namespace kq {
namespace {

ByteVector Length(size_t length) {
  ByteVector out{0xEE};
  EncodeDerLength(length, out);
  return out;
}

TEST(DerEncode, LengthsInShortAndLongForm) {
  EXPECT_EQ(Length(0), (ByteVector{0x00}));
  EXPECT_EQ(Length(127), (ByteVector{0x7F}));
  EXPECT_EQ(Length(128), (ByteVector{0x81, 0x80}));
  EXPECT_EQ(Length(255), (ByteVector{0x81, 0xFF}));
  EXPECT_EQ(Length(256), (ByteVector{0x82, 0x01, 0x00}));
  EXPECT_EQ(Length(300), (ByteVector{0x82, 0x01, 0x2C}));
  EXPECT_EQ(Length(65536), (ByteVector{0x83, 0x01, 0x00, 0x00}));
}

TEST(DerEncode, ElementsKeepIntegersPositiveWithoutMinimising) {
  ByteVector out;
  const uint8_t exponent[] = {0x00, 0x01, 0x00, 0x01};
  ASSERT_EQ(EncodeDerElement(kDerInteger, exponent, sizeof exponent, out), 0);
  EXPECT_EQ(out, (ByteVector{0x02, 0x04, 0x00, 0x01, 0x00, 0x01}));
  const uint8_t high[] = {0x80};
  ASSERT_EQ(EncodeDerElement(kDerInteger, high, 1, out), 0);
  EXPECT_EQ(out, (ByteVector{0x02, 0x02, 0x00, 0x80}));

  const ByteVector modulus(256, 0xC3);
  ASSERT_EQ(EncodeDerElement(kDerInteger, modulus.data(), modulus.size(), out), 0);
  ASSERT_EQ(out.size(), 4u + 1 + 256);
  EXPECT_EQ((ByteVector(out.begin(), out.begin() + 5)), (ByteVector{0x02, 0x82, 0x01, 0x01, 0x00}));
}

TEST(DerEncode, RefusesMissingContentAndLeavesTheOutputEmpty) {
  ByteVector out{1, 2, 3};
  const uint8_t byte = 1;
  EXPECT_EQ(EncodeDerElement(kDerSequence, nullptr, 3, out), -1);
  EXPECT_TRUE(out.empty());
  out = {1};
  EXPECT_EQ(EncodeDerElement(kDerSequence, &byte, 0, out), -1);
  EXPECT_TRUE(out.empty());
  out = {1};
  EXPECT_EQ(EncodeDerBitString(&byte, 0, out), -1);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(EncodeDerBitString(nullptr, 1, out), -1);
}

TEST(DerEncode, BitStringsHaveNoUnusedBits) {
  ByteVector out;
  const uint8_t content[] = {0xA1, 0xB2, 0xC3};
  ASSERT_EQ(EncodeDerBitString(content, 3, out), 0);
  EXPECT_EQ(out, (ByteVector{0x03, 0x04, 0x00, 0xA1, 0xB2, 0xC3}));
}

bool ReadInteger(std::span<const uint8_t> bytes, ByteVector& content) {
  ByteReader reader(bytes);
  std::span<const uint8_t> view;
  if (!ReadDerInteger(reader, view)) {
    return false;
  }
  content.assign(view.begin(), view.end());
  return true;
}

TEST(DerReader, IntegerHeadersInTheFormsTheKeyReaderAccepts) {
  ByteVector content;
  EXPECT_TRUE(ReadInteger(ByteVector{0x02, 0x01, 0x05}, content));
  EXPECT_EQ(content, ByteVector{0x05});
  ByteVector longForm{0x02, 0x81, 0x02, 0xAA, 0xBB};
  EXPECT_TRUE(ReadInteger(longForm, content));
  EXPECT_EQ(content, (ByteVector{0xAA, 0xBB}));
  ByteVector twoBytes{0x02, 0x82, 0x00, 0x01, 0x77};
  EXPECT_TRUE(ReadInteger(twoBytes, content));
  EXPECT_EQ(content, ByteVector{0x77});
  // 0x80 is read as the length 128.
  ByteVector eighty{0x02, 0x80};
  eighty.resize(2 + 128, 0x11);
  EXPECT_TRUE(ReadInteger(eighty, content));
  EXPECT_EQ(content.size(), 128u);

  EXPECT_FALSE(ReadInteger(ByteVector{0x02, 0x83, 0x00, 0x00, 0x01, 0x01}, content));
  EXPECT_FALSE(ReadInteger(ByteVector{0x03, 0x01, 0x05}, content));
  EXPECT_FALSE(ReadInteger(ByteVector{0x02, 0x05, 0x01}, content));
}

TEST(DerReader, SequenceHeaderIsSteppedOverWithoutReadingItsLength) {
  const ByteVector bytes{0x30, 0x82, 0xFF, 0xFF, 0x02, 0x01, 0x07};
  ByteReader reader(bytes);
  ASSERT_TRUE(SkipDerSequenceHeader(reader));
  EXPECT_EQ(reader.position(), 4u);
  std::span<const uint8_t> content;
  ASSERT_TRUE(ReadDerInteger(reader, content));
  EXPECT_EQ(content[0], 0x07);
}

TEST(DerReader, EveryTruncatedPrefixIsRefusedWithoutOverreading) {
  ByteVector key{0x30, 0x82, 0x01, 0x0A, 0x02, 0x82, 0x01, 0x01, 0x00};
  key.resize(key.size() + 256, 0xC5);
  key.insert(key.end(), {0x02, 0x03, 0x01, 0x00, 0x01});
  test::ForEachTruncatedPrefix(key, [&](std::span<const uint8_t> prefix, size_t size) {
    ByteReader reader(prefix);
    std::span<const uint8_t> modulus;
    const bool ok = SkipDerSequenceHeader(reader) && ReadDerInteger(reader, modulus);
    EXPECT_EQ(ok, size >= 4 + 4 + 257) << size;
  });
}

}  // namespace
}  // namespace kq
