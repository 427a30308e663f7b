#include "store/key_pair_deletion.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/certificate_directory.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "store/index_slot.h"
#include "store/key_ownership.h"
#include "store/object_file.h"
#include "store/public_key_object.h"

namespace kq::store {

namespace {

// One reference of the pair: what it names, and whether that is the container's to delete.
struct PairObject {
  ContainerRef ref;
  IndexKind index;
  uint16_t fileId = kNoReference;
  Ownership ownership = Ownership::kGone;
};

// What deleting a pair touches, decided before anything changes.
struct PairSurvey {
  std::array<PairObject, 3> objects;
  uint32_t mask = 0;                        // the references to release
  uint8_t keyNumber = kNoKeyNumber;         // the key number of the pair's own public key object
  uint8_t privateKeyNumber = kNoKeyNumber;  // the one its private key object names
  bool deviceKeyOwned = false;              // the slot holds the key that object describes
  bool slotForeign = false;                 // the slot holds another key pair than that object's
};

// Whether a container other than `container` names the file (a damaged key can hold two).
bool NamedByAnother(const std::vector<ContainerInfo>& containers, const ContainerInfo& container,
                    uint16_t fileId) {
  return std::ranges::any_of(containers, [&](const ContainerInfo& other) {
    return other.fileId != container.fileId &&
           std::ranges::find(other.refs, fileId) != other.refs.end();
  });
}

// The key number a key object names, or kNoKeyNumber.
uint8_t KeyNumberOf(const AttributeTemplate& object) {
  const std::vector<uint8_t>* number = object.Bytes(attr::kKeyNumber);
  return number != nullptr && number->size() == 1 && IsKeyNumber((*number)[0]) ? (*number)[0]
                                                                               : kNoKeyNumber;
}

// Whether a public key object of a container other than `container` names the key number (a
// copied object can carry any container's name). kDeviceFailed when one cannot be read.
uint32_t SlotNamedByAnother(const DeviceSession& session,
                            const std::vector<ContainerInfo>& containers,
                            const ContainerInfo& container, uint8_t keyNumber, bool& named) {
  named = false;
  for (const ContainerInfo& other : containers) {
    for (const KeyPairRefs* pair : {&kSignaturePair, &kExchangePair}) {
      const uint16_t fileId = other.refs[pair->publicKey];
      if (other.fileId == container.fileId || !IsReferenceSet(fileId)) {
        continue;
      }
      uint8_t number = kNoKeyNumber;
      const uint32_t status = ReadKeyNumberOfObject(session, fileId, false, number);
      if (status == kDeviceFailed) {
        return status;
      }
      named = named || (status == 0 && number == keyNumber);
    }
  }
  return kOk;
}

uint32_t SurveyPair(const DeviceSession& session, const ContainerInfo& container,
                    const KeyPairRefs& pair, PairSurvey& survey) {
  survey.objects = {PairObject{pair.certificate, IndexKind::kObjects},
                    PairObject{pair.publicKey, IndexKind::kObjects},
                    PairObject{pair.privateKey, IndexKind::kPrivateObjects}};
  std::vector<ContainerInfo> containers;
  if (const uint32_t status = ListContainers(session, containers); status != 0) {
    return status;
  }
  for (PairObject& object : survey.objects) {
    object.fileId = container.refs[object.ref];
    if (!IsReferenceSet(object.fileId)) {
      continue;
    }
    survey.mask |= RefMask(object.ref);
    AttributeTemplate read;
    if (const uint32_t status =
            ReadObjectOwnership(session, object.fileId, container.name, object.ownership, read);
        status != 0) {
      return status;
    }
    if (object.ownership == Ownership::kOwned &&
        NamedByAnother(containers, container, object.fileId)) {
      object.ownership = Ownership::kForeign;  // the other container keeps it, and its key pair
      continue;
    }
    if (object.ownership != Ownership::kOwned) {
      continue;
    }
    if (object.ref == pair.privateKey) {
      survey.privateKeyNumber = KeyNumberOf(read);
      continue;
    }
    if (object.ref != pair.publicKey || !IsKeyNumber(KeyNumberOf(read))) {
      continue;  // names no key pair: only objects go
    }
    survey.keyNumber = KeyNumberOf(read);
    std::optional<DevicePublicKey> deviceKey;
    if (const uint32_t status = ReadSlotKey(session, survey.keyNumber, deviceKey); status != 0) {
      return status;
    }
    survey.deviceKeyOwned = deviceKey && IsKeyOfObject(*deviceKey, read);
    survey.slotForeign = deviceKey && !survey.deviceKeyOwned;
  }
  // A pair whose objects disagree on the slot, or whose slot another container names, is not
  // provably the container's: its device key stays, and so does the slot's directory entry.
  bool namedByAnother = false;
  if (survey.deviceKeyOwned) {
    if (const uint32_t status =
            SlotNamedByAnother(session, containers, container, survey.keyNumber, namedByAnother);
        status != 0) {
      return status;
    }
  }
  if (namedByAnother ||
      (IsKeyNumber(survey.privateKeyNumber) && survey.privateKeyNumber != survey.keyNumber)) {
    survey.deviceKeyOwned = false;
    survey.slotForeign = true;
  }
  return kOk;
}

// Sets the masked references of the container to `refs`.
uint32_t SetPairRefs(const DeviceSession& session, const ContainerInfo& container,
                     const ContainerRefs& refs, uint32_t mask) {
  return mask == 0 ? kOk : SetContainerRefs(session, container.fileId, refs, mask);
}

}  // namespace

uint32_t ReleaseContainerReference(const DeviceSession& session, ContainerInfo& container,
                                   ContainerRef ref, IndexKind index, bool& shared) {
  shared = false;
  const uint16_t fileId = container.refs[ref];
  if (!IsReferenceSet(fileId)) {
    return 0;
  }
  std::vector<ContainerInfo> containers;
  if (ListContainers(session, containers) != 0) {
    return kDeviceFailed;
  }
  if (ClearContainerRef(session, container.fileId, ref) != 0) {
    return kDeviceFailed;
  }
  container.refs[ref] = kNoReference;
  shared = NamedByAnother(containers, container, fileId);  // the other container keeps it
  return shared || DeleteObject(session, fileId, index) == 0 ? 0 : kDeviceFailed;
}

const KeyPairRefs& OtherPair(const KeyPairRefs& pair) {
  return pair.certificate == kExchangeCertificate ? kSignaturePair : kExchangePair;
}

uint32_t DeleteOwnedKeyPair(const DeviceSession& session, ContainerInfo& container,
                            const KeyPairRefs& pair, uint8_t expectedKeyNumber) {
  PairSurvey survey;
  if (const uint32_t status = SurveyPair(session, container, pair, survey); status != 0) {
    return status;
  }
  if (IsKeyNumber(expectedKeyNumber) && IsKeyNumber(survey.keyNumber) &&
      survey.keyNumber != expectedKeyNumber) {
    return kDeviceFailed;  // the pair names another key than its caller read: the key changed
  }
  // The references go first, so that no container names the slot while its key pair goes.
  ContainerRefs released{};
  released.fill(kNoReference);
  if (SetPairRefs(session, container, released, survey.mask) != 0) {
    return kDeviceFailed;
  }
  uint32_t result = kOk;
  if (survey.deviceKeyOwned) {
    result = DeleteDeviceKeyPair(session, survey.keyNumber);
    // Declined or failed on the key: the pair stays whole, named again by its container. A
    // failure after the key deleted it (its result not fetched) is no reason to name the empty
    // slot again, which the next key pair generated would take: the deletion goes on. When the
    // slot cannot be read back, nobody knows: the references stay released and the objects keep
    // the container's name, for the repair to link again.
    std::optional<DevicePublicKey> left;
    if (result != 0 && ReadSlotKey(session, survey.keyNumber, left) != 0) {
      return result;
    }
    if (result != 0 && left) {
      return SetPairRefs(session, container, container.refs, survey.mask) == 0 ? result
                                                                               : kDeviceFailed;
    }
  }
  for (const PairObject& object : survey.objects) {
    container.refs[object.ref] = kNoReference;
  }
  // Objects another container's name is on stay; so does a directory entry of a slot that
  // holds another key pair now.
  for (const PairObject& object : survey.objects) {
    if (object.ownership == Ownership::kOwned &&
        DeleteObject(session, object.fileId, object.index) != 0) {
      return kDeviceFailed;
    }
  }
  if (IsKeyNumber(survey.keyNumber) && !survey.slotForeign) {
    RemoveCertificateDirectoryEntry(session, survey.keyNumber);
  }
  return result;
}

uint32_t DeleteContainerKeyPair(const DeviceSession& session, ContainerInfo& container,
                                const KeyPairRefs& pair, uint8_t keyNumber) {
  if (const uint32_t status = DeleteOwnedKeyPair(session, container, pair, keyNumber);
      status != 0) {
    return status;
  }
  const KeyPairRefs& other = OtherPair(pair);
  if (!IsReferenceSet(container.refs[other.certificate]) &&
      !IsReferenceSet(container.refs[other.publicKey])) {
    if (DeleteObject(session, container.fileId, IndexKind::kObjects) != 0) {
      return kDeviceFailed;
    }
  }
  return 0;
}

}  // namespace kq::store
