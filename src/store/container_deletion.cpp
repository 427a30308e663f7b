#include "store/container_deletion.h"

#include <vector>

#include "common/codes_store.h"
#include "store/certificate_directory.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "store/object_file.h"
#include "store/public_key_object.h"

namespace kq::store {

namespace {

// Deletes one key pair of the container: the device key (when its public key object names
// one), the public key object and its directory entry, the certificate and the private object.
uint32_t DeletePair(const DeviceSession& session, const ContainerInfo& info,
                    const KeyPairRefs& pair) {
  const uint16_t publicKey = info.refs[pair.publicKey];
  if (IsReferenceSet(publicKey)) {
    uint8_t keyNumber = 0xFF;
    if (ReadKeyNumberOfObject(session, publicKey, false, keyNumber) == 0 &&
        IsKeyNumber(keyNumber)) {
      if (const uint32_t status = DeleteDeviceKeyPair(session, keyNumber); status != 0) {
        return status;
      }
    }
    DeleteObject(session, publicKey, IndexKind::kObjects);
    RemoveCertificateDirectoryEntry(session, keyNumber);
  }
  if (IsReferenceSet(info.refs[pair.certificate])) {
    DeleteObject(session, info.refs[pair.certificate], IndexKind::kObjects);
  }
  if (IsReferenceSet(info.refs[pair.privateKey])) {
    DeleteObject(session, info.refs[pair.privateKey], IndexKind::kPrivateObjects);
  }
  return kOk;
}

}  // namespace

uint32_t DeleteContainer(const DeviceSession& session, std::string_view name) {
  if (name.empty()) {
    return kBadArgument;
  }
  std::vector<ContainerInfo> containers;
  if (const uint32_t status = ListContainers(session, containers); status != 0) {
    return status;
  }
  const ContainerInfo* found = FindListedContainer(containers, name);
  if (found == nullptr) {
    return kContainerNotFound;
  }
  for (const KeyPairRefs* pair : {&kSignaturePair, &kExchangePair}) {
    if (const uint32_t status = DeletePair(session, *found, *pair); status != 0) {
      return status;
    }
  }
  DeleteObject(session, found->fileId, IndexKind::kObjects);
  return kOk;
}

}  // namespace kq::store
