#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace kq::platform {
namespace {

TEST(Codepage936, RoundTripsAsciiAndChinese) {
  // "请确认交易信息" and the full-width comma as code page 936 bytes.
  const std::u16string text = u"Vexa\u8BF7\u786E\u8BA4\u4EA4\u6613\u4FE1\u606F\uFF0C";
  const std::string bytes = "Vexa\xC7\xEB\xC8\xB7\xC8\xCF\xBD\xBB\xD2\xD7\xD0\xC5\xCF\xA2\xA3\xAC";
  std::string encoded;
  ASSERT_TRUE(WideToCp936(text, encoded));
  EXPECT_EQ(encoded, bytes);
  std::u16string decoded;
  ASSERT_TRUE(Cp936ToWide(bytes, decoded));
  EXPECT_EQ(decoded, text);

  // Traditional characters outside GB2312 are in the GBK extension ("確認").
  ASSERT_TRUE(WideToCp936(u"\u78BA\u8A8D", encoded));
  EXPECT_EQ(encoded, "\xB4\x5F\xD5\x4A");
  ASSERT_TRUE(Cp936ToWide(encoded, decoded));
  EXPECT_EQ(decoded, u"\u78BA\u8A8D");

  ASSERT_TRUE(WideToCp936(u"", encoded));
  EXPECT_TRUE(encoded.empty());
}

TEST(Codepage936, UnconvertibleCharactersBecomeQuestionMarks) {
  std::string encoded;
  // Hangul, an emoji (two UTF-16 units) and an unpaired surrogate have no place in 936.
  ASSERT_TRUE(WideToCp936(u"a\uAC00b\U0001F600c\xD800", encoded));
  EXPECT_EQ(encoded, "a?b??c?");

  std::u16string decoded;
  // A lead byte at the very end has no trail byte.
  ASSERT_TRUE(Cp936ToWide(std::string("xy\xC7", 3), decoded));
  EXPECT_EQ(decoded, u"xy?");
}

}  // namespace
}  // namespace kq::platform
