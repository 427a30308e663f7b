#include "enrolment_support.h"

#include <cstdio>

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

TestCa::TestCa() {
  const auto key = dir_.path() / "ca.key";
  const auto certificate = dir_.path() / "ca.pem";
  RunOpenssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key.string(), "-out",
              certificate.string(), "-subj", "/CN=Bank Test CA", "-days", "30"});
}

std::vector<uint8_t> TestCa::Issue(std::span<const uint8_t> requestDer, bool sm2) {
  const auto request = dir_.Write("request.der", requestDer);
  const auto out = dir_.path() / "issued.der";
  std::vector<std::string> args{"x509",        "-req",
                                "-inform",     "DER",
                                "-in",         request.string(),
                                "-CA",         (dir_.path() / "ca.pem").string(),
                                "-CAkey",      (dir_.path() / "ca.key").string(),
                                "-set_serial", std::to_string(serial_++),
                                "-days",       "10",
                                "-outform",    "DER",
                                "-out",        out.string()};
  if (sm2) {
    args.insert(args.end(), {"-vfyopt", "distid:1234567812345678"});
  }
  return RunOpenssl(args).exitCode == 0 ? kq::test::ReadBytes(out.string())
                                        : std::vector<uint8_t>();
}

std::vector<uint8_t> TestCa::IssueForFreshKey(const std::string& subject) {
  const auto key = dir_.path() / "fresh.key";
  const auto request = dir_.path() / "fresh.der";
  RunOpenssl({"req", "-new", "-newkey", "rsa:1024", "-nodes", "-keyout", key.string(), "-subj",
              subject, "-outform", "DER", "-out", request.string()});
  return Issue(kq::test::ReadBytes(request.string()), false);
}

std::vector<uint8_t> TransactionMessage(std::string_view first, std::string_view second,
                                        std::string_view third) {
  auto digits = [](size_t n) {
    char text[17];
    std::snprintf(text, sizeof text, "%016zu", n);
    return std::string(text);
  };
  std::string message = "02" + digits(first.size()) + std::string(first) + "01" +
                        digits(second.size()) + std::string(second) + "00" + digits(third.size()) +
                        std::string(third);
  return {message.begin(), message.end()};
}

}  // namespace kqtest
