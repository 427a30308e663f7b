#include "tools/certificate_list.h"

#include "common/codes_tools.h"
#include "tools/text_fields.h"

namespace kq::tools {

uint32_t DecodeCertificateList(std::string_view list,
                               std::vector<DecodedCertificate>& certificates) {
  certificates.clear();
  for (std::string_view piece : SplitAt(list, "||")) {
    const std::string_view item = TrimBlanks(piece);
    if (item.empty()) {
      continue;
    }
    DecodedCertificate certificate;
    if (DecodeBase64Certificate(item.data(), item.size(), certificate) != 0) {
      return tool::pkcs7::kBadCertificate;
    }
    certificates.push_back(std::move(certificate));
  }
  return 0;
}

}  // namespace kq::tools
