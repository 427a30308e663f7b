#include "crypto/hash_alg.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kq {
namespace {

std::optional<HashAlg> FromCName(const char* name, int32_t length) {
  HashAlg alg = HashAlg::kSsl3ShaMd5;
  return HashAlgFromName(name, length, &alg) ? std::optional(alg) : std::nullopt;
}

TEST(HashAlgFromName, RecognisesEachNameInAnyCaseAsAPrefixAndRefusesOthers) {
  const std::pair<const char*, std::optional<HashAlg>> cases[] = {
      {"SHA1", HashAlg::kSha1},      {"sha256", HashAlg::kSha256},  {"Sha384", HashAlg::kSha384},
      {"SHA512", HashAlg::kSha512},  {"md5", HashAlg::kMd5},        {"sM3", HashAlg::kSm3},
      {"sHa1WithX", HashAlg::kSha1}, {"SHA2560", HashAlg::kSha256}, {"SHA", std::nullopt},
      {"SM2", std::nullopt},         {"SHA224", std::nullopt}};
  for (const auto& [name, alg] : cases) {
    EXPECT_EQ(FromCName(name, static_cast<int32_t>(std::strlen(name))), alg) << name;
  }
  EXPECT_EQ(FromCName("SHA1", 0), std::nullopt);
  EXPECT_EQ(FromCName("SHA1", -4), std::nullopt);
  EXPECT_EQ(FromCName(nullptr, 4), std::nullopt);
  EXPECT_FALSE(HashAlgFromName("SHA1", 4, nullptr));
  // A length beyond the terminator stops at the terminator.
  EXPECT_EQ(FromCName("SM3", 100), HashAlg::kSm3);
  EXPECT_EQ(FromCName("SH\0A1", 5), std::nullopt);
}

}  // namespace
}  // namespace kq
