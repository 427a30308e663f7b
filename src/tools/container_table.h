#pragma once
// What the function table reads from the key's object store: the container names in object index
// order, and a container's two certificates.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_session.h"

namespace kq::tools {

// The object index must be readable whole (400 bytes) and every container parsable.
[[nodiscard]] bool ReadContainerNames(DeviceSession& session, std::vector<std::string>& names);

struct ContainerCertificates {
  std::optional<std::vector<uint8_t>> signature;  // reference 0; empty when unreadable
  std::optional<std::vector<uint8_t>> exchange;   // reference 3
};

// False when the container cannot be found.
[[nodiscard]] bool ReadContainerCertificates(DeviceSession& session, std::string_view name,
                                             ContainerCertificates& certificates);

}  // namespace kq::tools
