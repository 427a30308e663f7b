#include "support/test_ca.h"

#include <gtest/gtest.h>

#include "support/openssl_command.h"

namespace kq::test {

TestCa::TestCa() {
  Run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir_.File("ca.key"), "-subj",
       "/CN=Bank Test CA/O=Bank", "-days", "30", "-outform", "DER"},
      "ca.der");
}

std::vector<uint8_t> TestCa::Run(std::vector<std::string> arguments, const std::string& out) {
  arguments.insert(arguments.end(), {"-out", dir_.File(out)});
  const CommandResult result = RunOpenssl(arguments);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return result.exitCode == 0 ? ReadBytes(dir_.File(out)) : std::vector<uint8_t>();
}

std::vector<uint8_t> TestCa::Issue(std::span<const uint8_t> requestDer, bool sm2) {
  std::vector<std::string> arguments{
      "x509", "-req", "-inform", "DER", "-in", dir_.Write("request.der", requestDer).string()};
  if (sm2) {
    arguments.insert(arguments.end(), {"-vfyopt", "distid:1234567812345678"});
  }
  arguments.insert(arguments.end(),
                   {"-CA", dir_.File("ca.der"), "-CAform", "DER", "-CAkey", dir_.File("ca.key"),
                    "-set_serial", std::to_string(++serial_), "-days", "10", "-outform", "DER"});
  return Run(arguments, "issued.der");
}

std::vector<uint8_t> TestCa::IssueForKey(const std::string& keyPem, const std::string& subject) {
  const std::string publicKey = dir_.File("subject.pub");
  if (RunOpenssl({"pkey", "-in", keyPem, "-pubout", "-out", publicKey}).exitCode != 0) {
    RunOpenssl({"pkey", "-pubin", "-in", keyPem, "-pubout", "-out", publicKey});
  }
  return Run({"x509", "-new", "-subj", subject, "-force_pubkey", publicKey, "-CA",
              dir_.File("ca.der"), "-CAform", "DER", "-CAkey", dir_.File("ca.key"), "-set_serial",
              std::to_string(++serial_), "-days", "10", "-outform", "DER"},
             "issued.der");
}

std::vector<uint8_t> TestCa::IssueForFreshKey(const std::string& subject) {
  const std::string key = dir_.File("fresh.key");
  RunOpenssl({"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024", "-out", key});
  return IssueForKey(key, subject);
}

std::vector<uint8_t> TestCa::SelfSigned(const std::string& keyPem, const std::string& subject) {
  return Run(
      {"req", "-x509", "-new", "-key", keyPem, "-subj", subject, "-days", "2", "-outform", "DER"},
      "self.der");
}

std::vector<uint8_t> TestCa::Certificate() const {
  return ReadBytes(dir_.File("ca.der"));
}

}  // namespace kq::test
