#include "store/container_record.h"

#include <algorithm>

#include "common/byte_reader.h"
#include "store/attribute_types.h"

namespace kq::store {

ContainerShape ReadContainerObject(const AttributeTemplate& object, ContainerInfo& info) {
  const std::optional<uint32_t> objectClass = object.Number(attr::kClass);
  if (!objectClass) {
    return ContainerShape::kNoClass;
  }
  if (*objectClass != kClassContainer) {
    return ContainerShape::kOtherClass;
  }
  const std::vector<uint8_t>* name = object.Bytes(attr::kContainerName);
  if (name == nullptr) {
    return ContainerShape::kNoName;
  }
  const std::vector<uint8_t>* value = object.Bytes(attr::kValue);
  if (value == nullptr || value->size() != kReferenceListSize) {
    return ContainerShape::kBadReferences;
  }
  std::array<uint8_t, kReferenceListSize> list{};
  std::copy(value->begin(), value->end(), list.begin());
  info.name.assign(name->begin(), name->end());
  info.refs = DecodeReferenceList(list);
  return ContainerShape::kContainer;
}

ContainerRefs DecodeReferenceList(const std::array<uint8_t, kReferenceListSize>& bytes) {
  ContainerRefs refs{};
  ByteReader reader(bytes);
  for (uint16_t& ref : refs) {
    if (!reader.be16(ref)) {
      ref = kNoReference;
    }
  }
  return refs;
}

std::array<uint8_t, kReferenceListSize> EncodeReferenceList(const ContainerRefs& refs) {
  std::array<uint8_t, kReferenceListSize> bytes{};
  for (size_t i = 0; i < refs.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(refs[i] >> 8);
    bytes[2 * i + 1] = static_cast<uint8_t>(refs[i]);
  }
  return bytes;
}

}  // namespace kq::store
