// The signing decisions of the signature export: path by usage, algorithm and data; hash names.
#include <gtest/gtest.h>

#include <string>

#include "common/codes_tools.h"
#include "tools/signing_path.h"

namespace {

using kq::tools::ChooseHashName;
using kq::tools::ChooseSigningPath;
using kq::tools::SigningPath;
namespace code = kq::tool::signature;

TEST(SigningPath, ByUsageAlgorithmAndData) {
  SigningPath path;
  ASSERT_EQ(ChooseSigningPath(1, kq::tools::kKeySm2, true, path), 0u);
  EXPECT_EQ(path.loginMode, 1u);
  EXPECT_FALSE(path.hashOnDevice);
  ASSERT_EQ(ChooseSigningPath(1, kq::tools::kKeyRsa2048, true, path), 0u);
  EXPECT_EQ(path.loginMode, 4u);
  EXPECT_TRUE(path.hashOnDevice);
  ASSERT_EQ(ChooseSigningPath(1, kq::tools::kKeyRsa1024, false, path), 0u);
  EXPECT_FALSE(path.hashOnDevice);
  EXPECT_EQ(ChooseSigningPath(2, kq::tools::kKeyRsa1024, false, path),
            code::kNotTransactionMessage);
  ASSERT_EQ(ChooseSigningPath(2, kq::tools::kKeySm2, true, path), 0u);
  EXPECT_EQ(path.loginMode, 4u);
  EXPECT_TRUE(path.hashOnDevice);
  ASSERT_EQ(ChooseSigningPath(3, kq::tools::kKeySm2, true, path), 0u);
  EXPECT_EQ(path.loginMode, 4u);
  EXPECT_FALSE(path.hashOnDevice);
  EXPECT_EQ(ChooseSigningPath(4, kq::tools::kKeyRsa1024, true, path), code::kUnsupportedKey);
  EXPECT_EQ(ChooseSigningPath(0, kq::tools::kKeyRsa1024, true, path), code::kUnsupportedKey);
}

TEST(SigningPath, ReservedSizes) {
  EXPECT_EQ(kq::tools::ReservedSignatureSize(1), 128u);
  EXPECT_EQ(kq::tools::ReservedSignatureSize(2), 256u);
  EXPECT_EQ(kq::tools::ReservedSignatureSize(3), 64u);
  EXPECT_EQ(kq::tools::ReservedSignatureSize(4), 0u);
}

TEST(SigningPath, HashNamesFitTheKey) {
  std::string name;
  EXPECT_EQ(ChooseHashName(nullptr, 5, kq::tools::kKeyRsa1024, name), 0u);
  EXPECT_EQ(name, "SHA1");
  EXPECT_EQ(ChooseHashName("", 3, kq::tools::kKeySm2, name), 0u);
  EXPECT_EQ(name, "SM3");
  EXPECT_EQ(ChooseHashName("sha256", 0, kq::tools::kKeySm2, name), 0u);
  EXPECT_EQ(name, "SM3");
  EXPECT_EQ(ChooseHashName("sha256", 6, kq::tools::kKeyRsa2048, name), 0u);
  EXPECT_EQ(name, "sha256");
  EXPECT_EQ(ChooseHashName("SHA256", 6, kq::tools::kKeySm2, name), code::kBadHash);
  EXPECT_EQ(ChooseHashName("SM3", 3, kq::tools::kKeyRsa1024, name), code::kBadHash);
  EXPECT_EQ(ChooseHashName("SHA", 3, kq::tools::kKeyRsa1024, name), code::kBadHash);
  EXPECT_EQ(ChooseHashName("SHA1", -1, kq::tools::kKeyRsa1024, name), code::kBadHash);
  // A name longer than any fixed field is kept whole and accepted by its beginning.
  const std::string longName = "SHA512" + std::string(100, 'x');
  EXPECT_EQ(ChooseHashName(longName.c_str(), static_cast<int32_t>(longName.size()),
                           kq::tools::kKeyRsa2048, name),
            0u);
  EXPECT_EQ(name, longName);
  // The length bounds the read: a name without NUL is read no further.
  const char unterminated[4] = {'S', 'H', 'A', '1'};
  EXPECT_EQ(ChooseHashName(unterminated, 4, kq::tools::kKeyRsa1024, name), 0u);
  EXPECT_EQ(name, "SHA1");
}

}  // namespace
