#pragma once
// SM2 private keys in the files that tools exchange: the SEC 1 ECPrivateKey structure
// ("EC PRIVATE KEY" in PEM) with the SM2 curve's object identifier 1.2.156.10197.1.301, and the
// PKCS #8 wrapping of it ("PRIVATE KEY", as `openssl genpkey -algorithm SM2` writes it).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/secret.h"
#include "softkey/sm2_key_pair.h"

namespace kq::sim {

// The private scalar of an SM2 key in DER: SEC 1 or PKCS #8. A curve other than SM2, or any
// malformed structure, gives nothing.
std::optional<SecretBytes> ParseSm2PrivateKeyDer(std::span<const uint8_t> der);
// The same from PEM text (either label).
std::optional<SecretBytes> ParseSm2PrivateKeyPem(std::string_view pem);

// SEC 1 DER with the curve and the public point, and its PEM form.
std::optional<std::vector<uint8_t>> EncodeSm2PrivateKeyDer(const Sm2KeyPair& pair);
std::optional<std::string> EncodeSm2PrivateKeyPem(const Sm2KeyPair& pair);

}  // namespace kq::sim
