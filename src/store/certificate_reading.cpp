#include "store/certificate_reading.h"

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/containers.h"
#include "store/device_files.h"
#include "store/index_slot.h"
#include "store/object_file.h"

namespace kq::store {

uint32_t CertificateValueOf(const AttributeTemplate& object, std::vector<uint8_t>& der) {
  der.clear();
  if (object.Number(attr::kClass) != kClassCertificate) {
    return kWrongClass;
  }
  const std::vector<uint8_t>* value = object.Bytes(attr::kValue);
  if (value == nullptr) {
    return kAttributeMissing;
  }
  if (value->empty()) {
    return kWrongAttributeLength;
  }
  der = *value;
  return kOk;
}

uint32_t ReadCertificate(const DeviceSession& session, uint32_t fileId, std::vector<uint8_t>& der) {
  der.clear();
  if (!IsObjectFileId(fileId)) {
    return kBadFileId;
  }
  uint32_t length = 0;
  if (FileLength(session, fileId, length) != 0) {
    return kDeviceFailed;
  }
  AttributeTemplate object;
  if (length == 0 || ReadObject(session, fileId, length, object) != 0) {
    return kObjectUnparsable;
  }
  return CertificateValueOf(object, der);
}

uint32_t ReadContainerCertificate(const DeviceSession& session, std::string_view containerName,
                                  uint32_t keySpec, std::vector<uint8_t>& der) {
  der.clear();
  if (containerName.empty()) {
    return kBadArgument;
  }
  std::vector<ContainerInfo> containers;
  if (ListContainers(session, containers) != 0) {
    return kContainerNotFound;
  }
  const ContainerInfo* found = FindListedContainer(containers, containerName);
  if (found == nullptr) {
    return kContainerNotFound;
  }
  const uint16_t fileId = found->refs[PairOfKeySpec(keySpec).certificate];

  std::vector<uint8_t> index;
  if (const uint32_t status = ReadIndex(session, IndexKind::kObjects, index); status != 0) {
    return status == kShortRead ? kShortRead : kDeviceFailed;
  }
  if (!IsObjectFileId(fileId)) {
    return kBadFileId;
  }
  const std::optional<size_t> slot = FindSlotByFileId(index, fileId);
  if (!slot) {
    return kNotInIndex;
  }
  const uint32_t recorded = ParseIndexSlots(index)[*slot].length;
  uint32_t length = 0;
  if (FileLength(session, fileId, length) != 0 || length != recorded) {
    return kSizeMismatch;
  }
  AttributeTemplate object;
  if (ReadObject(session, fileId, length, object) != 0) {
    return kObjectUnparsable;
  }
  return CertificateValueOf(object, der);
}

}  // namespace kq::store
