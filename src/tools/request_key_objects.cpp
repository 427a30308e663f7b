#include "tools/request_key_objects.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/codes_store.h"
#include "common/codes_tools.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "store/container_record.h"
#include "store/containers.h"
#include "store/device_files.h"
#include "store/device_keys.h"
#include "store/index_slot.h"
#include "store/key_objects.h"
#include "store/object_file.h"
#include "tools/tool_login.h"

namespace kq::tools {

namespace {

namespace code = tool::pkcs10;

uint32_t BuildObjects(const NewKeyPair& pair, store::AttributeTemplate& publicKey,
                      store::AttributeTemplate& privateKey) {
  const auto subject = std::span<const uint8_t>(
      reinterpret_cast<const uint8_t*>(pair.record->dnText.data()), pair.record->dnText.size());
  if (pair.record->keyType == RequestKeyType::kSm2) {
    std::vector<uint8_t> point(pair.publicKey.first.begin(), pair.publicKey.first.end());
    point.insert(point.end(), pair.publicKey.second.begin(), pair.publicKey.second.end());
    return store::BuildSm2KeyObjects({pair.containerName, pair.keyNumber, point, subject},
                                     publicKey, privateKey);
  }
  return store::BuildRsaKeyObjects(
      {pair.containerName, pair.keyNumber, pair.publicKey.first, pair.publicKey.second, subject},
      publicKey, privateKey);
}

// Creates a file of the object's size (the key picks its id) and writes the object into it. A
// file whose contents could not be written is deleted again: no index would ever name it.
uint32_t WriteObjectContents(const DeviceSession& session, std::span<const uint8_t> object,
                             uint32_t accessFlag, uint32_t createFailed, uint32_t writeFailed,
                             uint16_t& fileId) {
  uint32_t id = 0;
  if (store::CreateDeviceFile(session, id, static_cast<uint32_t>(object.size()), accessFlag) != 0 ||
      !store::IsObjectFileId(id)) {
    return createFailed;
  }
  uint32_t written = 0;
  if (store::WriteFileAt(session, id, 0, object, written) != 0 || written != object.size()) {
    store::DeleteDeviceFile(session, id);
    return writeFailed;
  }
  fileId = static_cast<uint16_t>(id);
  return 0;
}

// The first free slot of an index: readFailed when the index cannot be read, full when it has
// no free slot.
uint32_t FindFreeSlot(const DeviceSession& session, store::IndexKind kind, uint32_t readFailed,
                      uint32_t full, size_t& slot) {
  std::vector<uint8_t> index;
  if (store::ReadIndex(session, kind, index) != 0) {
    return readFailed;
  }
  const std::optional<size_t> found = store::FirstFreeSlot(index);
  if (!found) {
    return full;
  }
  slot = *found;
  return 0;
}

// Deletes an object file that could not be entered in its index, so that nothing is left on the
// key that no index names and no export could remove; returns the failure's status.
uint32_t AbandonObjectFile(const DeviceSession& session, uint16_t fileId, uint32_t status) {
  store::DeleteDeviceFile(session, fileId);
  return status;
}

// The serialised sizes of the pair's two objects; false when they cannot be built.
bool SerialisedSizes(const NewKeyPair& pair, size_t& publicSize, size_t& privateSize) {
  store::AttributeTemplate publicKey;
  store::AttributeTemplate privateKey;
  std::vector<uint8_t> publicBytes;
  std::vector<uint8_t> privateBytes;
  if (BuildObjects(pair, publicKey, privateKey) != 0 || !publicKey.Serialise(publicBytes) ||
      !privateKey.Serialise(privateBytes)) {
    return false;
  }
  publicSize = publicBytes.size();
  privateSize = privateBytes.size();
  return true;
}

}  // namespace

uint32_t CheckKeyObjectsFit(const DeviceSession& session,
                            const std::vector<CertificateRequestRecord>& records,
                            uint32_t& largest) {
  if (store::LargestFileSize(session, largest) != 0) {
    return code::kMaxFileSizeFailed;
  }
  // Stand-ins of the lengths the key's values will have: a GUID-form container name, the
  // modulus (or point) of the key size, and a 4-byte exponent, longer than the usual 65537's 3.
  const std::string name(36, 'c');
  const std::array<uint8_t, 256> modulus{};
  const std::array<uint8_t, 4> exponent{1, 0, 0, 1};
  for (const CertificateRequestRecord& record : records) {
    const size_t first = record.keyType == RequestKeyType::kSm2       ? 32
                         : record.keyType == RequestKeyType::kRsa2048 ? 256
                                                                      : 128;
    const NewPublicKey key = record.keyType == RequestKeyType::kSm2
                                 ? NewPublicKey{{modulus.data(), 32}, {modulus.data(), 32}}
                                 : NewPublicKey{{modulus.data(), first}, exponent};
    size_t publicSize = 0;
    size_t privateSize = 0;
    if (!SerialisedSizes({&record, name, store::kFirstKeyNumber, key}, publicSize, privateSize) ||
        std::max(publicSize, privateSize) > largest) {
      return code::kMalformedRequest;
    }
  }
  return 0;
}

uint32_t StoreNewKeyObjects(DeviceSession& session, const NewKeyPair& pair) {
  store::AttributeTemplate publicKey;
  store::AttributeTemplate privateKey;
  if (const uint32_t status = BuildObjects(pair, publicKey, privateKey); status != 0) {
    return status;
  }
  std::vector<uint8_t> publicBytes;
  if (!publicKey.Serialise(publicBytes)) {
    return code::kSerialisePublicFailed;
  }
  std::vector<uint8_t> privateBytes;
  if (!privateKey.Serialise(privateBytes)) {
    return code::kSerialisePrivateFailed;
  }
  const uint32_t largest = pair.largestFile;
  if (publicBytes.size() > largest) {
    return store::kObjectTooLarge;
  }
  if (!LoggedInOnThisHandle(session) &&
      LoginForTool(session, session.readerName(), LoginMode::kIfNotLoggedIn) != 0) {
    return code::kMalformedRequest;
  }

  uint16_t publicId = 0;
  if (const uint32_t status =
          WriteObjectContents(session, publicBytes, 0, code::kCreatePublicFileFailed,
                              code::kWritePublicFileFailed, publicId);
      status != 0) {
    return status;
  }
  size_t publicSlot = 0;
  if (const uint32_t status =
          FindFreeSlot(session, store::IndexKind::kObjects, code::kReadObjectIndexFailed,
                       code::kObjectIndexFull, publicSlot);
      status != 0) {
    return AbandonObjectFile(session, publicId, status);
  }
  size_t privateSlot = 0;
  if (const uint32_t status =
          FindFreeSlot(session, store::IndexKind::kPrivateObjects, code::kReadPrivateIndexFailed,
                       code::kPrivateIndexFull, privateSlot);
      status != 0) {
    return AbandonObjectFile(session, publicId, status);
  }
  if (store::WriteIndexSlot(
          session, store::IndexKind::kObjects, publicSlot,
          {store::kClassPublicKey, static_cast<uint32_t>(publicBytes.size()), publicId}) != 0) {
    return AbandonObjectFile(session, publicId, code::kWriteObjectSlotFailed);
  }

  if (privateBytes.size() > largest) {
    return store::kObjectTooLarge;
  }
  uint16_t privateId = 0;
  if (const uint32_t status =
          WriteObjectContents(session, privateBytes, 1, code::kCreatePrivateFileFailed,
                              code::kWritePrivateFileFailed, privateId);
      status != 0) {
    return status;
  }
  if (store::WriteIndexSlot(
          session, store::IndexKind::kPrivateObjects, privateSlot,
          {store::kClassPrivateKey, static_cast<uint32_t>(privateBytes.size()), privateId}) != 0) {
    return AbandonObjectFile(session, privateId, code::kWritePrivateSlotFailed);
  }

  store::ContainerInfo container;
  if (store::FindContainer(session, pair.containerName, container) != 0) {
    return code::kFindContainerFailed;
  }
  store::ContainerRefs refs = container.refs;
  refs[store::kSignaturePublicKey] = publicId;
  refs[store::kSignaturePrivateKey] = privateId;
  const uint32_t mask =
      store::RefMask(store::kSignaturePublicKey) | store::RefMask(store::kSignaturePrivateKey);
  if (store::SetContainerRefs(session, container.fileId, refs, mask) != 0) {
    return code::kSetContainerRefsFailed;
  }
  return 0;
}

}  // namespace kq::tools
