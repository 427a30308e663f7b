#include "tools/request_signing.h"

#include "common/codes_tools.h"

namespace kq::tools {

// Filled in over the request encoders once they are available.
uint32_t BuildSignedRequest(const DeviceSession& /*session*/, uint32_t /*keyNumber*/,
                            const CertificateRequestRecord& /*record*/, const NewPublicKey& /*key*/,
                            std::string& base64) {
  base64.clear();
  return tool::pkcs10::kEncodeRequestFailed;
}

}  // namespace kq::tools
