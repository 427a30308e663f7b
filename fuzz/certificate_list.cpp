// The certificate list of KQ_WritePKCS7.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tools/certificate_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<kq::DecodedCertificate> certificates;
  (void)kq::tools::DecodeCertificateList({reinterpret_cast<const char*>(data), size}, certificates);
  return 0;
}
