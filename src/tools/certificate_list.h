#pragma once
// The certificate list of KQ_WritePKCS7: items joined by "||", each the base64 text of one DER
// certificate, blanks around items ignored.

#include <cstdint>
#include <string_view>
#include <vector>

#include "pki/certificate_reader.h"

namespace kq::tools {

// 0 with the decoded certificates (possibly none: empty items are passed over), or 1 when an
// item is not the base64 text of a certificate with an RSA key or a 65-byte point.
[[nodiscard]] uint32_t DecodeCertificateList(std::string_view list,
                                             std::vector<DecodedCertificate>& certificates);

}  // namespace kq::tools
