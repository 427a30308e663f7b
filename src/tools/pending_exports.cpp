// Exports whose work has not landed yet: each fails with a status of its own table.
#include "common/codes_tools.h"
#include "tools/certificate_exports.h"
#include "tools/device_exports.h"
#include "tools/request_export.h"
#include "tools/signature_exports.h"

namespace kq::tools {

uint32_t GetSignature(const SignatureRequest& /*request*/, uint8_t* /*signature*/,
                      int32_t* /*signatureLength*/, uint8_t* /*certificate*/,
                      uint32_t* /*certificateLength*/) {
  return tool::signature::kEnumerationFailed;
}

}  // namespace kq::tools
