#include "store/key_objects.h"

#include <optional>
#include <vector>

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/default_templates.h"
#include "store/object_file.h"

namespace kq::store {

namespace {

std::span<const uint8_t> NameBytes(std::string_view name) {
  return {reinterpret_cast<const uint8_t*>(name.data()), name.size()};
}

// Sets the attributes both objects of a pair share; false when one cannot be set.
bool SetShared(AttributeTemplate& object, std::string_view containerName, uint8_t keyNumber,
               std::span<const uint8_t> subject, uint32_t modulusBits) {
  return (subject.empty() || object.Set(attr::kSubject, subject)) &&
         object.SetNumber(attr::kModulusBits, modulusBits) &&
         object.Set(attr::kContainerName, NameBytes(containerName)) &&
         object.SetByte(attr::kKeyNumber, keyNumber);
}

std::optional<size_t> FreeSlotOf(const DeviceSession& session, IndexKind kind, uint32_t& status) {
  std::vector<uint8_t> index;
  status = ReadIndex(session, kind, index);
  if (status != 0) {
    return std::nullopt;
  }
  std::optional<size_t> slot = FirstFreeSlot(index);
  if (!slot) {
    status = kNoFreeSlot;
  }
  return slot;
}

}  // namespace

uint32_t BuildRsaKeyObjects(const RsaKeyObjectFields& fields, AttributeTemplate& publicKey,
                            AttributeTemplate& privateKey) {
  if (fields.modulus.size() != 128 && fields.modulus.size() != 256) {
    return kSizeMismatch;
  }
  if (fields.containerName.empty() || fields.exponent.empty()) {
    return kBadArgument;
  }
  if (publicKey.Load(RsaPublicKeyDefaults()) != 0 ||
      privateKey.Load(RsaPrivateKeyDefaults()) != 0) {
    return kTemplateDefaultsFailed;
  }
  const auto bits = static_cast<uint32_t>(fields.modulus.size() * 8);
  for (AttributeTemplate* object : {&publicKey, &privateKey}) {
    if (!SetShared(*object, fields.containerName, fields.keyNumber, fields.subject, bits) ||
        !object->Set(attr::kModulus, fields.modulus) ||
        !object->Set(attr::kPublicExponent, fields.exponent)) {
      return kTemplateSetFailed;
    }
  }
  return kOk;
}

uint32_t BuildSm2KeyObjects(const Sm2KeyObjectFields& fields, AttributeTemplate& publicKey,
                            AttributeTemplate& privateKey) {
  if (fields.containerName.empty() || fields.point.size() != 64) {
    return kBadArgument;
  }
  if (publicKey.Load(Sm2PublicKeyDefaults()) != 0 ||
      privateKey.Load(Sm2PrivateKeyDefaults()) != 0) {
    return kTemplateDefaultsFailed;
  }
  if (!SetShared(publicKey, fields.containerName, fields.keyNumber, fields.subject, 256) ||
      !publicKey.Set(attr::kEcPoint, fields.point) ||
      !SetShared(privateKey, fields.containerName, fields.keyNumber, fields.subject, 256)) {
    return kTemplateSetFailed;
  }
  return kOk;
}

uint32_t WriteKeyObjectPair(const DeviceSession& session, const AttributeTemplate& publicKey,
                            const AttributeTemplate& privateKey, uint16_t& publicFileId,
                            uint16_t& privateFileId) {
  publicFileId = 0;
  privateFileId = 0;
  std::vector<uint8_t> publicBytes;
  std::vector<uint8_t> privateBytes;
  if (!publicKey.Serialise(publicBytes) || !privateKey.Serialise(privateBytes)) {
    return kSerialiseFailed;
  }
  uint32_t status = 0;
  const std::optional<size_t> publicSlot = FreeSlotOf(session, IndexKind::kObjects, status);
  if (!publicSlot) {
    return status;
  }
  const std::optional<size_t> privateSlot = FreeSlotOf(session, IndexKind::kPrivateObjects, status);
  if (!privateSlot) {
    return status;
  }
  uint16_t publicId = 0;
  status = WriteObjectFile(session, IndexKind::kObjects, *publicSlot, kClassPublicKey, publicBytes,
                           publicId);
  if (status != 0) {
    return status;
  }
  uint16_t privateId = 0;
  status = WriteObjectFile(session, IndexKind::kPrivateObjects, *privateSlot, kClassPrivateKey,
                           privateBytes, privateId);
  if (status != 0) {
    DeleteObject(session, publicId, IndexKind::kObjects);  // no orphan public object
    return status;
  }
  publicFileId = publicId;
  privateFileId = privateId;
  return kOk;
}

uint32_t WriteKeyObjects(const DeviceSession& session, const RsaKeyObjectFields& fields,
                         uint16_t& publicFileId, uint16_t& privateFileId) {
  publicFileId = 0;
  privateFileId = 0;
  AttributeTemplate publicKey;
  AttributeTemplate privateKey;
  if (const uint32_t status = BuildRsaKeyObjects(fields, publicKey, privateKey); status != 0) {
    return status;
  }
  return WriteKeyObjectPair(session, publicKey, privateKey, publicFileId, privateFileId);
}

uint32_t WriteSm2KeyObjects(const DeviceSession& session, const Sm2KeyObjectFields& fields,
                            uint16_t& publicFileId, uint16_t& privateFileId) {
  publicFileId = 0;
  privateFileId = 0;
  AttributeTemplate publicKey;
  AttributeTemplate privateKey;
  if (const uint32_t status = BuildSm2KeyObjects(fields, publicKey, privateKey); status != 0) {
    return status;
  }
  return WriteKeyObjectPair(session, publicKey, privateKey, publicFileId, privateFileId);
}

}  // namespace kq::store
