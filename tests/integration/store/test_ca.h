#pragma once
// A certificate authority made with the `openssl` command for the store's tests: it issues
// certificates for the soft key's fixture key pairs, and makes self-signed ones.

#include <cstdint>
#include <string>
#include <vector>

#include "support/openssl_command.h"

namespace kq::store {

class TestCa {
 public:
  TestCa();
  // A DER certificate for the fixture key pair (tests/data/softkey/<fixture>.pem) issued by the
  // CA, with an OpenSSL subject such as "/CN=user/O=Bank".
  std::vector<uint8_t> Issue(const std::string& fixture, const std::string& subject);
  // A DER certificate for the fixture key pair signed by that key itself.
  std::vector<uint8_t> SelfSigned(const std::string& fixture, const std::string& subject);

 private:
  test::TempDirectory dir_;
  int serial_ = 0;
};

}  // namespace kq::store
