#include "test_ca.h"

#include <gtest/gtest.h>

#include "support/softkey_scene.h"

namespace kq::store {

namespace {

void Run(const std::vector<std::string>& arguments) {
  const test::CommandResult result = test::RunOpenssl(arguments);
  ASSERT_EQ(result.exitCode, 0) << result.err;
}

}  // namespace

TestCa::TestCa() {
  Run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
       (dir_.path() / "ca.key").string(), "-out", (dir_.path() / "ca.pem").string(), "-subj",
       "/CN=Store Test CA/O=Bank", "-days", "2"});
}

std::vector<uint8_t> TestCa::Issue(const std::string& fixture, const std::string& subject) {
  const std::string name = "issued" + std::to_string(++serial_);
  const std::filesystem::path publicKey = dir_.path() / (name + ".pub");
  const std::filesystem::path certificate = dir_.path() / (name + ".der");
  Run({"pkey", "-in", test::SoftKeyFixturePath(fixture).string(), "-pubout", "-out",
       publicKey.string()});
  Run({"x509", "-new", "-subj", subject, "-force_pubkey", publicKey.string(), "-CA",
       (dir_.path() / "ca.pem").string(), "-CAkey", (dir_.path() / "ca.key").string(), "-days", "2",
       "-outform", "DER", "-out", certificate.string()});
  return test::ReadBytes(certificate.string());
}

std::vector<uint8_t> TestCa::SelfSigned(const std::string& fixture, const std::string& subject) {
  const std::filesystem::path certificate =
      dir_.path() / ("self" + std::to_string(++serial_) + ".der");
  Run({"req", "-x509", "-new", "-key", test::SoftKeyFixturePath(fixture).string(), "-subj", subject,
       "-days", "2", "-outform", "DER", "-out", certificate.string()});
  return test::ReadBytes(certificate.string());
}

}  // namespace kq::store
