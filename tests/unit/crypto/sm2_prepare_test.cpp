#include "crypto/sm2_prepare.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace kq {
namespace {

// Z and e in two steps give the digest of the one-call form; e of an empty or negative length is
// SM3 of Z alone; null pointers are refused. OpenSSL's own SM2 signatures of certification
// requests are checked against the digest in the request reader's tests.
TEST(Sm2Prepare, TwoStepsGiveTheMessageDigest) {
  std::array<uint8_t, 32> x{};
  std::array<uint8_t, 32> y{};
  x.fill(0x11);
  y.fill(0x22);
  const std::string text = "a transaction message";
  const std::span<const uint8_t> message(reinterpret_cast<const uint8_t*>(text.data()),
                                         text.size());
  uint8_t z[32];
  uint8_t e[32];
  ASSERT_EQ(Sm2ComputeZ(kSm2DefaultIdentity.data(), x.data(), y.data(), z), 0);
  ASSERT_EQ(Sm2ComputeE(z, message.data(), static_cast<int32_t>(message.size()), e), 0);
  const Sm3Digest wrapped = Sm2MessageDigest(x, y, message);
  EXPECT_TRUE(std::equal(wrapped.begin(), wrapped.end(), e));
  const Sm3Digest ofZ = Sm3Hash(z);
  for (int32_t length : {0, -1, INT32_MIN}) {
    ASSERT_EQ(Sm2ComputeE(z, message.data(), length, e), 0);
    EXPECT_TRUE(std::equal(ofZ.begin(), ofZ.end(), e)) << length;
  }
  y[31] ^= 0x80;
  EXPECT_NE(Sm2MessageDigest(x, y, message), wrapped);
  const int refused[] = {Sm2ComputeZ(nullptr, z, z, e), Sm2ComputeZ(z, nullptr, z, e),
                         Sm2ComputeZ(z, z, nullptr, e), Sm2ComputeZ(z, z, z, nullptr),
                         Sm2ComputeE(nullptr, z, 1, e), Sm2ComputeE(z, nullptr, 0, e),
                         Sm2ComputeE(z, z, 1, nullptr)};
  for (const int result : refused) {
    EXPECT_EQ(result, -1);
  }
}

}  // namespace
}  // namespace kq
