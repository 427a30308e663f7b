#pragma once
// Deleting one key pair of a container, or only its certificate, as the temporary-key deletion
// does it: each reference released before the object it named is deleted, so the container never
// names a file that is gone.

#include <cstdint>

#include "device/device_session.h"
#include "store/container_record.h"
#include "store/index_slot.h"

namespace kq::store {

// Releases one reference of the container and deletes the object it named (in `index`). 0 when
// the reference was not set; kDeviceFailed when it could not be released or the object deleted.
uint32_t ReleaseContainerReference(const DeviceSession& session, ContainerInfo& container,
                                   ContainerRef ref, IndexKind index);

// Deletes the pair's device key (confirmed on the key when it asks), its certificate and key
// objects, the container when its other pair is gone too, and the key number's certificate
// directory entry. 0; DeleteDeviceKeyPair's result, which stops before any object goes; or
// kDeviceFailed when an object could not be released (what was deleted stays deleted).
uint32_t DeleteContainerKeyPair(const DeviceSession& session, ContainerInfo& container,
                                const KeyPairRefs& pair, uint8_t keyNumber);

// The container's other key pair.
[[nodiscard]] const KeyPairRefs& OtherPair(const KeyPairRefs& pair);

}  // namespace kq::store
