#include "pki/certificate_fields.h"

#include "common/byte_reader.h"
#include "pki/der_reader.h"

namespace kq {

namespace {

constexpr uint8_t kExplicitVersionTag = 0xA0;

}  // namespace

bool ReadCertificateFields(std::span<const uint8_t> der, CertificateFields& fields) {
  ByteReader outer(der);
  std::span<const uint8_t> certificate;
  if (!ReadDerSequence(outer, certificate)) {
    return false;
  }
  ByteReader certificateReader(certificate);
  std::span<const uint8_t> tbs;
  if (!ReadDerSequence(certificateReader, tbs)) {
    return false;
  }
  ByteReader reader(tbs);
  std::span<const uint8_t> content;
  uint8_t tag = 0;
  if (reader.peek(tag) && tag == kExplicitVersionTag &&
      !ReadDerElement(reader, kExplicitVersionTag, content)) {
    return false;
  }
  std::span<const uint8_t> algorithm;
  std::span<const uint8_t> validity;
  return ReadDerElement(reader, 0x02, content, &fields.serialNumber) &&
         ReadDerSequence(reader, algorithm) &&
         ReadDerElement(reader, 0x30, content, &fields.issuer) &&
         ReadDerSequence(reader, validity) &&
         ReadDerElement(reader, 0x30, content, &fields.subject);
}

}  // namespace kq
