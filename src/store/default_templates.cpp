#include "store/default_templates.h"

#include <cstdint>

#include "store/attribute_types.h"

namespace kq::store {

namespace {

// Values the lists point at; number types in native form, flags and key numbers as one byte.
constexpr uint8_t kFalse = 0;
constexpr uint8_t kTrue = 1;
constexpr uint8_t kUnsetKeyNumber = kNoKeyNumber;
constexpr uint32_t kContainer = kClassContainer;
constexpr uint32_t kCertificate = kClassCertificate;
constexpr uint32_t kPublicKey = kClassPublicKey;
constexpr uint32_t kPrivateKey = kClassPrivateKey;
constexpr uint32_t kRsa = kKeyTypeRsa;
constexpr uint32_t kSm2 = kKeyTypeSm2;
constexpr uint32_t kX509 = 0;
constexpr uint32_t kCategoryUnspecified = 0;
constexpr uint8_t kNoReferences[12] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

constexpr AttributeEntry Flag(uint32_t type, const uint8_t& value) {
  return {type, &value, 1};
}
constexpr AttributeEntry Number(uint32_t type, const uint32_t& value) {
  return {type, &value, 4};
}
constexpr AttributeEntry Empty(uint32_t type) {
  return {type, nullptr, 0};
}

constexpr AttributeEntry kContainerList[] = {
    Number(attr::kClass, kContainer), Flag(attr::kToken, kTrue),
    Flag(attr::kPrivate, kFalse),     {attr::kValue, kNoReferences, sizeof kNoReferences},
    Flag(attr::kModifiable, kTrue),   Empty(attr::kContainerName),
};

constexpr AttributeEntry kRsaPublicList[] = {
    Number(attr::kClass, kPublicKey),
    Flag(attr::kToken, kTrue),
    Flag(attr::kPrivate, kFalse),
    Flag(attr::kModifiable, kTrue),
    Empty(attr::kLabel),
    Number(attr::kKeyType, kRsa),
    Empty(attr::kId),
    Empty(attr::kStartDate),
    Empty(attr::kEndDate),
    Flag(attr::kDerive, kFalse),
    Flag(attr::kLocal, kFalse),
    Empty(attr::kKeyGenMechanism),
    Empty(attr::kAllowedMechanisms),
    Empty(attr::kSubject),
    Flag(attr::kEncrypt, kTrue),
    Flag(attr::kVerify, kTrue),
    Flag(attr::kVerifyRecover, kTrue),
    Flag(attr::kWrap, kTrue),
    Flag(attr::kTrusted, kTrue),
    Empty(attr::kWrapTemplate),
    Empty(attr::kModulus),
    Empty(attr::kModulusBits),
    Empty(attr::kPublicExponent),
    Empty(attr::kContainerName),
    Flag(attr::kKeyNumber, kUnsetKeyNumber),
};

// The private key's parts stay on the key: their defaults are empty and never filled.
constexpr AttributeEntry kRsaPrivateList[] = {
    Number(attr::kClass, kPrivateKey),
    Flag(attr::kToken, kTrue),
    Flag(attr::kPrivate, kTrue),
    Flag(attr::kModifiable, kTrue),
    Empty(attr::kLabel),
    Number(attr::kKeyType, kRsa),
    Empty(attr::kId),
    Empty(attr::kStartDate),
    Empty(attr::kEndDate),
    Flag(attr::kDerive, kFalse),
    Flag(attr::kLocal, kFalse),
    Empty(attr::kKeyGenMechanism),
    Empty(attr::kAllowedMechanisms),
    Empty(attr::kSubject),
    Flag(attr::kSensitive, kTrue),
    Flag(attr::kDecrypt, kTrue),
    Flag(attr::kSign, kTrue),
    Flag(attr::kSignRecover, kTrue),
    Flag(attr::kUnwrap, kTrue),
    Flag(attr::kExtractable, kTrue),
    Flag(attr::kAlwaysSensitive, kTrue),
    Flag(attr::kNeverExtractable, kTrue),
    Flag(attr::kWrapWithTrusted, kFalse),
    Empty(attr::kUnwrapTemplate),
    Flag(attr::kAlwaysAuthenticate, kTrue),
    Empty(attr::kModulus),
    Empty(attr::kPublicExponent),
    Empty(attr::kPrivateExponent),
    Empty(attr::kPrime1),
    Empty(attr::kPrime2),
    Empty(attr::kExponent1),
    Empty(attr::kExponent2),
    Empty(attr::kCoefficient),
    Empty(attr::kModulusBits),
    Empty(attr::kContainerName),
    Flag(attr::kKeyNumber, kUnsetKeyNumber),
};

constexpr AttributeEntry kSm2PublicList[] = {
    Number(attr::kClass, kPublicKey),
    Flag(attr::kToken, kTrue),
    Flag(attr::kPrivate, kFalse),
    Flag(attr::kModifiable, kTrue),
    Empty(attr::kLabel),
    Number(attr::kKeyType, kSm2),
    Empty(attr::kId),
    Flag(attr::kDerive, kFalse),
    Flag(attr::kLocal, kFalse),
    Empty(attr::kSubject),
    Flag(attr::kEncrypt, kTrue),
    Flag(attr::kVerify, kTrue),
    Empty(attr::kEcParams),
    Empty(attr::kEcPoint),
    Empty(attr::kModulusBits),
    Empty(attr::kContainerName),
    Flag(attr::kKeyNumber, kUnsetKeyNumber),
};

constexpr AttributeEntry kSm2PrivateList[] = {
    Number(attr::kClass, kPrivateKey),
    Flag(attr::kToken, kTrue),
    Flag(attr::kPrivate, kTrue),
    Flag(attr::kModifiable, kTrue),
    Empty(attr::kLabel),
    Number(attr::kKeyType, kSm2),
    Empty(attr::kId),
    Flag(attr::kDerive, kFalse),
    Flag(attr::kLocal, kFalse),
    Empty(attr::kSubject),
    Flag(attr::kSensitive, kTrue),
    Flag(attr::kDecrypt, kTrue),
    Flag(attr::kSign, kTrue),
    Flag(attr::kAlwaysSensitive, kTrue),
    Flag(attr::kNeverExtractable, kTrue),
    Empty(attr::kEcParams),
    Empty(attr::kValue),
    Empty(attr::kModulusBits),
    Empty(attr::kContainerName),
    Flag(attr::kKeyNumber, kUnsetKeyNumber),
};

constexpr AttributeEntry kCertificateList[] = {
    Number(attr::kClass, kCertificate),
    Flag(attr::kToken, kTrue),
    Flag(attr::kPrivate, kFalse),
    Flag(attr::kModifiable, kTrue),
    Number(attr::kCertificateType, kX509),
    Flag(attr::kTrusted, kTrue),
    Number(attr::kCertificateCategory, kCategoryUnspecified),
    Empty(attr::kCheckValue),
    Empty(attr::kStartDate),
    Empty(attr::kEndDate),
    Empty(attr::kSubject),
    Empty(attr::kId),
    Empty(attr::kIssuer),
    Empty(attr::kSerialNumber),
    Empty(attr::kValue),
    Empty(attr::kUrl),
    Empty(attr::kHashOfSubjectPublicKey),
    Empty(attr::kHashOfIssuerPublicKey),
    Empty(attr::kJavaMidpSecurityDomain),
    Empty(attr::kContainerName),
};

}  // namespace

std::span<const AttributeEntry> ContainerDefaults() {
  return kContainerList;
}
std::span<const AttributeEntry> RsaPublicKeyDefaults() {
  return kRsaPublicList;
}
std::span<const AttributeEntry> RsaPrivateKeyDefaults() {
  return kRsaPrivateList;
}
std::span<const AttributeEntry> Sm2PublicKeyDefaults() {
  return kSm2PublicList;
}
std::span<const AttributeEntry> Sm2PrivateKeyDefaults() {
  return kSm2PrivateList;
}
std::span<const AttributeEntry> CertificateDefaults() {
  return kCertificateList;
}

}  // namespace kq::store
