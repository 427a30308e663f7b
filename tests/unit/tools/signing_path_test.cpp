// The signing decisions of the signature export: path by usage, algorithm and data; hash names.
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
    if (c.result == 0) {
      EXPECT_EQ(path.loginMode, c.loginMode) << c.usage << " " << c.key;
      EXPECT_EQ(path.hashOnDevice, c.hashOnDevice) << c.usage << " " << c.key;
    }
  }
  EXPECT_EQ(ReservedSignatureSize(1), 128u);
  EXPECT_EQ(ReservedSignatureSize(2), 256u);
  EXPECT_EQ(ReservedSignatureSize(3), 64u);
  EXPECT_EQ(ReservedSignatureSize(4), 0u);
}

TEST(SigningPath, HashNamesFitTheKey) {
  // A name longer than any fixed field is kept whole and accepted by its beginning.
  const std::string longName = "SHA512" + std::string(100, 'x');
  const char unterminated[4] = {'S', 'H', 'A', '1'};  // the length bounds the read
  const struct {
    const char* name;
    int32_t length;
    uint8_t key;
    uint32_t result;
    std::string chosen;
  } cases[] = {{nullptr, 5, kKeyRsa1024, 0, "SHA1"},
               {"", 3, kKeySm2, 0, "SM3"},
               {"sha256", 0, kKeySm2, 0, "SM3"},
               {"sha256", 6, kKeyRsa2048, 0, "sha256"},
               {unterminated, 4, kKeyRsa1024, 0, "SHA1"},
               {longName.c_str(), static_cast<int32_t>(longName.size()), kKeyRsa2048, 0, longName},
               {"SHA256", 6, kKeySm2, code::kBadHash, ""},
               {"SM3", 3, kKeyRsa1024, code::kBadHash, ""},
               {"SHA", 3, kKeyRsa1024, code::kBadHash, ""},
               {"SHA1", -1, kKeyRsa1024, code::kBadHash, ""}};
  for (const auto& c : cases) {
    std::string name;
    EXPECT_EQ(ChooseHashName(c.name, c.length, c.key, name), c.result) << c.chosen;
    if (c.result == 0) {
      EXPECT_EQ(name, c.chosen);
    }
  }
}

}  // namespace
}  // namespace kq::tools
