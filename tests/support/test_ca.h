#pragma once
// A certification authority for tests, played by the openssl command: an RSA key and its
// self-signed certificate in a temporary folder. Certificates come out as DER; subjects are
// written as openssl takes them ("/CN=user/O=Bank").

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "support/temp_directory.h"

namespace kq::test {

class TestCa {
 public:
  TestCa();
  // For a DER certification request; SM2 requests are checked with the default signer identity.
  std::vector<uint8_t> Issue(std::span<const uint8_t> requestDer, bool sm2 = false);
  // For the key of a PEM file, private (a soft-key fixture) or public.
  std::vector<uint8_t> IssueForKey(const std::string& keyPem, const std::string& subject);
  // For a key nobody holds.
  std::vector<uint8_t> IssueForFreshKey(const std::string& subject);
  // Signed by the PEM private key itself.
  std::vector<uint8_t> SelfSigned(const std::string& keyPem, const std::string& subject);
  // The authority's own certificate.
  [[nodiscard]] std::vector<uint8_t> Certificate() const;

 private:
  // Runs openssl with the CA's files and returns the DER it wrote to `out`; empty on failure.
  std::vector<uint8_t> Run(std::vector<std::string> arguments, const std::string& out);

  TempDirectory dir_;
  int serial_ = 0;
};

}  // namespace kq::test
