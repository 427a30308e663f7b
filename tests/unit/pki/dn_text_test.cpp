// Comparing subject texts with the DNs the bank's tools pass.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pki/dn_text.h"

namespace kq {
namespace {

int Compare(const std::string& a, const std::string& b) {
  return DnEqual(a.data(), static_cast<int32_t>(a.size()), b.data(),
                 static_cast<int32_t>(b.size()));
}

TEST(DnEqual, IgnoresOrderCaseBlanksAndTrailingNulsAndRefusesTextsThatDoNotParse) {
  const struct {
    std::string a, b;
    int result;
  } cases[] = {
      {"CN=a, OU=b", "ou=B,cn=A", 0},
      {"  CN = Zhang San ,O=Bank", "o=BANK, cn=zhang san", 0},
      {"T=S, C=CN", "C=cn, t=s", 0},
      {std::string("CN=a, OU=b\0\0", 12), "OU=b,CN=a", 0},
      {"CN=a, OU=b", "CN=a", 1},
      {"CN=a", "CN=a, CN=a", 1},
      {"CN=a, CN=b", "CN=a, CN=a", 1},
      {"CN=a b", "CN=ab", 1},
      {"CN=a, L=x", "CN=a, L=x", -1},
      {"CN=\"a, b\"", "CN=\"a, b\"", -1},
      {"CN=a,", "CN=a", -1},
      {"CN=", "CN=a", -1},
      {"=a", "CN=a", -1},
      {"", "CN=a", -1},
      {std::string(3, '\0'), "CN=a", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Compare(c.a, c.b), c.result) << c.a << " / " << c.b;
  }
  EXPECT_EQ(DnEqual(nullptr, 4, "CN=a", 4), -1);
  EXPECT_EQ(DnEqual("CN=a", -1, "CN=a", 4), -1);
  // The given length bounds the text: a shorter length sees only its prefix.
  EXPECT_EQ(DnEqual("CN=a, OU=b", 4, "CN=a", 4), 0);
}

}  // namespace
}  // namespace kq
