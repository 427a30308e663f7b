#pragma once
// Whether what a container names is still its own. The key has no transactions: a change cut
// short can leave a container naming a file or a key slot that a later change gave to another
// container. Before anything is deleted in a container's name, its object must carry that
// container's name, and the key pair in the slot must be the one its public key object describes.

#include <cstdint>
#include <optional>
#include <string_view>

#include "device/device_session.h"
#include "store/attribute_template.h"
#include "store/public_key_object.h"

namespace kq::store {

enum class Ownership {
  kOwned,    // the object carries the container's name
  kForeign,  // it carries another name, or none: it is left alone
  kGone,     // no such file: nothing to delete
};

// Reads the object in fileId and judges whether it is the named container's; `object` receives
// it when owned. 0; kDeviceFailed when its length cannot be had; ReadObject's results.
uint32_t ReadObjectOwnership(const DeviceSession& session, uint16_t fileId,
                             std::string_view containerName, Ownership& ownership,
                             AttributeTemplate& object);

// The device key in a slot, or none when the slot is empty (status word 0x6A88). kDeviceFailed
// for any other failure.
uint32_t ReadSlotKey(const DeviceSession& session, uint8_t keyNumber,
                     std::optional<DevicePublicKey>& key);

// Whether the public key object states a modulus or a point.
[[nodiscard]] bool StatesKey(const AttributeTemplate& publicKeyObject);

// Whether the device key is the one the public key object describes: the RSA modulus, or the SM2
// point X || Y. False for an object that states neither: it proves no key its own.
[[nodiscard]] bool IsKeyOfObject(const DevicePublicKey& deviceKey,
                                 const AttributeTemplate& publicKeyObject);

}  // namespace kq::store
