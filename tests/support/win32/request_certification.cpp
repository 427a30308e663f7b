// No certification authority in the Windows suite: the certificate operations of the call
// budget run on Linux, where OpenSSL issues their certificates.

#include "support/device_call_workload.h"

namespace kq::test {

std::string CertificateListForRequests(const std::string& /*requests*/) {
  return "";
}

}  // namespace kq::test
