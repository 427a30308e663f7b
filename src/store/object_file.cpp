#include "store/object_file.h"

#include "common/codes_device.h"
#include "common/codes_store.h"
#include "store/device_files.h"

namespace kq::store {

namespace {

// Private key objects are created with the key's access flag for private files.
uint32_t AccessFlagOf(IndexKind kind) {
  return kind == IndexKind::kPrivateObjects ? 1 : 0;
}

}  // namespace

uint32_t ReadIndex(const DeviceSession& session, IndexKind kind, std::vector<uint8_t>& bytes) {
  const IndexFile& index = IndexFileOf(kind);
  return ReadFilePrefix(session, index.fileId, static_cast<uint32_t>(index.size()), bytes);
}

uint32_t ReadObject(const DeviceSession& session, uint32_t fileId, uint32_t length,
                    AttributeTemplate& object) {
  object.Clear();
  if (!IsObjectFileId(fileId) || length == 0xFFFFFFFF) {
    return kBadArgument;
  }
  std::vector<uint8_t> bytes;
  const uint32_t status = ReadFilePrefix(session, fileId, length, bytes);
  if (status == kShortRead) {
    return kShortRead;
  }
  if (status != 0) {
    return kObjectUnreadable;
  }
  return object.Parse(bytes) == 0 ? kOk : kObjectUnparsable;
}

uint32_t WriteIndexSlot(const DeviceSession& session, IndexKind kind, size_t slotNumber,
                        const IndexSlot& slot) {
  const IndexFile& index = IndexFileOf(kind);
  if (slotNumber >= index.slotCount) {
    return kSlotOutOfRange;
  }
  const auto bytes = EncodeIndexSlot(slot);
  uint32_t written = 0;
  if (WriteFileAt(session, index.fileId, static_cast<uint32_t>(slotNumber * kIndexSlotSize), bytes,
                  written) != 0) {
    return kWriteFailed;
  }
  return written < bytes.size() ? kShortSlotWrite : kOk;
}

uint32_t CheckObjectSize(const DeviceSession& session, size_t objectSize) {
  uint32_t largest = 0;
  if (LargestFileSize(session, largest) != 0) {
    return kDeviceFailed;
  }
  return objectSize > largest ? kObjectTooLarge : kOk;
}

uint32_t CreateObjectFile(const DeviceSession& session, IndexKind kind,
                          std::span<const uint8_t> object, uint16_t& fileId) {
  fileId = 0;
  const auto length = static_cast<uint32_t>(object.size());
  uint32_t created = 0;
  if (CreateDeviceFile(session, created, length, AccessFlagOf(kind)) != 0 ||
      !IsObjectFileId(created)) {
    return kCreateFailed;
  }
  uint32_t written = 0;
  if (WriteFileAt(session, created, 0, object, written) != 0 || written != length) {
    DeleteDeviceFile(session, created);
    return kWriteFailed;
  }
  fileId = static_cast<uint16_t>(created);
  return kOk;
}

uint32_t WriteObjectFile(const DeviceSession& session, IndexKind kind, size_t slotNumber,
                         uint32_t objectClass, std::span<const uint8_t> object, uint16_t& fileId) {
  fileId = 0;
  if (const uint32_t status = CheckObjectSize(session, object.size()); status != 0) {
    return status;
  }
  uint16_t id = 0;
  if (const uint32_t status = CreateObjectFile(session, kind, object, id); status != 0) {
    return status;
  }
  const auto length = static_cast<uint32_t>(object.size());
  if (const uint32_t status = WriteIndexSlot(session, kind, slotNumber, {objectClass, length, id});
      status != 0) {
    DeleteObject(session, id, kind);
    return status;
  }
  fileId = id;
  return kOk;
}

uint32_t WriteNewObject(const DeviceSession& session, IndexKind kind, uint32_t objectClass,
                        const AttributeTemplate& object, uint16_t& fileId) {
  fileId = 0;
  std::vector<uint8_t> encoded;
  if (!object.Serialise(encoded)) {
    return kSerialiseFailed;
  }
  std::vector<uint8_t> index;
  if (const uint32_t status = ReadIndex(session, kind, index); status != 0) {
    return status;
  }
  const std::optional<size_t> slot = FirstFreeSlot(index);
  if (!slot) {
    return kNoFreeSlot;
  }
  return WriteObjectFile(session, kind, *slot, objectClass, encoded, fileId);
}

uint32_t DeleteObject(const DeviceSession& session, uint32_t fileId, IndexKind kind) {
  if (!IsObjectFileId(fileId)) {
    return kBadFileId;
  }
  // The slot goes first: a file left over is named by nothing and harmless, while a slot left
  // naming a deleted file would name whatever new file the key gives that id next.
  std::vector<uint8_t> index;
  if (ReadIndex(session, kind, index) != 0) {
    return kIndexUnreadable;
  }
  if (const std::optional<size_t> slot = FindSlotByFileId(index, static_cast<uint16_t>(fileId))) {
    if (const uint32_t status = WriteIndexSlot(session, kind, *slot, kReleasedSlot); status != 0) {
      return status;
    }
  }
  const uint32_t status = DeleteDeviceFile(session, fileId);
  if (status != 0 && dev::StatusWord(status) != dev::kSwFileNotFound) {
    return kDeleteFailed;
  }
  return kOk;
}

}  // namespace kq::store
