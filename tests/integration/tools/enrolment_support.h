#pragma once
// The bank's side of an enrolment, played by the openssl command: it reads each certification
// request and verifies signatures with a certificate's key.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/openssl_command.h"
#include "support/test_ca.h"
#include "support/transaction_message.h"

namespace kqtest {

using kq::test::FromBase64;
using kq::test::TestCa;
using kq::test::ToBase64;
using kq::test::TransactionMessage;
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// The request's subject as openssl prints it in UTF-8 ("CN = a, title = S").
std::string RequestSubject(std::span<const uint8_t> requestDer);

// Verifies a raw signature with the certificate's key: RSA PKCS #1 v1.5 over the data hashed with
// digestName ("sha1", "sha256", ...), or SM2 (r || s) over the data with SM3 and the default
// identity when digestName is "sm3".
bool OpensslVerifiesSignature(std::span<const uint8_t> certificateDer,
                              std::span<const uint8_t> data, std::span<const uint8_t> signature,
                              const std::string& digestName);

}  // namespace kqtest
