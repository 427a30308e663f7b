#include "store/containers.h"

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/default_templates.h"
#include "store/device_files.h"
#include "store/object_file.h"

namespace kq::store {

namespace {

// Walks the container slots of the object index in order and hands each readable container
// object to `visit`, which returns true to stop. Device and parser failures end the walk with
// `readFailure` (or the raw status when it is 0) and the parser's result.
template <typename Visit>
uint32_t WalkContainerObjects(const DeviceSession& session, uint32_t readFailure, Visit visit) {
  std::vector<uint8_t> index;
  if (const uint32_t status = ReadIndex(session, IndexKind::kObjects, index); status != 0) {
    return readFailure != 0 ? readFailure : status;
  }
  for (const IndexSlot& slot : ParseIndexSlots(index)) {
    if (slot.objectClass != kClassContainer || !slot.namesObject()) {
      continue;
    }
    std::vector<uint8_t> bytes;
    if (const uint32_t status = ReadFilePrefix(session, slot.fileId, slot.length, bytes);
        status != 0) {
      return readFailure != 0 ? readFailure : status;
    }
    AttributeTemplate object;
    if (const uint32_t parsed = object.Parse(bytes); parsed != 0) {
      return parsed;
    }
    uint32_t result = 0;
    if (visit(slot, object, result)) {
      return result;
    }
  }
  return kContainerNotFound;
}

}  // namespace

uint32_t ListContainers(const DeviceSession& session, std::vector<ContainerInfo>& containers) {
  containers.clear();
  const uint32_t status = WalkContainerObjects(
      session, 0, [&](const IndexSlot& slot, const AttributeTemplate& object, uint32_t& result) {
        ContainerInfo info;
        switch (ReadContainerObject(object, info)) {
          case ContainerShape::kContainer:
            info.fileId = slot.fileId;
            containers.push_back(std::move(info));
            return false;
          case ContainerShape::kOtherClass:
            return false;
          default:
            result = kListingFailed;
            return true;
        }
      });
  if (status == kContainerNotFound) {
    return kOk;  // the walk ran to its end
  }
  containers.clear();
  return status;
}

uint32_t ListContainerNames(const DeviceSession& session, std::vector<std::string>& names) {
  names.clear();
  std::vector<ContainerInfo> containers;
  if (const uint32_t status = ListContainers(session, containers); status != 0) {
    return status;
  }
  for (ContainerInfo& info : containers) {
    names.push_back(std::move(info.name));
  }
  return kOk;
}

const ContainerInfo* FindListedContainer(const std::vector<ContainerInfo>& containers,
                                         std::string_view name) {
  for (const ContainerInfo& info : containers) {
    if (info.name == name) {
      return &info;
    }
  }
  return nullptr;
}

uint32_t FindContainer(const DeviceSession& session, std::string_view name, ContainerInfo& info) {
  info = ContainerInfo{};
  return WalkContainerObjects(
      session, kDeviceFailed,
      [&](const IndexSlot& slot, const AttributeTemplate& object, uint32_t& result) {
        ContainerInfo candidate;
        switch (ReadContainerObject(object, candidate)) {
          case ContainerShape::kContainer:
            if (candidate.name != name) {
              return false;
            }
            candidate.fileId = slot.fileId;
            info = std::move(candidate);
            result = kOk;
            return true;
          case ContainerShape::kOtherClass:
            result = kWrongClass;
            return true;
          default:
            result = kAttributeMissing;
            return true;
        }
      });
}

uint32_t CreateContainer(const DeviceSession& session, std::string_view name) {
  if (name.empty()) {
    return kBadArgument;
  }
  std::vector<ContainerInfo> containers;
  if (const uint32_t status = ListContainers(session, containers); status != 0) {
    return status;
  }
  if (FindListedContainer(containers, name) != nullptr) {
    return kContainerExists;
  }
  AttributeTemplate object;
  if (object.Load(ContainerDefaults()) != 0) {
    return kTemplateDefaultsFailed;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
  if (!object.Set(attr::kContainerName, {bytes, name.size()})) {
    return kTemplateSetFailed;
  }
  uint16_t fileId = 0;
  return WriteNewObject(session, IndexKind::kObjects, kClassContainer, object, fileId);
}

uint32_t SetContainerRefs(const DeviceSession& session, uint16_t containerFileId,
                          const ContainerRefs& refs, uint32_t mask) {
  if (!IsObjectFileId(containerFileId)) {
    return kBadFileId;
  }
  uint32_t length = 0;
  if (FileLength(session, containerFileId, length) != 0 || length == 0) {
    return kSizeMismatch;
  }
  std::vector<uint8_t> bytes;
  if (ReadFilePrefix(session, containerFileId, length, bytes) != 0) {
    return kObjectUnreadable;
  }
  AttributeTemplate object;
  if (object.Parse(bytes) != 0) {
    return kObjectUnparsable;
  }
  const std::optional<uint32_t> objectClass = object.Number(attr::kClass);
  if (!objectClass) {
    return kAttributeMissing;
  }
  if (*objectClass != kClassContainer) {
    return kWrongClass;
  }
  const std::vector<uint8_t>* value = object.Bytes(attr::kValue);
  if (value == nullptr) {
    return kReferencesMissing;
  }
  if (value->size() != kReferenceListSize) {
    return kWrongAttributeLength;
  }
  std::array<uint8_t, kReferenceListSize> list{};
  std::copy(value->begin(), value->end(), list.begin());
  ContainerRefs current = DecodeReferenceList(list);
  for (size_t i = 0; i < kContainerRefCount; ++i) {
    if ((mask & (1u << i)) != 0) {
      current[i] = refs[i];
    }
  }
  list = EncodeReferenceList(current);
  if (!object.Set(attr::kValue, list)) {
    return kSerialiseFailed;
  }
  std::vector<uint8_t> encoded;
  if (!object.Serialise(encoded)) {
    return kSerialiseFailed;
  }
  if (encoded.size() != length) {
    return kSizeMismatch;
  }
  uint32_t written = 0;
  if (WriteFileAt(session, containerFileId, 0, encoded, written) != 0 || written != length) {
    return kWriteFailed;
  }
  return kOk;
}

uint32_t ClearContainerRef(const DeviceSession& session, uint16_t containerFileId,
                           ContainerRef ref) {
  ContainerRefs refs{};
  refs.fill(kNoReference);
  return SetContainerRefs(session, containerFileId, refs, RefMask(ref));
}

}  // namespace kq::store
