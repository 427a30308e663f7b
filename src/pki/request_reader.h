#pragma once
// The parts of a PKCS #10 certification request that a certification authority works with: the
// signed request info, the subject and public key it carries, and the signature over it. The
// attributes element, which this system's requests leave out, is not read.

#include <cstdint>
#include <span>

namespace kq {

// Views into the request's bytes.
struct RequestParts {
  std::span<const uint8_t> info;     // CertificationRequestInfo, header and all: the signed bytes
  std::span<const uint8_t> subject;  // the subject Name, header and all
  std::span<const uint8_t> publicKeyInfo;  // SubjectPublicKeyInfo, header and all
  std::span<const uint8_t> publicKey;  // its BIT STRING's bytes (an RSA key's DER, an SM2 point)
  std::span<const uint8_t> signature;  // the signature BIT STRING's bytes
};

// Splits SEQUENCE { SEQUENCE { INTEGER, Name, SubjectPublicKeyInfo, ... }, AlgorithmIdentifier,
// BIT STRING } into its parts. False when an element is missing, has another tag or runs past
// its enclosing element, when a BIT STRING has unused bits, or when bytes follow the request.
bool ReadCertificationRequest(std::span<const uint8_t> der, RequestParts& parts);

}  // namespace kq
