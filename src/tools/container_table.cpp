#include "tools/container_table.h"

#include "store/containers.h"

namespace kq::tools {

bool ReadContainerNames(DeviceSession& session, std::vector<std::string>& names) {
  return store::ListContainerNames(session, names) == 0;
}

// Filled in over the store's certificate reading once it is available.
bool ReadContainerCertificates(DeviceSession& /*session*/, std::string_view /*name*/,
                               ContainerCertificates& certificates) {
  certificates = {};
  return false;
}

}  // namespace kq::tools
