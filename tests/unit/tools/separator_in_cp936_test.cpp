// In code page 936 the trail byte of a double-byte character may be 0x7C, the '|' that separates
// fields and records: such a character stays whole, in request texts and in subject lists alike.
#include <gtest/gtest.h>

#include "tools/request_text.h"
#include "tools/text_fields.h"

namespace kq::tools {
namespace {

// U+5F20 U+6650, the second 0x95 0x7C in code page 936.
constexpr char kCp936Name[] = "CN=\xd5\xc5\x95\x7c";
constexpr char kUtf8Name[] = "CN=\xe5\xbc\xa0\xe6\x99\x90";

TEST(SeparatorInCp936, RequestTextKeepsTheCharacterWhole) {
  const std::string text =
      std::string(kCp936Name) + "|RSA1024|SHA1|1||" + kCp936Name + ",T=S|SM2|SM3|2";
  const auto records = ParseRequestText(text);
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 2u);
  EXPECT_EQ((*records)[0].dnText, kCp936Name);
  EXPECT_EQ((*records)[0].components.at(0).value, std::string(kUtf8Name).substr(3));
  EXPECT_EQ((*records)[1].usage, 2u);
}

TEST(SeparatorInCp936, SubjectListSplitsOnlyBetweenCharacters) {
  const std::string list = std::string(kCp936Name) + "||" + kCp936Name + "|";
  const auto pieces = SplitAt(list, "||");
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], kCp936Name);
  EXPECT_EQ(pieces[1], std::string(kCp936Name) + "|");
  // UTF-8 text splits at every separator, as before.
  EXPECT_EQ(SplitAt("a||b|||c", "||").size(), 3u);
}

}  // namespace
}  // namespace kq::tools
