#pragma once
// Reading a public key object: the key number it names, then the public key as the device
// reports it for that slot.

#include <cstdint>
#include <vector>

#include "crypto/public_key_record.h"
#include "device/device_session.h"
#include "store/attribute_template.h"

namespace kq::store {

// A device public key: RSA modulus and exponent, or the SM2 point's X and Y when bits is 256.
struct DevicePublicKey {
  uint32_t bits = 0;
  std::vector<uint8_t> first;
  std::vector<uint8_t> second;
};

// Reads the object in fileId and checks it names a key: kBadFileId; kDeviceFailed when the
// length cannot be had; kSerialiseFailed for a length of 0 or an unreadable object; kWrongClass
// (class missing or not 2); with requireRsa, kAttributeMissing unless CKA_KEY_TYPE is 0;
// kAttributeMissing, kWrongAttributeLength or kBadKeyNumber for the key number. `object`, when
// given, receives the object read.
uint32_t ReadKeyNumberOfObject(const DeviceSession& session, uint32_t fileId, bool requireRsa,
                               uint8_t& keyNumber, AttributeTemplate* object = nullptr);

// The device's public key in a slot (ZANT_GetKeyInfo, then ZANT_ReadRSAPub into two 512-byte
// buffers); kDeviceFailed. `keyFlags`, when given, receives ZANT_GetKeyInfo's flags.
uint32_t ReadDevicePublicKey(const DeviceSession& session, uint8_t keyNumber, DevicePublicKey& key,
                             uint32_t* keyFlags = nullptr);
// Its second half, ZANT_ReadRSAPub alone, for a caller that asked ZANT_GetKeyInfo itself.
uint32_t ReadSlotPublicKey(const DeviceSession& session, uint8_t keyNumber, DevicePublicKey& key);

// The tool exports' reading: the key number and the device's public key for it; kDeviceFailed
// when the slot holds another key than the object describes (its own pair is gone).
uint32_t ReadPublicKeyObject(const DeviceSession& session, uint32_t fileId, uint8_t& keyNumber,
                             DevicePublicKey& key, uint32_t* keyFlags = nullptr);

// The provider's reading: the object must also be an RSA key (CKA_KEY_TYPE 0); the device key
// is read into a zeroed record (modulus room 256 bytes, exponent room 4). kDeviceFailed when
// the device key cannot be read or is not the one the object describes.
uint32_t ReadPublicKeyRecord(const DeviceSession& session, uint32_t fileId, uint8_t& keyNumber,
                             PublicKeyRecord& record);

}  // namespace kq::store
