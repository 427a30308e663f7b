#pragma once
// The bank's side of an enrolment, played by the openssl command: it checks each certification
// request, issues certificates from a test CA, and verifies signatures with a certificate's key.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/openssl_command.h"

namespace kqtest {

using kq::test::FromBase64;
using kq::test::ToBase64;
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// The request's subject as openssl prints it in UTF-8 ("CN = a, title = S").
std::string RequestSubject(std::span<const uint8_t> requestDer);

// Verifies a raw signature with the certificate's key: RSA PKCS #1 v1.5 over the data hashed with
// digestName ("sha1", "sha256", ...), or SM2 (r || s) over the data with SM3 and the default
// identity when digestName is "sm3".
bool OpensslVerifiesSignature(std::span<const uint8_t> certificateDer,
                              std::span<const uint8_t> data, std::span<const uint8_t> signature,
                              const std::string& digestName);

// A certification authority for tests: an RSA key and a self-signed certificate in a temporary
// directory.
class TestCa {
 public:
  TestCa();
  // Issues a certificate for a DER request and returns it as DER; empty on failure.
  std::vector<uint8_t> Issue(std::span<const uint8_t> requestDer, bool sm2);
  // A certificate for a key nobody holds.
  std::vector<uint8_t> IssueForFreshKey(const std::string& subject);

 private:
  kq::test::TempDirectory dir_;
  int serial_ = 1;
};

// A bank transaction message: "02", the 16 digits of 4, four bytes, "01", 16 digits of L1, L1
// bytes, "00", 16 digits of L2, L2 bytes.
std::vector<uint8_t> TransactionMessage(std::string_view first, std::string_view second,
                                        std::string_view third);

}  // namespace kqtest
