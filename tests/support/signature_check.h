#pragma once
// Signatures judged by a verifier nobody here wrote: the openssl command on Linux.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kq::test {

// A signature in CryptoAPI's byte order (least significant byte first) over the data hashed with
// digestName ("sha256"), or over the data as it is when digestName is empty, by the RSA key of a
// PUBLICKEYBLOB. No answer where the platform has no verifier here.
std::optional<bool> BlobSignatureVerifies(std::span<const uint8_t> publicKeyBlob,
                                          std::span<const uint8_t> data,
                                          std::span<const uint8_t> signatureLe,
                                          const std::string& digestName = "sha256");

// A raw signature by the certificate's key: RSA PKCS #1 v1.5 over the data hashed with digestName
// ("sha1", "sha256"), or SM2 (r || s) over the data with SM3 and the default identity when
// digestName is "sm3". No answer where the platform has no verifier here (Windows).
std::optional<bool> CertificateSignatureVerifies(std::span<const uint8_t> certificateDer,
                                                 std::span<const uint8_t> data,
                                                 std::span<const uint8_t> signature,
                                                 const std::string& digestName);

}  // namespace kq::test
