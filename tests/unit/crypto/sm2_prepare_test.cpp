#include "crypto/sm2_prepare.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kq {
namespace {

// Z and e in two steps give the digest of the one-call form; OpenSSL's own SM2 signatures of
// certification requests are checked against it in the request reader's tests.
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
  y[31] ^= 0x80;
  EXPECT_NE(Sm2MessageDigest(x, y, message), wrapped);
}

TEST(Sm2Prepare, EOfAnEmptyOrNegativeLengthIsSm3OfZAloneAndNullPointersAreRefused) {
  uint8_t z[32];
  for (int i = 0; i < 32; ++i) {
    z[i] = static_cast<uint8_t>(i);
  }
  const Sm3Digest expected = Sm3Hash(z);
  const uint8_t message[4] = {1, 2, 3, 4};
  uint8_t e[32];
  for (int32_t length : {0, -1, INT32_MIN}) {
    ASSERT_EQ(Sm2ComputeE(z, message, length, e), 0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), e)) << length;
  }
  EXPECT_EQ(Sm2ComputeZ(nullptr, z, z, e), -1);
  EXPECT_EQ(Sm2ComputeZ(z, nullptr, z, e), -1);
  EXPECT_EQ(Sm2ComputeZ(z, z, nullptr, e), -1);
  EXPECT_EQ(Sm2ComputeZ(z, z, z, nullptr), -1);
  EXPECT_EQ(Sm2ComputeE(nullptr, z, 1, e), -1);
  EXPECT_EQ(Sm2ComputeE(z, nullptr, 0, e), -1);
  EXPECT_EQ(Sm2ComputeE(z, z, 1, nullptr), -1);
}

}  // namespace
}  // namespace kq
