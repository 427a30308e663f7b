// Which hash a caller's DigestInfo names: exactly a known prefix and a digest of its length.
#include <gtest/gtest.h>

#include <vector>

#include "crypto/digest_info.h"

namespace kq {
namespace {

std::vector<uint8_t> InfoOf(HashAlg alg, size_t digestLength) {
  const DigestInfoPrefix& info = kDigestInfoPrefixes[static_cast<size_t>(alg)];
  std::vector<uint8_t> bytes(info.prefix.begin(), info.prefix.end());
  bytes.resize(bytes.size() + digestLength, 0xAB);
  return bytes;
}

TEST(DigestInfo, NamesItsHashOnlyWhenPrefixAndLengthAgree) {
  for (const HashAlg alg : {HashAlg::kMd5, HashAlg::kSha1, HashAlg::kSha256, HashAlg::kSha384,
                            HashAlg::kSha512, HashAlg::kSsl3ShaMd5}) {
    const size_t size = HashAlgDigestSize(alg);
    std::span<const uint8_t> digest;
    const std::vector<uint8_t> whole = InfoOf(alg, size);
    EXPECT_EQ(HashOfDigestInfo(whole, digest), alg);
    EXPECT_EQ(digest.size(), size);
    if (alg != HashAlg::kSsl3ShaMd5) {  // any 36 bytes are the bare SSL3 pair
      EXPECT_NE(HashOfDigestInfo(InfoOf(alg, size - 1), digest), alg) << size;
      EXPECT_NE(HashOfDigestInfo(InfoOf(alg, size + 1), digest), alg) << size;
    }
  }
  // SM3 is the SM2 mechanisms' own: no RSA signature over it.
  std::span<const uint8_t> digest;
  EXPECT_FALSE(HashOfDigestInfo(InfoOf(HashAlg::kSm3, 32), digest));
  std::vector<uint8_t> changed = InfoOf(HashAlg::kSha256, 32);
  changed[5] ^= 1;
  EXPECT_FALSE(HashOfDigestInfo(changed, digest));
}

}  // namespace
}  // namespace kq
