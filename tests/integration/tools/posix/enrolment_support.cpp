#include "enrolment_support.h"

namespace kqtest {

using kq::test::CommandResult;
using kq::test::RunOpenssl;
using kq::test::TempDirectory;

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  size_t pos = 0;
  while (true) {
    const size_t at = text.find(separator, pos);
    if (at == std::string_view::npos) {
      pieces.emplace_back(text.substr(pos));
      return pieces;
    }
    pieces.emplace_back(text.substr(pos, at - pos));
    pos = at + separator.size();
  }
}

std::string RequestSubject(std::span<const uint8_t> requestDer) {
  const TempDirectory dir;
  const auto path = dir.Write("request.der", requestDer);
  const CommandResult result = RunOpenssl({"req", "-inform", "DER", "-in", path.string(), "-noout",
                                           "-subject", "-nameopt", "utf8,sep_comma_plus_space"});
  std::string subject = result.out;
  if (subject.rfind("subject=", 0) == 0) {
    subject.erase(0, 8);
  }
  while (!subject.empty() && (subject.back() == '\n' || subject.back() == ' ')) {
    subject.pop_back();
  }
  return subject;
}

bool OpensslVerifiesSignature(std::span<const uint8_t> certificateDer,
                              std::span<const uint8_t> data, std::span<const uint8_t> signature,
                              const std::string& digestName) {
  const TempDirectory dir;
  const auto certificate = dir.Write("certificate.der", certificateDer);
  const std::string key =
      RunOpenssl({"x509", "-inform", "DER", "-in", certificate.string(), "-noout", "-pubkey"}).out;
  if (digestName == "sm3") {
    return kq::test::OpensslVerifySm2(key, data, signature);
  }
  const auto keyPath = dir.Write("key.pem", key);
  const auto dataPath = dir.Write("data.bin", data);
  const auto signaturePath = dir.Write("signature.bin", signature);
  const CommandResult result =
      RunOpenssl({"dgst", "-" + digestName, "-verify", keyPath.string(), "-signature",
                  signaturePath.string(), dataPath.string()});
  return result.exitCode == 0 && result.out.find("Verified OK") != std::string::npos;
}

}  // namespace kqtest
