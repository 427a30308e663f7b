#include "common/hex_text.h"
#include "common/utf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kq {
namespace {

TEST(HexText, EncodesInEitherCaseAndDecodesBothWithSeparatorsWhereAllowed) {
  const std::vector<uint8_t> bytes{0x00, 0x7F, 0xAB, 0xFF};
  EXPECT_EQ(HexEncode(bytes, HexLetters::kLower), "007fabff");
  EXPECT_EQ(HexEncode(bytes, HexLetters::kUpper), "007FABFF");
  EXPECT_EQ(HexDecode("007fABff", "", HexSeparators::kAnywhere), bytes);
  EXPECT_EQ(HexDecode("", " ", HexSeparators::kAnywhere), std::vector<uint8_t>{});
  EXPECT_EQ(HexDigitValue('f'), 15);
  EXPECT_EQ(HexDigitValue('G'), -1);
  // Separators stand where allowed.
  const std::vector<uint8_t> abcd{0xAB, 0xCD};
  EXPECT_EQ(HexDecode("ab:cd", ":", HexSeparators::kBetweenPairsOnly), abcd);
  EXPECT_FALSE(HexDecode("a b:cd", " :", HexSeparators::kBetweenPairsOnly));
  EXPECT_EQ(HexDecode("a b:c\nd", " :\n", HexSeparators::kAnywhere), abcd);
  EXPECT_FALSE(HexDecode("ab-cd", ":", HexSeparators::kAnywhere));  // not a separator here
  EXPECT_FALSE(HexDecode("abc", "", HexSeparators::kAnywhere));     // odd number of digits
}

// Every malformed sequence, including each end of the surrogate range, becomes one U+FFFD per
// byte it started at, and the text around it is kept.
TEST(Utf, MalformedUtf8BecomesReplacementCharacters) {
  const struct {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"a\xC3\xA9z", u"a\u00E9z"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xED\x9F\xBF", u"\uD7FF"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // U+D800
      {"\xED\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},  // U+DFFF
      {"\xEE\x80\x80", u"\uE000"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8.size();
  }
}

}  // namespace
}  // namespace kq
