#pragma once
// Deleting a container with everything it owns: its key pairs in the device, their objects,
// certificates and directory entries, and last the container object itself.

#include <cstdint>
#include <string_view>

#include "device/device_session.h"

namespace kq::store {

// Each key pair goes as DeleteOwnedKeyPair deletes it (references first, then the device key,
// then the objects; only what is still the container's own). Results: 0; kBadArgument (empty
// name); ListContainers' results; kContainerNotFound; the key pair deletion's result (0x8010006E
// cancelled, 0x8010000A timed out, 0x80090020), which stops the deletion with that pair whole: a
// signature pair deleted before stays deleted; kDeviceFailed or DeleteObject's result when a
// reference or an object could not be released, so that success means the container is gone.
uint32_t DeleteContainer(const DeviceSession& session, std::string_view name);

}  // namespace kq::store
