#pragma once
// What the system reads out of certificates itself: base64 text to DER, the raw public key (to
// match a certificate with a key on the device) and the subject text. Decoding and name
// rendering are the platform's (platform/certificate.h).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "pki/der_encode.h"
#include "platform/certificate.h"

namespace kq {

// A certificate taken from base64 text: its DER bytes and its public key bytes (the RSA
// modulus without its sign byte, or the 65-byte uncompressed SM2 point 04 || X || Y).
struct DecodedCertificate {
  ByteVector der;
  ByteVector publicKey;
  void clear() {
    der.clear();
    publicKey.clear();
  }
};

enum DecodeCertificateResult : int {
  kCertificateDecoded = 0,
  kCertificateNoText = -1,          // null text or length 0
  kCertificateBadBase64 = -2,       // the text does not pass base64's size pass
  kCertificateNotACertificate = 1,  // it does not decode, or the bytes are not a certificate
  kCertificateKeyUnusable = 3,      // the public key is neither RSA nor a 65-byte point
};

// Returns a DecodeCertificateResult; the record is cleared on every failure.
int DecodeBase64Certificate(const char* text, size_t length, DecodedCertificate& record);

// The public key bytes of a DER certificate, as above; false when the bytes are not a
// certificate or the key is neither an RSA key nor 65 bytes long.
bool CertPublicKeyBytes(const uint8_t* der, size_t length, ByteVector& out);

enum SubjectTextResult : int {
  kSubjectTextRendered = 0,
  kSubjectTextSizeFailed = 2,
  kSubjectTextRenderFailed = 3,
};

// The subject as CertNameToStrA renders it with CERT_X500_NAME_STR (code page 936), without its
// terminating NUL. Returns a SubjectTextResult.
int CertSubjectText(std::string& text, const platform::Certificate& certificate);

}  // namespace kq
