#pragma once
// Deleting one key pair of a container, or only its certificate: each reference released before
// the object it named is deleted, so the container never names a file that is gone, and a key
// pair or object is deleted only while it is still the container's own.

#include <cstdint>

#include "device/device_session.h"
#include "store/container_record.h"
#include "store/index_slot.h"

namespace kq::store {

// Releases one reference of the container and deletes the object it named (in `index`), unless
// another container names it too (`shared`: it stays). 0 when the reference was not set;
// kDeviceFailed when the containers cannot be listed, the reference released or the object
// deleted.
uint32_t ReleaseContainerReference(const DeviceSession& session, ContainerInfo& container,
                                   ContainerRef ref, IndexKind index, bool& shared);

// Deletes one key pair of the container, in an order that never loses what another container
// owns: first the pair's references are released, then the device key goes (confirmed on the key
// when it asks; declined or failed, the references are set again and the pair stays whole), then
// the pair's objects and the key number's certificate directory entry. Only what is the
// container's own goes: an object must carry its name and be named by no other container (a
// damaged key can hold two naming one file), and the slot must hold the key pair its public key
// object describes. 0; kDeviceFailed when the pair's public key object names another
// key number than `expectedKeyNumber` (0xFF: any), or when a reference or an object could not be
// released; DeleteDeviceKeyPair's result; a read's result.
uint32_t DeleteOwnedKeyPair(const DeviceSession& session, ContainerInfo& container,
                            const KeyPairRefs& pair, uint8_t expectedKeyNumber);

// DeleteOwnedKeyPair, then the container when its other pair is gone too (kDeviceFailed when it
// cannot be deleted).
uint32_t DeleteContainerKeyPair(const DeviceSession& session, ContainerInfo& container,
                                const KeyPairRefs& pair, uint8_t keyNumber);

// The container's other key pair.
[[nodiscard]] const KeyPairRefs& OtherPair(const KeyPairRefs& pair);

}  // namespace kq::store
