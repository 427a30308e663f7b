// KQ_CSPName: the provider's name, for any caller.
#include <cstring>

#include "common/codes_tools.h"
#include "tools/device_exports.h"
#include "tools/provider_name.h"

namespace kq::tools {

uint32_t CspName(char* buffer, int32_t* length) {
  if (length == nullptr) {
    return tool::kCertificateNotFound;
  }
  // The length is output only: the caller provides room for the 19 bytes.
  *length = static_cast<int32_t>(kProviderName.size());
  if (buffer != nullptr) {
    std::memcpy(buffer, kProviderName.data(), kProviderName.size());
  }
  return tool::kOk;
}

}  // namespace kq::tools
