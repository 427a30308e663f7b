// The request text of the enrolment export: its rules and malformed records, and every truncated
// prefix. Well-formed texts are parsed and enrolled by the tools' enrolment integration tests.
#include "tools/request_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kq::tools {
namespace {

TEST(RequestText, RulesKeywordsAndMalformedRecords) {
  const std::pair<const char*, bool> cases[] = {
      {"CN=a,T=S|RSA2048|SHA256|2", true},  // usage 2 needs T=S, usage 3 T=Ex
      {"CN=a,t=ex|RSA2048|SHA256|3", true},
      {"CN=a,T=Other|RSA2048|SHA256|1", true},
      {"CN=a=b|RSA1024|SHA1|1", true},  // the first "=" splits
      {"CN=a,T=Ex|RSA2048|SHA256|2", false},
      {"CN=a|RSA2048|SHA256|3", false},
      {"CN=a|RSA10240|SHA1|1", false},
      {"CN=a|RSA1024|SHA|1", false},
      {"CN=a|RSA1024|SHA1|4", false},
      {"CN=a|RSA1024|SHA1|12", false},
      {"L=a|RSA1024|SHA1|1", false},
      {"CNN=a|RSA1024|SHA1|1", false},
      {"CN=a|RSA1024|SHA1", false},
      {"CN=a|RSA1024|SHA1|1|", false},  // the fourth field is "1|"
      {"CN=|RSA1024|SHA1|1", false},
      {"=a|RSA1024|SHA1|1", false},
      {"CN=a,,O=b|RSA1024|SHA1|1", false},
      {"|RSA1024|SHA1|1", false}};
  for (const auto& [text, accepted] : cases) {
    EXPECT_EQ(ParseRequestText(text).has_value(), accepted) << text;
  }
}

TEST(RequestText, AnEmptyRecordEndsTheListAndPrefixesStayInTheirBuffer) {
  const std::pair<const char*, size_t> cases[] = {
      {"CN=a|RSA1024|SHA1|1||  ||CN=b|RSA1024|SHA1|1", 1},
      {"CN=a|RSA1024|SHA1|1||", 1},
      {"   ", 0},
      // Four records parse; counting them is the export's business.
      {"CN=a|RSA1024|SHA1|1||CN=b,T=S|RSA1024|SHA1|2||CN=c,T=Ex|RSA1024|SHA1|3||CN=d|SM2|SM3|1",
       4}};
  for (const auto& [text, count] : cases) {
    const auto records = ParseRequestText(text);
    ASSERT_TRUE(records) << text;
    EXPECT_EQ(records->size(), count) << text;
  }
  const std::string text = "CN=a,OU=b,T=S|RSA2048|SHA256|2||CN=c,T=Ex|SM2|SM3|3";
  for (size_t n = 0; n <= text.size(); ++n) {
    auto exact = std::make_unique<char[]>(n == 0 ? 1 : n);
    std::copy_n(text.data(), n, exact.get());
    (void)ParseRequestText({exact.get(), n});
  }
}

}  // namespace
}  // namespace kq::tools
