#include "crypto/hash_classes.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <vector>

namespace kq {
namespace {

struct Case {
  HashAlg alg;
  const EVP_MD* (*md)();
  uint32_t size;
};

const Case kCases[] = {
    {HashAlg::kMd5, EVP_md5, 16},       {HashAlg::kSha1, EVP_sha1, 20},
    {HashAlg::kSha256, EVP_sha256, 32}, {HashAlg::kSha384, EVP_sha384, 48},
    {HashAlg::kSha512, EVP_sha512, 64},
};

std::vector<uint8_t> OpenSslDigest(const EVP_MD* md, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> digest(EVP_MAX_MD_SIZE);
  unsigned int size = 0;
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest.data(), &size, md, nullptr), 1);
  digest.resize(size);
  return digest;
}

std::vector<uint8_t> FinalOf(CHashBase& hash) {
  std::vector<uint8_t> digest(hash.GetDigestSize());
  hash.Final(digest.data());
  return digest;
}

TEST(HashClasses, AgreeWithOpenSslForManyLengthsFedInPieces) {
  std::mt19937 random(77);
  for (const Case& c : kCases) {
    auto hash = CreateHashEngine(c.alg);
    ASSERT_NE(hash, nullptr);
    EXPECT_EQ(hash->GetDigestSize(), c.size);
    EXPECT_EQ(HashAlgDigestSize(c.alg), c.size);
    for (size_t length :
         {0u, 1u, 55u, 56u, 63u, 64u, 111u, 112u, 127u, 128u, 129u, 1000u, 70000u}) {
      std::vector<uint8_t> data(length);
      for (auto& b : data) {
        b = static_cast<uint8_t>(random());
      }
      EXPECT_EQ(hash->Init(), 0);
      size_t done = 0;
      while (done < data.size()) {
        const size_t piece = std::min<size_t>(data.size() - done, random() % 150);
        hash->Update(data.data() + done, static_cast<uint32_t>(piece));
        done += piece;
      }
      EXPECT_EQ(FinalOf(*hash), OpenSslDigest(c.md(), data))
          << static_cast<int>(c.alg) << " length " << length;
    }
  }
}

TEST(HashClasses, EmptyUpdatesIgnoreANullPointer) {
  for (const Case& c : kCases) {
    auto hash = CreateHashEngine(c.alg);
    hash->Update(nullptr, 0);
    EXPECT_EQ(FinalOf(*hash), OpenSslDigest(c.md(), {}));
  }
}

TEST(HashClasses, Sha384AndSha512StartFromDifferentValues) {
  CHashSHA384 sha384;
  CHashSHA512 sha512;
  const uint8_t data[3] = {'a', 'b', 'c'};
  sha384.Update(data, 3);
  sha512.Update(data, 3);
  const std::vector<uint8_t> short384 = FinalOf(sha384);
  const std::vector<uint8_t> long512 = FinalOf(sha512);
  ASSERT_EQ(short384.size(), 48u);
  ASSERT_EQ(long512.size(), 64u);
  EXPECT_FALSE(std::equal(short384.begin(), short384.end(), long512.begin()));
}

TEST(HashClasses, NoEngineForTheSsl3PairOrSm3) {
  EXPECT_EQ(CreateHashEngine(HashAlg::kSsl3ShaMd5), nullptr);
  EXPECT_EQ(CreateHashEngine(HashAlg::kSm3), nullptr);
}

}  // namespace
}  // namespace kq
