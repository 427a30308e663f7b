// The request text of the enrolment export: its rules and malformed records, and every truncated
// prefix. Well-formed texts are parsed and enrolled by the tools' enrolment integration tests.
#include "tools/request_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/exact_buffer.h"
#include "tools/text_fields.h"

namespace kq::tools {
namespace {

// The number of records, or -1 when the text is refused. Usage 2 needs T=S, usage 3 T=Ex; the
// first "=" splits; an empty record ends the list; counting records is the export's business.
TEST(RequestText, RulesKeywordsAndMalformedRecords) {
  const std::pair<const char*, int> cases[] = {
      {"CN=a,T=S|RSA2048|SHA256|2", 1},
      {"CN=a,t=ex|RSA2048|SHA256|3", 1},
      {"CN=a,T=Other|RSA2048|SHA256|1", 1},
      {"CN=a=b|RSA1024|SHA1|1", 1},
      {"CN=a|RSA1024|SHA1|1||  ||CN=b|RSA1024|SHA1|1", 1},
      {"CN=a|RSA1024|SHA1|1||", 1},
      {"   ", 0},
      {"CN=a|RSA1024|SHA1|1||CN=b,T=S|RSA1024|SHA1|2||CN=c,T=Ex|RSA1024|SHA1|3||CN=d|SM2|SM3|1", 4},
      {"CN=a,T=Ex|RSA2048|SHA256|2", -1},
      {"CN=a|RSA2048|SHA256|3", -1},
      {"CN=a|RSA10240|SHA1|1", -1},
      {"CN=a|RSA1024|SHA|1", -1},
      {"CN=a|RSA1024|SHA1|4", -1},
      {"CN=a|RSA1024|SHA1|12", -1},
      {"L=a|RSA1024|SHA1|1", -1},
      {"CNN=a|RSA1024|SHA1|1", -1},
      {"CN=a|RSA1024|SHA1", -1},
      {"CN=a|RSA1024|SHA1|1|", -1},  // the fourth field is "1|"
      {"CN=|RSA1024|SHA1|1", -1},
      {"=a|RSA1024|SHA1|1", -1},
      {"CN=a,,O=b|RSA1024|SHA1|1", -1},
      {"|RSA1024|SHA1|1", -1}};
  for (const auto& [text, count] : cases) {
    const auto records = ParseRequestText(text);
    EXPECT_EQ(records ? static_cast<int>(records->size()) : -1, count) << text;
  }
  const std::string text = "CN=a,OU=b,T=S|RSA2048|SHA256|2||CN=c,T=Ex|SM2|SM3|3";
  test::ForEachTruncatedPrefix(
      {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
      [](std::span<const uint8_t> prefix, size_t) {
        (void)ParseRequestText({reinterpret_cast<const char*>(prefix.data()), prefix.size()});
      });
}

// In code page 936 the trail byte of a double-byte character may be 0x7C, the '|' that separates
// fields and records: such a character stays whole, in request texts and in subject lists alike.
// U+5F20 U+6650, the second 0x95 0x7C in code page 936.
TEST(RequestText, ASeparatorByteInsideACodePage936CharacterKeepsItWhole) {
  const std::string name = "CN=\xd5\xc5\x95\x7c";
  const auto records = ParseRequestText(name + "|RSA1024|SHA1|1||" + name + ",T=S|SM2|SM3|2");
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 2u);
  EXPECT_EQ((*records)[0].dnText, name);
  EXPECT_EQ((*records)[0].components.at(0).value, "\xe5\xbc\xa0\xe6\x99\x90");  // UTF-8
  EXPECT_EQ((*records)[1].usage, 2u);
  const std::string list = name + "||" + name + "|";
  EXPECT_EQ(SplitAt(list, "||"), (std::vector<std::string_view>{name, list.substr(9)}));
  EXPECT_EQ(SplitAt("a||b|||c", "||").size(), 3u);  // UTF-8 text splits at every separator
}

}  // namespace
}  // namespace kq::tools
