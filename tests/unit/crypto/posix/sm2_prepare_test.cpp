#include "crypto/sm2_prepare.h"

#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <memory>
#include <string>
#include <vector>

namespace kq {
namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

// An SM2 key made by OpenSSL, with its public point split into x and y.
struct Sm2TestKey {
  Pkey key;
  std::array<uint8_t, 32> x{};
  std::array<uint8_t, 32> y{};
};

Sm2TestKey MakeKey() {
  Sm2TestKey result;
  PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr));
  EVP_PKEY* key = nullptr;
  EXPECT_EQ(EVP_PKEY_keygen_init(ctx.get()), 1);
  EXPECT_EQ(EVP_PKEY_keygen(ctx.get(), &key), 1);
  result.key.reset(key);
  uint8_t point[65];
  size_t size = 0;
  EXPECT_EQ(
      EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &size), 1);
  EXPECT_EQ(size, 65u);
  std::copy_n(point + 1, 32, result.x.begin());
  std::copy_n(point + 33, 32, result.y.begin());
  return result;
}

// OpenSSL's own SM2 signature over the message (SM3, identity "1234567812345678").
std::vector<uint8_t> OpenSslSign(EVP_PKEY* key, std::span<const uint8_t> message) {
  MdCtx md(EVP_MD_CTX_new());
  EVP_PKEY_CTX* pctx = nullptr;
  EXPECT_EQ(EVP_DigestSignInit(md.get(), &pctx, EVP_sm3(), nullptr, key), 1);
  EXPECT_GT(EVP_PKEY_CTX_set1_id(pctx, kSm2DefaultIdentity.data(), kSm2DefaultIdentity.size()), 0);
  size_t size = 0;
  EXPECT_EQ(EVP_DigestSign(md.get(), nullptr, &size, message.data(), message.size()), 1);
  std::vector<uint8_t> signature(size);
  EXPECT_EQ(EVP_DigestSign(md.get(), signature.data(), &size, message.data(), message.size()), 1);
  signature.resize(size);
  return signature;
}

// Checks the signature against a finished digest e, as the key sees it.
bool VerifiesAgainstDigest(EVP_PKEY* key, std::span<const uint8_t> signature,
                           std::span<const uint8_t> e) {
  PkeyCtx ctx(EVP_PKEY_CTX_new(key, nullptr));
  return EVP_PKEY_verify_init(ctx.get()) == 1 &&
         EVP_PKEY_verify(ctx.get(), signature.data(), signature.size(), e.data(), e.size()) == 1;
}

TEST(Sm2Prepare, DigestMatchesWhatOpenSslSignsForTheDefaultIdentity) {
  const Sm2TestKey key = MakeKey();
  for (const std::string text : {"", "abc", "a transaction message of some length"}) {
    const std::span<const uint8_t> message(reinterpret_cast<const uint8_t*>(text.data()),
                                           text.size());
    const std::vector<uint8_t> signature = OpenSslSign(key.key.get(), message);

    uint8_t z[32];
    uint8_t e[32];
    ASSERT_EQ(Sm2ComputeZ(kSm2DefaultIdentity.data(), key.x.data(), key.y.data(), z), 0);
    // A null pointer is refused even for an empty message, so pass a real one.
    const uint8_t empty = 0;
    ASSERT_EQ(Sm2ComputeE(z, text.empty() ? &empty : message.data(),
                          static_cast<int32_t>(text.size()), e),
              0);
    EXPECT_TRUE(VerifiesAgainstDigest(key.key.get(), signature, e)) << text;
    const Sm3Digest wrapped = Sm2MessageDigest(key.x, key.y, message);
    EXPECT_TRUE(std::equal(wrapped.begin(), wrapped.end(), e));

    e[0] ^= 1;
    EXPECT_FALSE(VerifiesAgainstDigest(key.key.get(), signature, e));
  }
}

TEST(Sm2Prepare, ZDependsOnlyOnThePublicKey) {
  std::array<uint8_t, 32> x{};
  std::array<uint8_t, 32> y{};
  x.fill(0x11);
  y.fill(0x22);
  uint8_t first[32];
  uint8_t second[32];
  ASSERT_EQ(Sm2ComputeZ(kSm2DefaultIdentity.data(), x.data(), y.data(), first), 0);
  ASSERT_EQ(Sm2ComputeZ(kSm2DefaultIdentity.data(), x.data(), y.data(), second), 0);
  EXPECT_TRUE(std::equal(first, first + 32, second));
  y[31] ^= 0x80;
  ASSERT_EQ(Sm2ComputeZ(kSm2DefaultIdentity.data(), x.data(), y.data(), second), 0);
  EXPECT_FALSE(std::equal(first, first + 32, second));
}

TEST(Sm2Prepare, EOfAnEmptyOrNegativeLengthIsSm3OfZAlone) {
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
}

TEST(Sm2Prepare, RefusesNullPointers) {
  const uint8_t bytes[32] = {};
  uint8_t out[32] = {};
  EXPECT_EQ(Sm2ComputeZ(nullptr, bytes, bytes, out), -1);
  EXPECT_EQ(Sm2ComputeZ(bytes, nullptr, bytes, out), -1);
  EXPECT_EQ(Sm2ComputeZ(bytes, bytes, nullptr, out), -1);
  EXPECT_EQ(Sm2ComputeZ(bytes, bytes, bytes, nullptr), -1);
  EXPECT_EQ(Sm2ComputeE(nullptr, bytes, 1, out), -1);
  EXPECT_EQ(Sm2ComputeE(bytes, nullptr, 0, out), -1);
  EXPECT_EQ(Sm2ComputeE(bytes, bytes, 1, nullptr), -1);
}

}  // namespace
}  // namespace kq
