// Certificates for the requests of KQ_CreatePKCS10 on Windows, from the crypt32 test authority of
// the Windows suite: the request's subject and public key, signed with SHA-256 with RSA. The
// authority numbers its certificates itself.

#include "support/device_call_workload.h"
#include "win/support/win_crypt.h"

namespace kq::test {

std::string CertifyRequest(const std::string& requestBase64) {
  static wintest::Crypt32Ca authority;
  const wintest::CertificateRequest request(wintest::FromBase64(requestBase64));
  const wintest::Bytes certificate =
      request.read ? authority.Issue(request.subjectName, request.publicKeyInfo) : wintest::Bytes{};
  return certificate.empty() ? "" : wintest::ToBase64(certificate);
}

}  // namespace kq::test
