#include "tools/container_table.h"

namespace kq::tools {

// Filled in over the object store once it is available.
bool ReadContainerNames(DeviceSession& /*session*/, std::vector<std::string>& names) {
  names.clear();
  return false;
}

bool ReadContainerCertificates(DeviceSession& /*session*/, std::string_view /*name*/,
                               ContainerCertificates& certificates) {
  certificates = {};
  return false;
}

}  // namespace kq::tools
