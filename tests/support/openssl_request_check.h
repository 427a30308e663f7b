#pragma once
// Has the openssl command check a DER certification request's self-signature. `openssl req
// -verify` exits 0 whether or not the signature verifies, so the verdict is read from its
// output. SM2 requests are checked with the default signer identity "1234567812345678".

#include <cstdint>
#include <span>
#include <string>

namespace kq::test {

struct RequestCheck {
  bool verified = false;
  std::string output;  // what openssl printed, for failure messages
};

RequestCheck CheckRequestWithOpenSsl(std::span<const uint8_t> der, bool sm2);

}  // namespace kq::test
