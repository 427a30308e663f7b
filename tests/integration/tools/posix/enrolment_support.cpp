#include "enrolment_support.h"

#include <openssl/evp.h>

#include <cstdio>

namespace kqtest {

using kq::test::CommandResult;
using kq::test::RunOpenssl;
using kq::test::TempDirectory;

std::vector<uint8_t> FromBase64(std::string_view text) {
  std::vector<uint8_t> out(text.size() / 4 * 3 + 3);
  const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<int>(text.size()));
  if (n < 0) {
    return {};
  }
  size_t size = static_cast<size_t>(n);
  // EVP_DecodeBlock counts the fill characters as zero bytes.
  for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i) {
    --size;
  }
  out.resize(size);
  return out;
}

std::string ToBase64(std::span<const uint8_t> bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                                static_cast<int>(bytes.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

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

bool OpensslVerifiesRequest(std::span<const uint8_t> requestDer, bool sm2) {
  const TempDirectory dir;
  const auto path = dir.Write("request.der", requestDer);
  std::vector<std::string> args{"req", "-inform", "DER", "-in", path.string(), "-verify", "-noout"};
  if (sm2) {
    args.insert(args.end(), {"-vfyopt", "distid:1234567812345678"});
  }
  const CommandResult result = RunOpenssl(args);
  const std::string said = result.out + result.err;
  return result.exitCode == 0 && said.find("verify OK") != std::string::npos &&
         said.find("failure") == std::string::npos;
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

std::string CertificatePublicKeyPem(std::span<const uint8_t> certificateDer) {
  const TempDirectory dir;
  const auto path = dir.Write("certificate.der", certificateDer);
  return RunOpenssl({"x509", "-inform", "DER", "-in", path.string(), "-noout", "-pubkey"}).out;
}

bool OpensslVerifiesSignature(std::span<const uint8_t> certificateDer,
                              std::span<const uint8_t> data, std::span<const uint8_t> signature,
                              const std::string& digestName) {
  const std::string key = CertificatePublicKeyPem(certificateDer);
  if (digestName == "sm3") {
    return kq::test::OpensslVerifySm2(key, data, signature);
  }
  const TempDirectory dir;
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
  if (RunOpenssl(args).exitCode != 0) {
    return {};
  }
  std::vector<uint8_t> der;
  if (std::FILE* file = std::fopen(out.string().c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
      der.insert(der.end(), buffer, buffer + n);
    }
    std::fclose(file);
  }
  return der;
}

std::vector<uint8_t> TestCa::IssueForFreshKey(const std::string& subject) {
  const auto key = dir_.path() / "fresh.key";
  const auto request = dir_.path() / "fresh.der";
  RunOpenssl({"req", "-new", "-newkey", "rsa:1024", "-nodes", "-keyout", key.string(), "-subj",
              subject, "-outform", "DER", "-out", request.string()});
  std::vector<uint8_t> der;
  if (std::FILE* file = std::fopen(request.string().c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
      der.insert(der.end(), buffer, buffer + n);
    }
    std::fclose(file);
  }
  return Issue(der, false);
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
