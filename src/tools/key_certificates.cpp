#include "tools/key_certificates.h"

#include "pki/certificate_reader.h"
#include "platform/certificate.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "store/certificate_reading.h"
#include "store/device_files.h"
#include "store/object_file.h"

namespace kq::tools {

std::optional<std::string> SubjectOf(std::span<const uint8_t> der) {
  const platform::Certificate certificate = platform::Certificate::Decode(der);
  if (!certificate.loaded()) {
    return std::nullopt;
  }
  std::string subject;
  if (CertSubjectText(subject, certificate) != 0) {
    return std::nullopt;
  }
  return subject;
}

std::optional<KeyCertificate> ReadKeyCertificate(const DeviceSession& session, uint16_t fileId) {
  KeyCertificate certificate;
  if (!store::IsReferenceSet(fileId) ||
      store::ReadCertificate(session, fileId, certificate.der) != 0) {
    return std::nullopt;
  }
  auto subject = SubjectOf(certificate.der);
  if (!subject) {
    return std::nullopt;
  }
  certificate.subject = std::move(*subject);
  return certificate;
}

std::optional<std::vector<store::IndexSlot>> ReadObjectIndexSlots(const DeviceSession& session) {
  std::vector<uint8_t> bytes;
  if (store::ReadWholeFile(session, store::kObjectIndex.fileId, bytes) != 0 || bytes.empty()) {
    return std::nullopt;
  }
  return store::ParseIndexSlots(bytes);
}

std::optional<store::ContainerInfo> ReadContainerAt(const DeviceSession& session,
                                                    const store::IndexSlot& slot) {
  if (slot.objectClass != store::kClassContainer || !slot.namesObject()) {
    return std::nullopt;
  }
  store::AttributeTemplate object;
  store::ContainerInfo info;
  if (store::ReadObject(session, slot.fileId, slot.length, object) != 0 ||
      store::ReadContainerObject(object, info) != store::ContainerShape::kContainer) {
    return std::nullopt;
  }
  info.fileId = slot.fileId;
  return info;
}

std::vector<store::ContainerInfo> ReadableContainers(const DeviceSession& session,
                                                     const std::vector<store::IndexSlot>& slots) {
  std::vector<store::ContainerInfo> containers;
  for (const store::IndexSlot& slot : slots) {
    if (std::optional<store::ContainerInfo> info = ReadContainerAt(session, slot)) {
      containers.push_back(std::move(*info));
    }
  }
  return containers;
}

}  // namespace kq::tools
