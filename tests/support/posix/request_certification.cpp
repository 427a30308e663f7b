// Certificates for the requests of KQ_CreatePKCS10 from the tests' CA (support/test_ca.h), which
// refuses a request whose signature its own key does not verify.

#include <algorithm>
#include <array>
#include <memory>

#include "support/device_call_workload.h"
#include "support/openssl_command.h"
#include "support/scoped_env.h"
#include "support/test_ca.h"

namespace kq::test {

std::string CertifyRequest(const std::string& requestBase64) {
  // One authority for the process, in the system's temporary folder: a soft-key scene points
  // TMPDIR at a folder it removes when it goes, which would take the authority's files with it.
  static const std::unique_ptr<TestCa> authority = [] {
    const ScopedEnv systemTemporaryFolder("TMPDIR", std::nullopt);
    return std::make_unique<TestCa>();
  }();
  const std::vector<uint8_t> der = FromBase64(requestBase64);
  // An SM2 request names the curve (1.2.156.10197.1.301): its signature needs the signer identity.
  constexpr std::array<uint8_t, 8> kSm2Curve = {0x2A, 0x81, 0x1C, 0xCF, 0x55, 0x01, 0x82, 0x2D};
  const bool sm2 =
      std::search(der.begin(), der.end(), kSm2Curve.begin(), kSm2Curve.end()) != der.end();
  const std::vector<uint8_t> certificate = der.empty() ? der : authority->Issue(der, sm2);
  return certificate.empty() ? "" : ToBase64(certificate);
}

}  // namespace kq::test
