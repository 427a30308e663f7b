#pragma once
// Enrolment: key pairs generated on the key and their PKCS #10 certification requests.

#include <cstdint>

namespace kq::tools {

uint32_t CreatePkcs10(const char* requestText, int32_t textLength, const char* mediaId,
                      char* output, int32_t* outputLength);

}  // namespace kq::tools
