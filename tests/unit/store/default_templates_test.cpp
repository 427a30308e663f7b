// The objects built from the default templates: one golden encoding per object type (as a checksum
// of its bytes) pins the attributes, their order and their values.
#include "store/default_templates.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/key_objects.h"

namespace kq::store {
namespace {

// FNV-1a over the encoded object.
uint64_t Checksum(const AttributeTemplate& object) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(object.Serialise(bytes));
  uint64_t hash = 0xCBF29CE484222325ull;
  for (const uint8_t b : bytes) {
    hash = (hash ^ b) * 0x100000001B3ull;
  }
  return hash;
}

TEST(DefaultTemplates, ContainerAndCertificateObjects) {
  const uint8_t name[] = {'c'};
  const uint8_t der[] = {0x30, 0x00};
  AttributeTemplate container;
  ASSERT_EQ(container.Load(ContainerDefaults()), kOk);
  ASSERT_TRUE(container.Set(attr::kContainerName, name));
  EXPECT_EQ(Checksum(container), 0x35F88B74F8082CE1ull);
  AttributeTemplate certificate;
  ASSERT_EQ(certificate.Load(CertificateDefaults()), kOk);
  ASSERT_TRUE(certificate.Set(attr::kValue, der));
  ASSERT_TRUE(certificate.Set(attr::kContainerName, name));
  EXPECT_EQ(Checksum(certificate), 0xBE0C10015E51AF74ull);
}

TEST(DefaultTemplates, KeyPairsAndTheirRefusals) {
  const std::vector<uint8_t> modulus(256, 0xA7);
  const uint8_t exponent[] = {0, 1, 0, 1};
  RsaKeyObjectFields rsa{"box", 3, modulus, exponent, {}};
  AttributeTemplate pub;
  AttributeTemplate priv;
  ASSERT_EQ(BuildRsaKeyObjects(rsa, pub, priv), kOk);
  EXPECT_EQ(Checksum(pub), 0x9DA277358073F095ull);
  EXPECT_EQ(Checksum(priv), 0x3A60FF32528D3880ull);
  const std::vector<uint8_t> odd(200, 1);
  rsa.modulus = odd;
  EXPECT_EQ(BuildRsaKeyObjects(rsa, pub, priv), kSizeMismatch);
  rsa.modulus = modulus;
  rsa.containerName = {};
  EXPECT_EQ(BuildRsaKeyObjects(rsa, pub, priv), kBadArgument);

  std::vector<uint8_t> point(64);
  std::iota(point.begin(), point.end(), uint8_t{0});
  const uint8_t subject[] = {'C', 'N', '=', 'x'};
  Sm2KeyObjectFields sm2{"box", 2, point, subject};
  ASSERT_EQ(BuildSm2KeyObjects(sm2, pub, priv), kOk);
  EXPECT_EQ(Checksum(pub), 0x343CE4AE39AC5228ull);
  EXPECT_EQ(Checksum(priv), 0xEAF6D16F3C391BA4ull);
  sm2.point = std::span<const uint8_t>(point).first(63);
  EXPECT_EQ(BuildSm2KeyObjects(sm2, pub, priv), kBadArgument);
}

}  // namespace
}  // namespace kq::store
