#pragma once
// The PKCS #11 objects of one token, built from the store's containers: for each key pair its
// certificate, public key and private key, sharing one CKA_ID (the device key number). The
// attributes are what clients read; the private key is presented as it is on the key (sensitive,
// never extractable), whatever defaults its stored object carries.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "pkcs11/pkcs11_types.h"

namespace kq::pkcs11 {

enum class KeyAlgorithm { kRsa, kSm2 };

struct TokenObject {
  CK_OBJECT_HANDLE handle = 0;
  CK_OBJECT_CLASS objectClass = CKO_DATA;
  bool isPrivate = false;
  KeyAlgorithm algorithm = KeyAlgorithm::kRsa;
  uint8_t keyNumber = 0xFF;
  uint16_t fileId = 0xFFFF;        // the object's file on the key
  std::string containerName;       // the container that references it
  size_t reference = 0;            // its position in the container's reference list
  std::vector<uint8_t> publicKey;  // RSA modulus, or SM2 X || Y
  std::map<CK_ATTRIBUTE_TYPE, std::vector<uint8_t>> attributes;

  [[nodiscard]] const std::vector<uint8_t>* Find(CK_ATTRIBUTE_TYPE type) const {
    const auto it = attributes.find(type);
    return it == attributes.end() ? nullptr : &it->second;
  }
};

// Object handles name the file on the key and the slot, so they stay the same for the life of
// the module whatever is listed again: (slot + 1) << 16 | file id.
[[nodiscard]] constexpr CK_OBJECT_HANDLE ObjectHandle(CK_SLOT_ID slot, uint16_t fileId) {
  return ((slot + 1) << 16) | fileId;
}

// Reads every container's objects. Returns 0 or the store's result.
uint32_t ReadTokenObjects(const DeviceSession& session, CK_SLOT_ID slot,
                          std::vector<TokenObject>& objects);

}  // namespace kq::pkcs11
