#pragma once
// Deleting a container with everything it owns: its key pairs in the device, their objects,
// certificates and directory entries, and last the container object itself.

#include <cstdint>
#include <string_view>

#include "device/device_session.h"

namespace kq::store {

// Results: 0; kBadArgument (empty name); ListContainers' results; kContainerNotFound; the key
// pair deletion's result (0x8010006E cancelled, 0x8010000A timed out, 0x80090020), which stops
// the deletion where it stands: a signature pair deleted before stays deleted. Failures of
// single object deletions are not reported.
uint32_t DeleteContainer(const DeviceSession& session, std::string_view name);

}  // namespace kq::store
