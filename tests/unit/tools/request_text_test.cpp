// The request text of the enrolment export: grammar, rules and every truncated prefix.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tools/request_text.h"

namespace {

using kq::tools::ParseRequestText;
using kq::tools::RequestHash;
using kq::tools::RequestKeyType;

TEST(RequestText, ParsesRecordsWithTheirFieldsAndComponentsInOrder) {
  const auto records =
      ParseRequestText(" CN=a , T=S | rsa2048 | Sha256 | 2 || CN=b,OU=x,O=y,C=CN|SM2|sm3|1");
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 2u);
  const auto& first = (*records)[0];
  EXPECT_EQ(first.dnText, "CN=a , T=S");
  ASSERT_EQ(first.components.size(), 2u);
  EXPECT_EQ(first.components[0].type, "CN");
  EXPECT_EQ(first.components[0].value, "a");
  EXPECT_EQ(first.components[1].type, "T");
  EXPECT_EQ(first.keyType, RequestKeyType::kRsa2048);
  EXPECT_EQ(first.hash, RequestHash::kSha256);
  EXPECT_EQ(first.usage, 2u);
  const auto& second = (*records)[1];
  EXPECT_EQ(second.components.size(), 4u);
  EXPECT_EQ(second.components[3].value, "CN");
  EXPECT_EQ(second.keyType, RequestKeyType::kSm2);
  EXPECT_EQ(second.hash, RequestHash::kSm3);
}

TEST(RequestText, BlanksAroundRecordsAndFieldsAreIgnored) {
  const auto plain = ParseRequestText("CN=a,T=Ex|RSA1024|SHA1|3");
  const auto blanks = ParseRequestText("  CN=a,T=Ex  |  RSA1024  |  SHA1  |  3  ");
  ASSERT_TRUE(plain && blanks);
  EXPECT_EQ((*plain)[0].components.size(), (*blanks)[0].components.size());
  EXPECT_EQ((*plain)[0].usage, (*blanks)[0].usage);
}

TEST(RequestText, UsageMustFitTheTitleMark) {
  EXPECT_TRUE(ParseRequestText("CN=a,T=S|RSA2048|SHA256|2"));
  EXPECT_FALSE(ParseRequestText("CN=a,T=S|RSA2048|SHA256|1"));
  EXPECT_FALSE(ParseRequestText("CN=a,T=Ex|RSA2048|SHA256|2"));
  EXPECT_FALSE(ParseRequestText("CN=a|RSA2048|SHA256|3"));
  EXPECT_TRUE(ParseRequestText("CN=a,t=ex|RSA2048|SHA256|3"));
  EXPECT_TRUE(ParseRequestText("CN=a,T=Other|RSA2048|SHA256|1"));
}

TEST(RequestText, KeywordsMatchOnlyTheirExactLength) {
  EXPECT_FALSE(ParseRequestText("CN=a|SM2|SHA256|1"));  // SM2 needs SM3
  EXPECT_FALSE(ParseRequestText("CN=a|RSA10240|SHA1|1"));
  EXPECT_FALSE(ParseRequestText("CN=a|RSA1024|SHA|1"));
  EXPECT_FALSE(ParseRequestText("CN=a|RSA1024|SHA1|4"));
  EXPECT_FALSE(ParseRequestText("CN=a|RSA1024|SHA1|12"));
  EXPECT_FALSE(ParseRequestText("L=a|RSA1024|SHA1|1"));
  EXPECT_FALSE(ParseRequestText("CNN=a|RSA1024|SHA1|1"));
}

TEST(RequestText, MalformedRecordsAndComponents) {
  EXPECT_FALSE(ParseRequestText("CN=a|RSA1024|SHA1"));
  EXPECT_FALSE(ParseRequestText("CN=a|RSA1024|SHA1|1|"));  // the fourth field is "1|"
  EXPECT_FALSE(ParseRequestText("CN=|RSA1024|SHA1|1"));
  EXPECT_FALSE(ParseRequestText("=a|RSA1024|SHA1|1"));
  EXPECT_FALSE(ParseRequestText("CN=a,,O=b|RSA1024|SHA1|1"));
  EXPECT_FALSE(ParseRequestText("|RSA1024|SHA1|1"));
  // The first "=" splits: the value may hold further "=".
  const auto records = ParseRequestText("CN=a=b|RSA1024|SHA1|1");
  ASSERT_TRUE(records);
  EXPECT_EQ((*records)[0].components[0].value, "a=b");
}

TEST(RequestText, AnEmptyRecordEndsTheList) {
  auto records = ParseRequestText("CN=a|RSA1024|SHA1|1||  ||CN=b|RSA1024|SHA1|1");
  ASSERT_TRUE(records);
  EXPECT_EQ(records->size(), 1u);
  records = ParseRequestText("CN=a|RSA1024|SHA1|1||");
  ASSERT_TRUE(records);
  EXPECT_EQ(records->size(), 1u);
  records = ParseRequestText("   ");
  ASSERT_TRUE(records);
  EXPECT_TRUE(records->empty());
  // Four records parse; counting them is the export's business.
  records = ParseRequestText(
      "CN=a|RSA1024|SHA1|1||CN=b,T=S|RSA1024|SHA1|2||CN=c,T=Ex|RSA1024|SHA1|3||CN=d|SM2|SM3|1");
  ASSERT_TRUE(records);
  EXPECT_EQ(records->size(), 4u);
}

TEST(RequestText, EveryTruncatedPrefixParsesWithinItsBuffer) {
  const std::string text = "CN=a,OU=b,T=S|RSA2048|SHA256|2||CN=c,T=Ex|SM2|SM3|3";
  for (size_t n = 0; n <= text.size(); ++n) {
    auto exact = std::make_unique<char[]>(n == 0 ? 1 : n);
    std::copy_n(text.data(), n, exact.get());
    (void)ParseRequestText({exact.get(), n});
  }
}

}  // namespace
