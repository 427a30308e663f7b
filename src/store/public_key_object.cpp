#include "store/public_key_object.h"

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/device_files.h"
#include "store/device_keys.h"
#include "store/key_ownership.h"
#include "store/object_file.h"

namespace kq::store {

namespace {

constexpr uint32_t kPublicKeyRoom = 512;

// ReadKeyNumberOfObject, keeping the object read.
uint32_t ReadKeyObject(const DeviceSession& session, uint32_t fileId, bool requireRsa,
                       uint8_t& keyNumber, AttributeTemplate& object) {
  keyNumber = kNoKeyNumber;
  if (!IsObjectFileId(fileId)) {
    return kBadFileId;
  }
  uint32_t length = 0;
  if (FileLength(session, fileId, length) != 0) {
    return kDeviceFailed;
  }
  if (length == 0 || ReadObject(session, fileId, length, object) != 0) {
    return kSerialiseFailed;
  }
  if (object.Number(attr::kClass) != kClassPublicKey) {
    return kWrongClass;
  }
  if (requireRsa && object.Number(attr::kKeyType) != kKeyTypeRsa) {
    return kAttributeMissing;
  }
  const std::vector<uint8_t>* number = object.Bytes(attr::kKeyNumber);
  if (number == nullptr) {
    return kAttributeMissing;
  }
  if (number->size() != 1) {
    return kWrongAttributeLength;
  }
  if (!IsKeyNumber((*number)[0])) {
    return kBadKeyNumber;
  }
  keyNumber = (*number)[0];
  return kOk;
}

}  // namespace

uint32_t ReadKeyNumberOfObject(const DeviceSession& session, uint32_t fileId, bool requireRsa,
                               uint8_t& keyNumber, AttributeTemplate* object) {
  AttributeTemplate read;
  return ReadKeyObject(session, fileId, requireRsa, keyNumber, object != nullptr ? *object : read);
}

uint32_t ReadDevicePublicKey(const DeviceSession& session, uint8_t keyNumber, DevicePublicKey& key,
                             uint32_t* keyFlags) {
  key = DevicePublicKey{};
  uint32_t bits = 0;
  uint32_t flags = 0;
  if (session.GetKeyInfo(keyNumber, &bits, keyFlags != nullptr ? keyFlags : &flags) != 0) {
    return kDeviceFailed;
  }
  return ReadSlotPublicKey(session, keyNumber, key);
}

uint32_t ReadSlotPublicKey(const DeviceSession& session, uint8_t keyNumber, DevicePublicKey& key) {
  key = DevicePublicKey{};
  uint32_t bits = 0;
  std::vector<uint8_t> first(kPublicKeyRoom);
  std::vector<uint8_t> second(kPublicKeyRoom);
  uint32_t firstLength = kPublicKeyRoom;
  uint32_t secondLength = kPublicKeyRoom;
  if (session.ReadRSAPub(keyNumber, &bits, first.data(), &firstLength, second.data(), &secondLength,
                         0) != 0 ||
      firstLength > kPublicKeyRoom || secondLength > kPublicKeyRoom) {
    return kDeviceFailed;
  }
  first.resize(firstLength);
  second.resize(secondLength);
  key.bits = bits;
  key.first = std::move(first);
  key.second = std::move(second);
  return kOk;
}

uint32_t ReadPublicKeyObject(const DeviceSession& session, uint32_t fileId, uint8_t& keyNumber,
                             DevicePublicKey& key, uint32_t* keyFlags) {
  key = DevicePublicKey{};
  uint8_t number = kNoKeyNumber;
  AttributeTemplate object;
  if (const uint32_t status = ReadKeyObject(session, fileId, false, number, object); status != 0) {
    keyNumber = kNoKeyNumber;
    return status;
  }
  if (const uint32_t status = ReadDevicePublicKey(session, number, key, keyFlags); status != 0) {
    keyNumber = kNoKeyNumber;
    return status;
  }
  if (!IsKeyOfObject(key, object)) {
    // The slot holds another key pair than the object's, which is gone: the object names none.
    key = DevicePublicKey{};
    keyNumber = kNoKeyNumber;
    return kDeviceFailed;
  }
  keyNumber = number;
  return kOk;
}

uint32_t ReadPublicKeyRecord(const DeviceSession& session, uint32_t fileId, uint8_t& keyNumber,
                             PublicKeyRecord& record) {
  record = PublicKeyRecord{};
  keyNumber = kNoKeyNumber;
  uint8_t number = kNoKeyNumber;
  AttributeTemplate object;
  if (const uint32_t status = ReadKeyObject(session, fileId, true, number, object); status != 0) {
    return status;
  }
  uint32_t bits = 0;
  uint32_t flags = 0;
  if (session.GetKeyInfo(number, &bits, &flags) != 0) {
    return kDeviceFailed;
  }
  PublicKeyRecord read;
  auto modulusLength = static_cast<uint32_t>(read.modulus.size());
  auto exponentLength = static_cast<uint32_t>(read.exponent.size());
  if (session.ReadRSAPub(number, &read.bits, read.modulus.data(), &modulusLength,
                         read.exponent.data(), &exponentLength, 0) != 0) {
    return kDeviceFailed;
  }
  // A slot that holds another key pair than the object's is no key of this container's.
  if (modulusLength > read.modulus.size()) {
    return kDeviceFailed;
  }
  const DevicePublicKey deviceKey{
      read.bits, {read.modulus.begin(), read.modulus.begin() + modulusLength}, {}};
  if (!IsKeyOfObject(deviceKey, object)) {
    return kDeviceFailed;
  }
  record = read;
  keyNumber = number;
  return kOk;
}

}  // namespace kq::store
