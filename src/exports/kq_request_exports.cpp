// Enrolment export: key pairs generated on the key and their certification requests.
#include "common/codes_tools.h"
#include "kqcsp.h"
#include "tools/export_guard.h"
#include "tools/request_export.h"

extern "C" {

// Generates one to three key pairs and returns their PKCS #10 requests in base64.
uint32_t KQ_CreatePKCS10(const char* requestText, int32_t textLength, const char* mediaId,
                         char* output, int32_t* outputLength) {
  return kq::tools::GuardToolExport(kq::tool::pkcs10::kBadArgument, [&] {
    return kq::tools::CreatePkcs10(requestText, textLength, mediaId, output, outputLength);
  });
}

}  // extern "C"
