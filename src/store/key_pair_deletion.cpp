#include "store/key_pair_deletion.h"

#include "common/codes_store.h"
#include "store/certificate_directory.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "store/index_slot.h"
#include "store/object_file.h"

namespace kq::store {

uint32_t ReleaseContainerReference(const DeviceSession& session, ContainerInfo& container,
                                   ContainerRef ref, IndexKind index) {
  const uint16_t fileId = container.refs[ref];
  if (!IsReferenceSet(fileId)) {
    return 0;
  }
  if (ClearContainerRef(session, container.fileId, ref) != 0) {
    return kDeviceFailed;
  }
  container.refs[ref] = kNoReference;
  return DeleteObject(session, fileId, index) == 0 ? 0 : kDeviceFailed;
}

const KeyPairRefs& OtherPair(const KeyPairRefs& pair) {
  return pair.certificate == kExchangeCertificate ? kSignaturePair : kExchangePair;
}

uint32_t DeleteContainerKeyPair(const DeviceSession& session, ContainerInfo& container,
                                const KeyPairRefs& pair, uint8_t keyNumber) {
  if (const uint32_t status = DeleteDeviceKeyPair(session, keyNumber); status != 0) {
    return status;
  }
  if (ReleaseContainerReference(session, container, pair.certificate, IndexKind::kObjects) != 0 ||
      ReleaseContainerReference(session, container, pair.publicKey, IndexKind::kObjects) != 0 ||
      ReleaseContainerReference(session, container, pair.privateKey, IndexKind::kPrivateObjects) !=
          0) {
    return kDeviceFailed;
  }
  const KeyPairRefs& other = OtherPair(pair);
  if (!IsReferenceSet(container.refs[other.certificate]) &&
      !IsReferenceSet(container.refs[other.publicKey])) {
    if (DeleteObject(session, container.fileId, IndexKind::kObjects) != 0) {
      return kDeviceFailed;
    }
  }
  RemoveCertificateDirectoryEntry(session, keyNumber);
  return 0;
}

}  // namespace kq::store
