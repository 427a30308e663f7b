#include "crypto/hash_alg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

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
  // Exactly sized buffers without a terminator: a short length must not reach further.
  for (const char* name : {"SHA1", "SHA256", "MD5", "SM3"}) {
    const size_t size = std::strlen(name);
    for (size_t length = 1; length <= size; ++length) {
      auto buffer = std::make_unique<char[]>(length);
      std::memcpy(buffer.get(), name, length);
      EXPECT_EQ(FromCName(buffer.get(), static_cast<int32_t>(length)).has_value(), length == size)
          << name << " " << length;
    }
  }
}

}  // namespace
}  // namespace kq
