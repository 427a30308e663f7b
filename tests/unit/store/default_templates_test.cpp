#include "store/default_templates.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/byte_reader.h"
#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/key_objects.h"

namespace kq::store {
namespace {

// The attribute types of an encoded object, in file order.
std::vector<uint32_t> TypesInFile(const AttributeTemplate& object) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(object.Serialise(bytes));
  std::vector<uint32_t> types;
  ByteReader reader(bytes);
  uint32_t type = 0;
  uint32_t length = 0;
  while (reader.be32(type) && reader.be32(length) && reader.skip(length)) {
    types.push_back(type);
  }
  EXPECT_TRUE(reader.empty());
  return types;
}

TEST(DefaultTemplates, ListsHaveTheirSizesAndLoad) {
  EXPECT_EQ(ContainerDefaults().size(), 6u);
  EXPECT_EQ(RsaPublicKeyDefaults().size(), 25u);
  EXPECT_EQ(RsaPrivateKeyDefaults().size(), 36u);
  EXPECT_EQ(Sm2PublicKeyDefaults().size(), 17u);
  EXPECT_EQ(Sm2PrivateKeyDefaults().size(), 20u);
  EXPECT_EQ(CertificateDefaults().size(), 20u);
  for (auto list : {ContainerDefaults(), RsaPublicKeyDefaults(), RsaPrivateKeyDefaults(),
                    Sm2PublicKeyDefaults(), Sm2PrivateKeyDefaults(), CertificateDefaults()}) {
    AttributeTemplate object;
    EXPECT_EQ(object.Load(list), kOk);
  }
}

TEST(DefaultTemplates, ContainerAndCertificateStoreExactlyTheirAttributes) {
  AttributeTemplate container;
  ASSERT_EQ(container.Load(ContainerDefaults()), kOk);
  const uint8_t name[] = {'c'};
  ASSERT_TRUE(container.Set(attr::kContainerName, name));
  EXPECT_EQ(TypesInFile(container),
            (std::vector<uint32_t>{attr::kClass, attr::kToken, attr::kPrivate, attr::kValue,
                                   attr::kModifiable, attr::kContainerName}));
  EXPECT_EQ(*container.Bytes(attr::kValue), std::vector<uint8_t>(12, 0xFF));
  EXPECT_EQ(*container.Bytes(attr::kPrivate), std::vector<uint8_t>{0});

  AttributeTemplate certificate;
  ASSERT_EQ(certificate.Load(CertificateDefaults()), kOk);
  const uint8_t der[] = {0x30, 0x00};
  ASSERT_TRUE(certificate.Set(attr::kValue, der));
  ASSERT_TRUE(certificate.Set(attr::kContainerName, name));
  EXPECT_EQ(
      TypesInFile(certificate),
      (std::vector<uint32_t>{attr::kClass, attr::kToken, attr::kPrivate, attr::kValue,
                             attr::kCertificateType, attr::kTrusted, attr::kCertificateCategory,
                             attr::kModifiable, attr::kContainerName}));
  EXPECT_EQ(certificate.Number(attr::kCertificateType), 0u);
}

TEST(DefaultTemplates, RsaPairCarriesTheSameKeyInBothObjects) {
  const std::vector<uint8_t> modulus(256, 0xA7);
  const uint8_t exponent[] = {0, 1, 0, 1};
  RsaKeyObjectFields fields{"box", 3, modulus, exponent, {}};
  AttributeTemplate pub;
  AttributeTemplate priv;
  ASSERT_EQ(BuildRsaKeyObjects(fields, pub, priv), kOk);
  EXPECT_EQ(TypesInFile(pub),
            (std::vector<uint32_t>{attr::kClass, attr::kToken, attr::kPrivate, attr::kTrusted,
                                   attr::kKeyType, attr::kEncrypt, attr::kWrap, attr::kVerify,
                                   attr::kVerifyRecover, attr::kDerive, attr::kModulus,
                                   attr::kModulusBits, attr::kPublicExponent, attr::kLocal,
                                   attr::kModifiable, attr::kContainerName, attr::kKeyNumber}));
  EXPECT_EQ(TypesInFile(priv), (std::vector<uint32_t>{attr::kClass,
                                                      attr::kToken,
                                                      attr::kPrivate,
                                                      attr::kKeyType,
                                                      attr::kSensitive,
                                                      attr::kDecrypt,
                                                      attr::kUnwrap,
                                                      attr::kSign,
                                                      attr::kSignRecover,
                                                      attr::kDerive,
                                                      attr::kModulus,
                                                      attr::kModulusBits,
                                                      attr::kPublicExponent,
                                                      attr::kExtractable,
                                                      attr::kLocal,
                                                      attr::kNeverExtractable,
                                                      attr::kAlwaysSensitive,
                                                      attr::kModifiable,
                                                      attr::kAlwaysAuthenticate,
                                                      attr::kWrapWithTrusted,
                                                      attr::kContainerName,
                                                      attr::kKeyNumber}));
  for (const AttributeTemplate* object : {&pub, &priv}) {
    EXPECT_EQ(object->Number(attr::kModulusBits), 2048u);
    EXPECT_EQ(*object->Bytes(attr::kModulus), modulus);
    EXPECT_EQ(*object->Bytes(attr::kKeyNumber), std::vector<uint8_t>{3});
    EXPECT_EQ(object->Number(attr::kKeyType), kKeyTypeRsa);
  }
  EXPECT_EQ(pub.Number(attr::kClass), kClassPublicKey);
  EXPECT_EQ(priv.Number(attr::kClass), kClassPrivateKey);

  const std::vector<uint8_t> odd(200, 1);
  fields.modulus = odd;
  EXPECT_EQ(BuildRsaKeyObjects(fields, pub, priv), kSizeMismatch);
  fields.modulus = modulus;
  fields.containerName = {};
  EXPECT_EQ(BuildRsaKeyObjects(fields, pub, priv), kBadArgument);
}

TEST(DefaultTemplates, Sm2PairStoresThePointAndTheSm2KeyType) {
  std::vector<uint8_t> point(64);
  for (size_t i = 0; i < point.size(); ++i) {
    point[i] = static_cast<uint8_t>(i);
  }
  const uint8_t subject[] = {'C', 'N', '=', 'x'};
  Sm2KeyObjectFields fields{"box", 2, point, subject};
  AttributeTemplate pub;
  AttributeTemplate priv;
  ASSERT_EQ(BuildSm2KeyObjects(fields, pub, priv), kOk);
  EXPECT_EQ(TypesInFile(pub),
            (std::vector<uint32_t>{attr::kClass, attr::kToken, attr::kPrivate, attr::kKeyType,
                                   attr::kSubject, attr::kEncrypt, attr::kVerify, attr::kDerive,
                                   attr::kModulusBits, attr::kLocal, attr::kModifiable,
                                   attr::kEcPoint, attr::kContainerName, attr::kKeyNumber}));
  EXPECT_EQ(TypesInFile(priv),
            (std::vector<uint32_t>{attr::kClass, attr::kToken, attr::kPrivate, attr::kKeyType,
                                   attr::kSubject, attr::kSensitive, attr::kDecrypt, attr::kSign,
                                   attr::kDerive, attr::kModulusBits, attr::kLocal,
                                   attr::kNeverExtractable, attr::kAlwaysSensitive,
                                   attr::kModifiable, attr::kContainerName, attr::kKeyNumber}));
  EXPECT_EQ(pub.Number(attr::kKeyType), kKeyTypeSm2);
  EXPECT_EQ(*pub.Bytes(attr::kEcPoint), point);
  EXPECT_EQ(priv.Number(attr::kModulusBits), 256u);
  fields.point = std::span<const uint8_t>(point).first(63);
  EXPECT_EQ(BuildSm2KeyObjects(fields, pub, priv), kBadArgument);
}

}  // namespace
}  // namespace kq::store
