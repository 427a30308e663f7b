#include "common/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kq {
namespace {

TEST(HexText, EncodesInEitherCaseAndDecodesBoth) {
  const std::vector<uint8_t> bytes{0x00, 0x7F, 0xAB, 0xFF};
  EXPECT_EQ(HexEncode(bytes, HexLetters::kLower), "007fabff");
  EXPECT_EQ(HexEncode(bytes, HexLetters::kUpper), "007FABFF");
  EXPECT_EQ(HexDecode("007fABff", "", HexSeparators::kAnywhere), bytes);
  EXPECT_EQ(HexDecode("", " ", HexSeparators::kAnywhere), std::vector<uint8_t>{});
  EXPECT_EQ(HexDigitValue('f'), 15);
  EXPECT_EQ(HexDigitValue('G'), -1);
}

TEST(HexText, SeparatorsStandWhereAllowed) {
  const std::vector<uint8_t> bytes{0xAB, 0xCD};
  EXPECT_EQ(HexDecode("ab:cd", ":", HexSeparators::kBetweenPairsOnly), bytes);
  EXPECT_FALSE(HexDecode("a b:cd", " :", HexSeparators::kBetweenPairsOnly));
  EXPECT_EQ(HexDecode("a b:c\nd", " :\n", HexSeparators::kAnywhere), bytes);
  EXPECT_FALSE(HexDecode("ab-cd", ":", HexSeparators::kAnywhere));  // not a separator here
  EXPECT_FALSE(HexDecode("abc", "", HexSeparators::kAnywhere));     // odd number of digits
}

}  // namespace
}  // namespace kq
