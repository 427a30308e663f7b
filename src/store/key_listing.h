#pragma once
// The keys on the key joined with what the containers say about them: what the key deletion
// dialog shows.

#include <cstdint>
#include <vector>

#include "device/device_session.h"
#include "store/device_keys.h"

namespace kq::store {

// The subject shown for a container's key whose certificate is missing or cannot be decoded.
inline constexpr const char* kNoCertificateSubject = "no cert";

// The device's keys in key number order; each takes usage, certificate subject and container
// name from the first container key pair that names its key number. Keys no container claims
// keep an empty subject and container name. ListDeviceKeys' failure is returned; containers
// that cannot be listed leave every key unclaimed.
uint32_t ListKeysWithCertificates(const DeviceSession& session, std::vector<KeyListEntry>& keys);

}  // namespace kq::store
