#pragma once
// Running outside commands from tests with their output captured (kqsim, openssl), and the
// `openssl` command as a verifier and key maker nobody here wrote, with the small pieces of DER
// and PEM a test needs to hand it our public keys and signatures.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_command.h"
#include "support/temp_directory.h"

namespace kq::test {

// `openssl <arguments>` with its output captured.
CommandResult RunOpenssl(const std::vector<std::string>& arguments, std::string_view input = {});
// `openssl <arguments>`, the arguments separated by blanks (none may contain one); true on exit
// status 0. On failure, the command and its output are in *failure when given.
bool RunOpenssl(const std::string& arguments, std::string* failure = nullptr);

// Public keys as PEM SubjectPublicKeyInfo: RSA from modulus and exponent (big-endian), SM2 from
// its coordinates (32 bytes each).
std::string RsaPublicKeyPem(std::span<const uint8_t> modulus, std::span<const uint8_t> exponent);
std::string Sm2PublicKeyPem(std::span<const uint8_t> x, std::span<const uint8_t> y);

// Base64 without line breaks, as the tool exports take and give DER; empty when `text` is not
// base64.
std::string ToBase64(std::span<const uint8_t> bytes);
std::vector<uint8_t> FromBase64(std::string_view text);

// An SM2 signature r || s (64 bytes) as the DER SEQUENCE of two INTEGERs.
std::vector<uint8_t> Sm2SignatureDer(std::span<const uint8_t> rs);

// `openssl pkeyutl -verify` of an RSA PKCS #1 v1.5 signature over a finished digest; digestName
// is "sha1", "sha256", "sha384", "sha512", "md5", or empty for a raw value without DigestInfo.
bool OpensslVerifyRsaDigest(const std::string& publicKeyPem, std::span<const uint8_t> digest,
                            std::span<const uint8_t> signature, const std::string& digestName);
// `openssl pkeyutl -verify -rawin -digest sm3` of an SM2 signature (r || s) over a message with
// the identity "1234567812345678".
bool OpensslVerifySm2(const std::string& publicKeyPem, std::span<const uint8_t> message,
                      std::span<const uint8_t> rs);

}  // namespace kq::test
