#include "crypto/hash_alg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace kq {
namespace {

std::optional<HashAlg> FromCName(const char* name, int32_t length) {
  HashAlg alg = HashAlg::kSsl3ShaMd5;
  if (!HashAlgFromName(name, length, &alg)) {
    return std::nullopt;
  }
  return alg;
}

std::optional<HashAlg> FromCName(const char* name) {
  return FromCName(name, static_cast<int32_t>(std::strlen(name)));
}

TEST(HashAlgFromName, RecognisesEachNameInAnyCaseAsAPrefix) {
  EXPECT_EQ(FromCName("SHA1"), HashAlg::kSha1);
  EXPECT_EQ(FromCName("sha256"), HashAlg::kSha256);
  EXPECT_EQ(FromCName("Sha384"), HashAlg::kSha384);
  EXPECT_EQ(FromCName("SHA512"), HashAlg::kSha512);
  EXPECT_EQ(FromCName("md5"), HashAlg::kMd5);
  EXPECT_EQ(FromCName("sM3"), HashAlg::kSm3);
  EXPECT_EQ(FromCName("sHa1WithSomethingElse"), HashAlg::kSha1);
  EXPECT_EQ(FromCName("SHA2560"), HashAlg::kSha256);
}

TEST(HashAlgFromName, RefusesOtherNamesAndEmptyOrNegativeLengths) {
  EXPECT_EQ(FromCName("SHA"), std::nullopt);
  EXPECT_EQ(FromCName("SM2"), std::nullopt);
  EXPECT_EQ(FromCName("SHA224"), std::nullopt);
  EXPECT_EQ(FromCName("SHA1", 0), std::nullopt);
  EXPECT_EQ(FromCName("SHA1", -4), std::nullopt);
  EXPECT_EQ(FromCName(nullptr, 4), std::nullopt);
  HashAlg alg = HashAlg::kMd5;
  EXPECT_FALSE(HashAlgFromName("SHA1", 4, nullptr));
  EXPECT_FALSE(HashAlgFromName("SHA", 3, &alg));
  EXPECT_EQ(alg, HashAlg::kMd5);
}

TEST(HashAlgFromName, NeverReadsPastTheGivenLengthOrTheTerminator) {
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
  // A length beyond the terminator stops at the terminator.
  EXPECT_EQ(FromCName("SM3", 100), HashAlg::kSm3);
  EXPECT_EQ(FromCName("SH\0A1", 5), std::nullopt);
}

TEST(HashAlg, NumbersDigestSizesAndCryptoApiIds) {
  EXPECT_EQ(HashAlgFromNumber(6), HashAlg::kSm3);
  EXPECT_EQ(HashAlgFromNumber(7), std::nullopt);
  const uint32_t sizes[] = {36, 20, 32, 48, 64, 16, 32};
  for (uint32_t n = 0; n <= 6; ++n) {
    EXPECT_EQ(HashAlgDigestSize(static_cast<HashAlg>(n)), sizes[n]);
  }
  ASSERT_NE(FindCryptoApiHash(kCalgMd5), nullptr);
  EXPECT_EQ(FindCryptoApiHash(kCalgMd5)->hashAlg, HashAlg::kMd5);
  EXPECT_EQ(FindCryptoApiHash(kCalgSha512)->digestSize, 64u);
  EXPECT_FALSE(FindCryptoApiHash(kCalgSsl3ShaMd5)->hashedOnHost);
  EXPECT_EQ(FindCryptoApiHash(kCalgSsl3ShaMd5)->hashAlg, HashAlg::kSsl3ShaMd5);
  EXPECT_EQ(FindCryptoApiHash(kCalgHmac), nullptr);
  EXPECT_EQ(FindCryptoApiHash(0x6610), nullptr);
}

}  // namespace
}  // namespace kq
