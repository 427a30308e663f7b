// The hash classes on the system's engines (OpenSSL on Linux, CNG on Windows) against published
// digests: "abc", and 200 000 bytes "a" fed in uneven pieces through one object that is started
// again between inputs, as a hash handle reuses it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/hex_text.h"
#include "crypto/hash_classes.h"

namespace kq {
namespace {

struct Vector {
  HashAlg alg;
  std::string abc;
  std::string manyA;  // 200 000 bytes 'a'
};

const Vector kVectors[] = {
    {HashAlg::kMd5, "900150983cd24fb0d6963f7d28e17f72", "561b1994f6baacd6e5eaf4baaa12849f"},
    {HashAlg::kSha1, "a9993e364706816aba3e25717850c26c9cd0d89d",
     "ec99adda39f462070e2c7ecbc8433e70dc9fb54c"},
    {HashAlg::kSha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
     "2287d207f24a941ff3b56c04c8a25ad56b63e3023207b3bb5b4ac0c9869d74be"},
    {HashAlg::kSha384,
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c82"
     "5a7",
     "753b0cd072c3da5c8618e3e07359b74f767611cec28dc5d9bc09fe9f30f98d50c85e93c374c555dc7650aa3395d54"
     "463"},
    {HashAlg::kSha512,
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3fee"
     "bbd454d4423643ce80e2a9ac94fa54ca49f",
     "2ed06b8d48b029c60ebcab0e319f9a2080f219b2da482d1376f24413f18f6ae5b938b4f39ea523852c4f51cdd4d38"
     "09f82ee960ec277de954e0736ae550c12ed"},
};

std::string Finish(CHashBase& hash) {
  std::vector<uint8_t> digest(hash.GetDigestSize());
  hash.Final(digest.data());
  return HexEncode(digest, HexLetters::kLower);
}

TEST(HashVectors, EachClassGivesThePublishedDigestsAndStartsAfresh) {
  const std::string manyA(200000, 'a');
  for (const Vector& v : kVectors) {
    auto hash = CreateHashEngine(v.alg);
    ASSERT_NE(hash, nullptr);
    EXPECT_EQ(hash->GetDigestSize() * 2, v.abc.size());

    hash->Update(nullptr, 0);
    hash->Update(reinterpret_cast<const uint8_t*>("ab"), 2);
    hash->Update(reinterpret_cast<const uint8_t*>("c"), 1);
    EXPECT_EQ(Finish(*hash), v.abc) << static_cast<int>(v.alg);

    EXPECT_EQ(hash->Init(), 0);
    hash->Update(reinterpret_cast<const uint8_t*>("left over"), 9);
    EXPECT_EQ(hash->Init(), 0);  // dropped by the new start
    for (size_t done = 0, piece = 1; done < manyA.size(); done += piece, piece = piece * 3 + 1) {
      piece = std::min(piece, manyA.size() - done);
      hash->Update(reinterpret_cast<const uint8_t*>(manyA.data() + done),
                   static_cast<uint32_t>(piece));
    }
    EXPECT_EQ(Finish(*hash), v.manyA) << static_cast<int>(v.alg);
  }
}

TEST(HashVectors, NoEngineForTheSsl3PairOrSm3) {
  EXPECT_EQ(CreateHashEngine(HashAlg::kSsl3ShaMd5), nullptr);
  EXPECT_EQ(CreateHashEngine(HashAlg::kSm3), nullptr);
}

}  // namespace
}  // namespace kq
