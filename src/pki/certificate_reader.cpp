#include "pki/certificate_reader.h"

#include "common/byte_reader.h"
#include "pki/base64.h"
#include "pki/der_reader.h"

namespace kq {
namespace {

constexpr size_t kUncompressedPointSize = 65;

// RSAPublicKey: the modulus is the first INTEGER of the SEQUENCE; one leading 0x00 sign byte
// is dropped.
bool RsaModulus(std::span<const uint8_t> key, ByteVector& out) {
  ByteReader outer(key);
  std::span<const uint8_t> sequence;
  std::span<const uint8_t> modulus;
  if (!ReadDerSequence(outer, sequence)) {
    return false;
  }
  ByteReader reader(sequence);
  if (!ReadDerInteger(reader, modulus)) {
    return false;
  }
  if (!modulus.empty() && modulus[0] == 0x00) {
    modulus = modulus.subspan(1);
  }
  if (modulus.empty()) {
    return false;
  }
  out.assign(modulus.begin(), modulus.end());
  return true;
}

}  // namespace

bool CertPublicKeyBytes(const uint8_t* der, size_t length, ByteVector& out) {
  out.clear();
  if (der == nullptr || length == 0) {
    return false;
  }
  const platform::Certificate certificate = platform::Certificate::Decode({der, length});
  if (!certificate.loaded()) {
    return false;
  }
  const std::span<const uint8_t> key = certificate.PublicKeyBits();
  if (!key.empty() && key[0] == 0x30) {
    return RsaModulus(key, out);
  }
  if (key.size() == kUncompressedPointSize) {
    out.assign(key.begin(), key.end());
    return true;
  }
  return false;
}

int DecodeBase64Certificate(const char* text, size_t length, DecodedCertificate& record) {
  record.clear();
  if (text == nullptr || length == 0) {
    return kCertificateNoText;
  }
  size_t decodedLength = 0;
  if (Base64Decode(text, length, nullptr, &decodedLength) != kBase64Ok) {
    return kCertificateBadBase64;
  }
  record.der.resize(decodedLength);
  if (Base64Decode(text, length, record.der.data(), &decodedLength) != kBase64Ok) {
    record.clear();
    return kCertificateNotACertificate;
  }
  record.der.resize(decodedLength);
  if (!platform::Certificate::Decode(record.der).loaded()) {
    record.clear();
    return kCertificateNotACertificate;
  }
  if (!CertPublicKeyBytes(record.der.data(), record.der.size(), record.publicKey)) {
    record.clear();
    return kCertificateKeyUnusable;
  }
  return kCertificateDecoded;
}

int CertSubjectText(std::string& text, const platform::Certificate& certificate) {
  text.clear();
  const uint32_t size = certificate.SubjectText(nullptr, 0);
  if (size == 0) {
    return kSubjectTextSizeFailed;
  }
  std::string buffer(size, '\0');
  const uint32_t written = certificate.SubjectText(buffer.data(), size);
  if (written == 0) {
    return kSubjectTextRenderFailed;
  }
  // Everything up to the terminator; the terminator itself stays out of the string.
  buffer.resize(written - 1);
  text = std::move(buffer);
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    text.resize(nul);
  }
  return kSubjectTextRendered;
}

}  // namespace kq
