#include "store/key_pair_generation.h"

#include <algorithm>
#include <vector>

#include "common/codes_device.h"
#include "common/codes_store.h"
#include "store/container_name.h"
#include "store/container_record.h"
#include "store/containers.h"
#include "store/deletion_confirmation.h"
#include "store/device_keys.h"
#include "store/key_objects.h"
#include "store/key_pair_deletion.h"
#include "store/object_file.h"
#include "ui/confirmation_wait.h"
#include "ui/notifications.h"

namespace kq::store {

namespace {

constexpr const char* kGenerationTag = "7305";
constexpr uint32_t kNteFail = 0x80090020;
constexpr uint32_t kSm2Bits = 256;

uint32_t FreeKeyNumber(const std::vector<KeyListEntry>& keys, uint8_t& keyNumber) {
  for (uint8_t candidate = kFirstKeyNumber; candidate <= kLastKeyNumber; ++candidate) {
    if (std::none_of(keys.begin(), keys.end(),
                     [candidate](const KeyListEntry& key) { return key.keyNumber == candidate; })) {
      keyNumber = candidate;
      return 0;
    }
  }
  return kNoFreeSlot;
}

uint32_t Generate(const DeviceSession& session, uint8_t keyNumber, uint32_t bits, uint32_t option) {
  ui::NotifyKeyPairGeneration(ui::StepPhase::kBefore);
  const uint32_t status = session.GenerateRSAKey(keyNumber, kGenerationTag, bits, option);
  uint32_t result = status == 0 ? 0 : kNteFail;
  if (dev::IsButtonWait(status)) {
    result = ConfirmOnKey(session, ui::kWaitKeyGeneration);
  }
  ui::NotifyKeyPairGeneration(result == 0 ? ui::StepPhase::kSucceeded : ui::StepPhase::kFailed);
  return result;
}

uint32_t WriteObjects(const DeviceSession& session, const GeneratedKeyPair& pair, uint32_t bits,
                      uint16_t& publicFile, uint16_t& privateFile) {
  const DevicePublicKey& key = pair.publicKey;
  if (bits != kSm2Bits) {
    return WriteKeyObjects(session, {pair.containerName, pair.keyNumber, key.first, key.second, {}},
                           publicFile, privateFile);
  }
  std::vector<uint8_t> point(key.first.begin(), key.first.end());
  point.insert(point.end(), key.second.begin(), key.second.end());
  return WriteSm2KeyObjects(session, {pair.containerName, pair.keyNumber, point, {}}, publicFile,
                            privateFile);
}

}  // namespace

uint32_t GenerateKeyPairInNewContainer(const DeviceSession& session, uint32_t bits, uint32_t option,
                                       GeneratedKeyPair& out) {
  if (bits != 1024 && bits != 2048 && bits != kSm2Bits) {
    return kBadArgument;
  }
  std::vector<std::string> names;
  std::vector<KeyListEntry> keys;
  if (ListContainerNames(session, names) != 0 || ListDeviceKeys(session, keys) != 0) {
    return kListingFailed;
  }
  GeneratedKeyPair pair;
  if (NewContainerName(names, pair.containerName) != 0) {
    return kListingFailed;
  }
  if (const uint32_t status = FreeKeyNumber(keys, pair.keyNumber); status != 0) {
    return status;
  }
  if (const uint32_t status = CreateContainer(session, pair.containerName); status != 0) {
    return status;
  }
  ContainerInfo container;
  uint32_t status = FindContainer(session, pair.containerName, container);
  bool generated = false;
  if (status == 0) {
    status = Generate(session, pair.keyNumber, bits, option);
    generated = status == 0;
  }
  if (status == 0 && ReadDevicePublicKey(session, pair.keyNumber, pair.publicKey) != 0) {
    status = kDeviceFailed;
  }
  if (status == 0) {
    status = WriteObjects(session, pair, bits, pair.publicFile, pair.privateFile);
  }
  if (status == 0) {
    ContainerRefs refs = container.refs;
    refs[kSignaturePublicKey] = pair.publicFile;
    refs[kSignaturePrivateKey] = pair.privateFile;
    status = SetContainerRefs(session, container.fileId, refs,
                              RefMask(kSignaturePublicKey) | RefMask(kSignaturePrivateKey));
    if (status != 0) {
      DeleteObject(session, pair.publicFile, IndexKind::kObjects);
      DeleteObject(session, pair.privateFile, IndexKind::kPrivateObjects);
    }
  }
  if (status != 0) {
    // Nothing half made stays: the device key and the empty container go again.
    if (generated) {
      DeleteDeviceKeyPair(session, pair.keyNumber);
    }
    DeleteObject(session, container.fileId, IndexKind::kObjects);
    return status;
  }
  out = std::move(pair);
  return 0;
}

}  // namespace kq::store
