#include "pki/request_reader.h"

#include "pki/der_reader.h"

namespace kq {

namespace {

constexpr uint8_t kDerBitString = 0x03;
constexpr uint8_t kDerSequence = 0x30;

// A BIT STRING's bytes; only whole bytes (no unused bits) are taken.
bool ReadBitString(ByteReader& reader, std::span<const uint8_t>& bytes) {
  std::span<const uint8_t> content;
  if (!ReadDerElement(reader, kDerBitString, content) || content.empty() || content[0] != 0) {
    return false;
  }
  bytes = content.subspan(1);
  return true;
}

}  // namespace

bool ReadCertificationRequest(std::span<const uint8_t> der, RequestParts& parts) {
  RequestParts found;
  ByteReader outer(der);
  std::span<const uint8_t> request;
  if (!ReadDerElement(outer, kDerSequence, request) || !outer.empty()) {
    return false;
  }
  ByteReader body(request);
  std::span<const uint8_t> info;
  std::span<const uint8_t> algorithm;
  if (!ReadDerElement(body, kDerSequence, info, &found.info) ||
      !ReadDerElement(body, kDerSequence, algorithm) || !ReadBitString(body, found.signature) ||
      !body.empty()) {
    return false;
  }
  ByteReader fields(info);
  std::span<const uint8_t> version;
  std::span<const uint8_t> name;
  std::span<const uint8_t> keyInfo;
  if (!ReadDerInteger(fields, version) ||
      !ReadDerElement(fields, kDerSequence, name, &found.subject) ||
      !ReadDerElement(fields, kDerSequence, keyInfo, &found.publicKeyInfo)) {
    return false;
  }
  ByteReader key(keyInfo);
  std::span<const uint8_t> keyAlgorithm;
  if (!ReadDerElement(key, kDerSequence, keyAlgorithm) || !ReadBitString(key, found.publicKey) ||
      !key.empty()) {
    return false;
  }
  parts = found;
  return true;
}

}  // namespace kq
