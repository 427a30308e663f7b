// Exports whose work has not landed yet: each fails with a status of its own table.
#include "common/codes_tools.h"
#include "tools/certificate_exports.h"
#include "tools/device_exports.h"
#include "tools/request_export.h"
#include "tools/signature_exports.h"

namespace kq::tools {

uint32_t CreatePkcs10(const char* /*requestText*/, int32_t /*textLength*/, const char* /*mediaId*/,
                      char* /*output*/, int32_t* /*outputLength*/) {
  return tool::pkcs10::kBadArgument;
}

uint32_t WritePkcs7(const char* /*mediaId*/, const char* /*certificateList*/,
                    int32_t /*listLength*/) {
  return tool::pkcs7::kBadArgument;
}
uint32_t GetSignature(const SignatureRequest& /*request*/, uint8_t* /*signature*/,
                      int32_t* /*signatureLength*/, uint8_t* /*certificate*/,
                      uint32_t* /*certificateLength*/) {
  return tool::signature::kEnumerationFailed;
}

}  // namespace kq::tools
