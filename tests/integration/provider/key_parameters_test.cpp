// Key parameters and the keys the provider only acknowledges, on a verify context.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/provider_library.h"

namespace kq::test {
namespace {

class KeyParameters : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(P().complete) << P().problem;
    ASSERT_TRUE(P().CPAcquireContext(&prov_, nullptr, 0xF0000000, nullptr));
  }
  void TearDown() override { EXPECT_TRUE(P().CPReleaseContext(prov_, 0)); }
  static const ProviderLibrary& P() { return Provider(); }
  static uint32_t Error() { return P().GetLastError(); }

  uint32_t Number(KqHandle key, uint32_t param) {
    uint32_t value = 0;
    uint32_t length = sizeof value;
    EXPECT_TRUE(
        P().CPGetKeyParam(prov_, key, param, reinterpret_cast<uint8_t*>(&value), &length, 0))
        << param;
    EXPECT_EQ(length, 4u) << param;
    return value;
  }

  KqHandle prov_ = 0;
};

TEST_F(KeyParameters, SymmetricAlgorithmsGetAnEmptyHandleThatEveryOperationRejects) {
  KqHandle des = 0;
  ASSERT_TRUE(P().CPGenKey(prov_, 0x6601, 56u << 16, &des));
  EXPECT_EQ(Error(), 0u);
  uint32_t length = 4;
  uint8_t value[4] = {};
  EXPECT_FALSE(P().CPGetKeyParam(prov_, des, 7, value, &length, 0));
  EXPECT_EQ(Error(), 0x80090003u);
  EXPECT_FALSE(P().CPSetKeyParam(prov_, des, 1, value, 0));  // KP_IV
  EXPECT_EQ(Error(), 0x80090003u);
  EXPECT_FALSE(P().CPDestroyKey(prov_, des));
  EXPECT_EQ(Error(), 0x80090003u);
  struct Refusal {
    uint32_t algId;
    uint32_t flags;
    uint32_t error;
  };
  for (const Refusal& r : {Refusal{0x6601, 64u << 16, 0x80090004},
                           {0x6603, 112u << 16, 0x80090004},
                           {0x6801, 0, 0x80090008},
                           {0x6601, 0x14, 0x80090009}}) {
    KqHandle other = 0;
    EXPECT_FALSE(P().CPGenKey(prov_, r.algId, r.flags, &other));
    EXPECT_EQ(Error(), r.error) << std::hex << r.algId << " " << r.flags;
  }
  EXPECT_FALSE(P().CPGenKey(prov_, 2, 0, nullptr));
  EXPECT_EQ(Error(), 0x80090027u);
}

TEST_F(KeyParameters, APlainRc2KeyReportsAndTakesItsParameters) {
  std::vector<uint8_t> blob = {8, 2, 0, 0, 0x02, 0x66, 0, 0, 16, 0, 0, 0};
  for (uint8_t i = 0; i < 16; ++i) {
    blob.push_back(static_cast<uint8_t>(0x10 + i));
  }
  KqHandle key = 0;
  ASSERT_TRUE(P().CPImportKey(prov_, blob.data(), static_cast<uint32_t>(blob.size()), 0, 0, &key));
  EXPECT_EQ(Number(key, 6), 0x8Bu);  // KP_PERMISSIONS, whatever was kept
  EXPECT_EQ(Number(key, 7), 0x6602u);
  EXPECT_EQ(Number(key, 8), 64u);
  EXPECT_EQ(Number(key, 4), 1u);
  EXPECT_EQ(Number(key, 3), 1u);

  // KP_SALT: the last key length - 5 bytes; the caller's length is left as it was.
  uint8_t salt[16] = {};
  uint32_t length = sizeof salt;
  ASSERT_TRUE(P().CPGetKeyParam(prov_, key, 2, salt, &length, 0));
  EXPECT_EQ(length, sizeof salt);
  EXPECT_EQ(salt[0], 0x15);
  length = 5;
  EXPECT_FALSE(P().CPGetKeyParam(prov_, key, 2, salt, &length, 0));
  EXPECT_EQ(Error(), 234u);
  EXPECT_EQ(length, 11u);

  const uint32_t badMode = 3;
  EXPECT_FALSE(P().CPSetKeyParam(prov_, key, 4, reinterpret_cast<const uint8_t*>(&badMode), 0));
  EXPECT_EQ(Error(), 87u);
  for (const uint32_t outOfRange : {39u, 129u}) {  // KP_EFFECTIVE_KEYLEN takes 40 to 128 bits
    EXPECT_FALSE(
        P().CPSetKeyParam(prov_, key, 19, reinterpret_cast<const uint8_t*>(&outOfRange), 0));
    EXPECT_EQ(Error(), 87u) << outOfRange;
  }
  const uint32_t effective = 128;
  EXPECT_TRUE(P().CPSetKeyParam(prov_, key, 19, reinterpret_cast<const uint8_t*>(&effective), 0));
  uint32_t read = 0;
  length = sizeof read;
  ASSERT_TRUE(P().CPGetKeyParam(prov_, key, 19, reinterpret_cast<uint8_t*>(&read), &length, 0));
  EXPECT_EQ(read, 128u);
  const uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_TRUE(P().CPSetKeyParam(prov_, key, 1, iv, 0));
  uint8_t ivBack[8] = {};
  length = sizeof ivBack;
  ASSERT_TRUE(P().CPGetKeyParam(prov_, key, 1, ivBack, &length, 0));
  EXPECT_EQ(std::memcmp(iv, ivBack, 8), 0);
  EXPECT_FALSE(P().CPSetKeyParam(prov_, key, 77, iv, 0));
  EXPECT_EQ(Error(), 0x80090003u);
  EXPECT_FALSE(P().CPGetKeyParam(prov_, key, 77, ivBack, &length, 0));
  EXPECT_EQ(Error(), 0x8009000Au);
  EXPECT_FALSE(P().CPGetKeyParam(prov_, key, 26, nullptr, &length, 0));
  EXPECT_EQ(Error(), 0x80090003u);
}

}  // namespace
}  // namespace kq::test
