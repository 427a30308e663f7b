// The signing decisions of the signature export that its integration tests do not reach: the
// login mode and hashing place by usage, and hash names at the edges of their buffers.
#include "tools/signing_path.h"

#include <gtest/gtest.h>

#include <string>

#include "common/codes_tools.h"

namespace kq::tools {
namespace {

namespace code = tool::signature;

TEST(SigningPath, ByUsageAlgorithmAndData) {
  const struct {
    uint32_t usage;
    uint8_t key;
    bool message;
    uint32_t result, loginMode = 0;
    bool hashOnDevice = false;
  } cases[] = {{1, kKeySm2, true, 0, 1, false},
               {1, kKeyRsa2048, true, 0, 4, true},
               {1, kKeyRsa1024, false, 0, 4, false},
               {2, kKeySm2, true, 0, 4, true},
               {3, kKeySm2, true, 0, 4, false},
               {2, kKeyRsa1024, false, code::kNotTransactionMessage},
               {4, kKeyRsa1024, true, code::kUnsupportedKey},
               {0, kKeyRsa1024, true, code::kUnsupportedKey}};
  for (const auto& c : cases) {
    SigningPath path;
    ASSERT_EQ(ChooseSigningPath(c.usage, c.key, c.message, path), c.result) << c.usage << c.key;
    EXPECT_TRUE(c.result != 0 ||
                (path.loginMode == c.loginMode && path.hashOnDevice == c.hashOnDevice))
        << c.usage << " " << c.key;
  }
}

// A name longer than any fixed field is kept whole; the length bounds the read.
TEST(SigningPath, HashNamesFitTheKey) {
  const std::string longName = "SHA512" + std::string(100, 'x');
  const char unterminated[4] = {'S', 'H', 'A', '1'};
  const struct {
    const char* name;
    int32_t length;
    uint8_t key;
    std::string chosen;  // empty: refused
  } cases[] = {{nullptr, 5, kKeyRsa1024, "SHA1"},
               {"", 3, kKeySm2, "SM3"},
               {"sha256", 0, kKeySm2, "SM3"},
               {unterminated, 4, kKeyRsa1024, "SHA1"},
               {longName.c_str(), static_cast<int32_t>(longName.size()), kKeyRsa2048, longName},
               {"SM3", 3, kKeyRsa1024, ""},
               {"SHA", 3, kKeyRsa1024, ""},
               {"SHA1", -1, kKeyRsa1024, ""}};
  for (const auto& c : cases) {
    std::string name;
    EXPECT_EQ(ChooseHashName(c.name, c.length, c.key, name), c.chosen.empty() ? code::kBadHash : 0)
        << c.chosen;
    EXPECT_TRUE(c.chosen.empty() || name == c.chosen) << name;
  }
}

}  // namespace
}  // namespace kq::tools
