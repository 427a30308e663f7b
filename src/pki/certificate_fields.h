#pragma once
// The DER names and serial number of a certificate, as PKCS #11 clients read them
// (CKA_SUBJECT, CKA_ISSUER, CKA_SERIAL_NUMBER): views into the certificate's own bytes.

#include <cstdint>
#include <span>

namespace kq {

struct CertificateFields {
  std::span<const uint8_t> serialNumber;  // the whole INTEGER element, header included
  std::span<const uint8_t> issuer;        // the whole Name SEQUENCE
  std::span<const uint8_t> subject;       // the whole Name SEQUENCE
};

// False when the bytes are not Certificate { TBSCertificate { [0] version?, serial, algorithm,
// issuer, validity, subject, ... }, ... } as far as the subject.
bool ReadCertificateFields(std::span<const uint8_t> der, CertificateFields& fields);

}  // namespace kq
