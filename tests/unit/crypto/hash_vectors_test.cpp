// The hash classes on the system's engines (OpenSSL on Linux, CNG on Windows) against published
// digests: the empty input, "abc", and 200 000 bytes "a" fed in uneven pieces through one object
// that is started again between inputs, as a hash handle reuses it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/hex_text.h"
#include "crypto/hash_classes.h"

namespace kq {
namespace {

struct Vector {
  HashAlg alg;
  std::string empty;
  std::string abc;
  std::string manyA;  // 200 000 bytes 'a'
};

const Vector kVectors[] = {
    {HashAlg::kMd5, "d41d8cd98f00b204e9800998ecf8427e", "900150983cd24fb0d6963f7d28e17f72",
     "561b1994f6baacd6e5eaf4baaa12849f"},
    {HashAlg::kSha1, "da39a3ee5e6b4b0d3255bfef95601890afd80709",
     "a9993e364706816aba3e25717850c26c9cd0d89d", "ec99adda39f462070e2c7ecbc8433e70dc9fb54c"},
    {HashAlg::kSha256, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
     "2287d207f24a941ff3b56c04c8a25ad56b63e3023207b3bb5b4ac0c9869d74be"},
    {HashAlg::kSha384,
     "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b"
     "95b",
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c82"
     "5a7",
     "753b0cd072c3da5c8618e3e07359b74f767611cec28dc5d9bc09fe9f30f98d50c85e93c374c555dc7650aa3395d54"
     "463"},
    {HashAlg::kSha512,
     "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877ee"
     "c2f63b931bd47417a81a538327af927da3e",
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
    EXPECT_EQ(Finish(*hash), v.empty) << static_cast<int>(v.alg);

    EXPECT_EQ(hash->Init(), 0);
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
