#include "pkcs11/token_objects.h"

#include <array>
#include <cstring>
#include <optional>
#include <span>

#include "pki/certificate_fields.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "store/certificate_reading.h"
#include "store/container_record.h"
#include "store/containers.h"
#include "store/index_slot.h"
#include "store/object_file.h"

namespace kq::pkcs11 {

namespace {

// The DER OID of the SM2 curve, 1.2.156.10197.1.301, as CKA_EC_PARAMS.
constexpr std::array<uint8_t, 10> kSm2CurveOid = {0x06, 0x08, 0x2A, 0x81, 0x1C,
                                                  0xCF, 0x55, 0x01, 0x82, 0x2D};
constexpr size_t kSm2PointSize = 64;

std::vector<uint8_t> Number(CK_ULONG value) {
  std::vector<uint8_t> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}
std::vector<uint8_t> Flag(bool value) {
  return {static_cast<uint8_t>(value ? CK_TRUE : CK_FALSE)};
}
std::vector<uint8_t> Bytes(std::span<const uint8_t> value) {
  return {value.begin(), value.end()};
}

// What the key pair's public key object says of it.
struct PairKey {
  KeyAlgorithm algorithm = KeyAlgorithm::kRsa;
  uint8_t keyNumber = 0xFF;
  std::vector<uint8_t> modulus;   // RSA
  std::vector<uint8_t> exponent;  // RSA
  std::vector<uint8_t> point;     // SM2: X || Y
};

std::optional<uint32_t> SlotLength(std::span<const uint8_t> index, uint16_t fileId) {
  for (const store::IndexSlot& slot : store::ParseIndexSlots(index)) {
    if (slot.fileId == fileId && slot.namesObject()) {
      return slot.length;
    }
  }
  return std::nullopt;
}

std::optional<PairKey> ReadPairKey(const DeviceSession& session, std::span<const uint8_t> index,
                                   uint16_t fileId) {
  const std::optional<uint32_t> length = SlotLength(index, fileId);
  store::AttributeTemplate object;
  if (!length || store::ReadObject(session, fileId, *length, object) != 0) {
    return std::nullopt;
  }
  PairKey key;
  const std::vector<uint8_t>* number = object.Bytes(store::attr::kKeyNumber);
  if (number == nullptr || number->size() != 1) {
    return std::nullopt;
  }
  key.keyNumber = (*number)[0];
  if (object.Number(store::attr::kKeyType) == store::kKeyTypeSm2) {
    const std::vector<uint8_t>* point = object.Bytes(store::attr::kEcPoint);
    if (point == nullptr || point->size() != kSm2PointSize) {
      return std::nullopt;
    }
    key.algorithm = KeyAlgorithm::kSm2;
    key.point = *point;
    return key;
  }
  const std::vector<uint8_t>* modulus = object.Bytes(store::attr::kModulus);
  const std::vector<uint8_t>* exponent = object.Bytes(store::attr::kPublicExponent);
  if (modulus == nullptr || exponent == nullptr) {
    return std::nullopt;
  }
  key.modulus = *modulus;
  key.exponent = *exponent;
  return key;
}

// The attributes every object of a pair carries.
TokenObject NewObject(CK_SLOT_ID slot, CK_OBJECT_CLASS objectClass, uint16_t fileId,
                      const store::ContainerInfo& container, size_t reference, const PairKey& key) {
  TokenObject object;
  object.handle = ObjectHandle(slot, fileId);
  object.objectClass = objectClass;
  object.isPrivate = objectClass == CKO_PRIVATE_KEY;
  object.algorithm = key.algorithm;
  object.keyNumber = key.keyNumber;
  object.fileId = fileId;
  object.containerName = container.name;
  object.reference = reference;
  object.publicKey = key.algorithm == KeyAlgorithm::kSm2 ? key.point : key.modulus;
  auto& a = object.attributes;
  a[CKA_CLASS] = Number(objectClass);
  a[CKA_TOKEN] = Flag(true);
  a[CKA_PRIVATE] = Flag(object.isPrivate);
  a[CKA_MODIFIABLE] = Flag(false);
  a[CKA_LABEL] =
      Bytes({reinterpret_cast<const uint8_t*>(container.name.data()), container.name.size()});
  a[CKA_ID] = {key.keyNumber};
  return object;
}

void AddKeyAttributes(TokenObject& object, const PairKey& key) {
  auto& a = object.attributes;
  a[CKA_DERIVE] = Flag(false);
  a[CKA_LOCAL] = Flag(true);
  if (key.algorithm == KeyAlgorithm::kSm2) {
    a[CKA_KEY_TYPE] = Number(CKK_KQ_SM2);
    a[CKA_EC_PARAMS] = Bytes(kSm2CurveOid);
    if (object.objectClass == CKO_PUBLIC_KEY) {
      std::vector<uint8_t> point = {0x04, 0x41, 0x04};  // OCTET STRING of the uncompressed point
      point.insert(point.end(), key.point.begin(), key.point.end());
      a[CKA_EC_POINT] = point;
    }
    return;
  }
  a[CKA_KEY_TYPE] = Number(CKK_RSA);
  a[CKA_MODULUS] = key.modulus;
  a[CKA_MODULUS_BITS] = Number(static_cast<CK_ULONG>(8 * key.modulus.size()));
  a[CKA_PUBLIC_EXPONENT] = key.exponent;
}

void AddPair(const DeviceSession& session, CK_SLOT_ID slot, std::span<const uint8_t> index,
             const store::ContainerInfo& container, const store::KeyPairRefs& refs,
             std::vector<TokenObject>& objects) {
  const uint16_t publicId = container.refs[refs.publicKey];
  if (!store::IsReferenceSet(publicId)) {
    return;
  }
  const std::optional<PairKey> key = ReadPairKey(session, index, publicId);
  if (!key) {
    return;
  }
  std::vector<uint8_t> subject;
  const uint16_t certificateId = container.refs[refs.certificate];
  std::vector<uint8_t> der;
  if (store::IsReferenceSet(certificateId) &&
      store::ReadCertificate(session, certificateId, der) == 0) {
    CertificateFields fields;
    TokenObject certificate =
        NewObject(slot, CKO_CERTIFICATE, certificateId, container, refs.certificate, *key);
    auto& a = certificate.attributes;
    a[CKA_CERTIFICATE_TYPE] = Number(CKC_X_509);
    a[CKA_TRUSTED] = Flag(false);
    a[CKA_CERTIFICATE_CATEGORY] = Number(0);
    if (ReadCertificateFields(der, fields)) {
      subject = Bytes(fields.subject);
      a[CKA_SUBJECT] = subject;
      a[CKA_ISSUER] = Bytes(fields.issuer);
      // CKA_SERIAL_NUMBER is the DER INTEGER, header included, as clients compare it.
      a[CKA_SERIAL_NUMBER] = Bytes(fields.serialNumber);
    }
    a[CKA_VALUE] = std::move(der);
    objects.push_back(std::move(certificate));
  }

  TokenObject publicKey =
      NewObject(slot, CKO_PUBLIC_KEY, publicId, container, refs.publicKey, *key);
  AddKeyAttributes(publicKey, *key);
  auto& p = publicKey.attributes;
  p[CKA_VERIFY] = Flag(true);
  p[CKA_ENCRYPT] = Flag(false);
  p[CKA_WRAP] = Flag(false);
  p[CKA_VERIFY_RECOVER] = Flag(false);
  p[CKA_TRUSTED] = Flag(false);
  p[CKA_SUBJECT] = subject;
  objects.push_back(std::move(publicKey));

  const uint16_t privateId = container.refs[refs.privateKey];
  if (!store::IsReferenceSet(privateId)) {
    return;
  }
  TokenObject privateKey =
      NewObject(slot, CKO_PRIVATE_KEY, privateId, container, refs.privateKey, *key);
  AddKeyAttributes(privateKey, *key);
  auto& k = privateKey.attributes;
  k[CKA_SIGN] = Flag(true);
  k[CKA_SIGN_RECOVER] = Flag(false);
  k[CKA_DECRYPT] = Flag(false);
  k[CKA_UNWRAP] = Flag(false);
  k[CKA_SENSITIVE] = Flag(true);
  k[CKA_ALWAYS_SENSITIVE] = Flag(true);
  k[CKA_EXTRACTABLE] = Flag(false);
  k[CKA_NEVER_EXTRACTABLE] = Flag(true);
  k[CKA_ALWAYS_AUTHENTICATE] = Flag(false);
  k[CKA_WRAP_WITH_TRUSTED] = Flag(false);
  k[CKA_SUBJECT] = subject;
  objects.push_back(std::move(privateKey));
}

}  // namespace

uint32_t ReadTokenObjects(const DeviceSession& session, CK_SLOT_ID slot,
                          std::vector<TokenObject>& objects) {
  objects.clear();
  std::vector<store::ContainerInfo> containers;
  if (const uint32_t status = store::ListContainers(session, containers); status != 0) {
    return status;
  }
  std::vector<uint8_t> index;
  if (const uint32_t status = store::ReadIndex(session, store::IndexKind::kObjects, index);
      status != 0) {
    return status;
  }
  for (const store::ContainerInfo& container : containers) {
    AddPair(session, slot, index, container, store::kSignaturePair, objects);
    AddPair(session, slot, index, container, store::kExchangePair, objects);
  }
  return 0;
}

}  // namespace kq::pkcs11
