// Windows has no verifier here for the raw signatures of the budgeted operations: the Windows
// suite's own tests verify signatures with the Microsoft provider (tests/win/support/win_crypt.h).
#include "support/signature_check.h"

namespace kq::test {

std::optional<bool> BlobSignatureVerifies(std::span<const uint8_t>, std::span<const uint8_t>,
                                          std::span<const uint8_t>, const std::string&) {
  return std::nullopt;
}

std::optional<bool> CertificateSignatureVerifies(std::span<const uint8_t>, std::span<const uint8_t>,
                                                 std::span<const uint8_t>, const std::string&) {
  return std::nullopt;
}

}  // namespace kq::test
