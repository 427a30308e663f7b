#include "store/certificate_writing.h"

#include <string>
#include <vector>

#include "common/codes_store.h"
#include "pki/certificate_reader.h"
#include "platform/certificate.h"
#include "store/attribute_types.h"
#include "store/certificate_directory.h"
#include "store/containers.h"
#include "store/default_templates.h"
#include "store/device_files.h"
#include "store/key_ownership.h"
#include "store/object_file.h"
#include "store/public_key_object.h"

namespace kq::store {

namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The subject text of a decoded certificate; false when it cannot be rendered.
bool SubjectOf(const platform::Certificate& certificate, std::string& subject) {
  return CertSubjectText(subject, certificate) == 0;
}

uint32_t EncodeCertificateObject(std::span<const uint8_t> certificate,
                                 std::string_view containerName, std::vector<uint8_t>& encoded) {
  AttributeTemplate object;
  if (object.Load(CertificateDefaults()) != 0) {
    return kTemplateDefaultsFailed;
  }
  if (!object.Set(attr::kValue, certificate) ||
      !object.Set(attr::kContainerName, Bytes(containerName))) {
    return kTemplateSetFailed;
  }
  return object.Serialise(encoded) ? kOk : kSerialiseFailed;
}

// A certificate object written to a new file: the free slot of the object index it is to take,
// what that slot held, and the entry that names the new file.
struct NewObjectFile {
  size_t slot = 0;
  IndexSlot former{};
  IndexSlot entry{};
};

uint32_t CreateCertificateFile(const DeviceSession& session, std::span<const uint8_t> certificate,
                               std::string_view containerName, NewObjectFile& created) {
  std::vector<uint8_t> encoded;
  if (const uint32_t status = EncodeCertificateObject(certificate, containerName, encoded);
      status != 0) {
    return status;
  }
  if (const uint32_t status = CheckObjectSize(session, encoded.size()); status != 0) {
    return status;
  }
  std::vector<uint8_t> index;
  if (const uint32_t status = ReadIndex(session, IndexKind::kObjects, index); status != 0) {
    return status;
  }
  const std::optional<size_t> slot = FirstFreeSlot(index);
  if (!slot) {
    return kNoFreeSlot;
  }
  created.slot = *slot;
  created.former = ParseIndexSlots(index)[*slot];
  uint16_t fileId = 0;
  if (const uint32_t status = CreateObjectFile(session, IndexKind::kObjects, encoded, fileId);
      status != 0) {
    return status;
  }
  created.entry = {kClassCertificate, static_cast<uint32_t>(encoded.size()), fileId};
  return kOk;
}

// Reads the container object in fileId as it stands now.
bool ReadContainerAt(const DeviceSession& session, uint16_t fileId, ContainerInfo& info) {
  uint32_t length = 0;
  AttributeTemplate object;
  if (!IsObjectFileId(fileId) || FileLength(session, fileId, length) != 0 || length == 0 ||
      ReadObject(session, fileId, length, object) != 0 ||
      ReadContainerObject(object, info) != ContainerShape::kContainer) {
    return false;
  }
  info.fileId = fileId;
  return true;
}

// Points the container's reference back at the certificate it held before the new one (or at
// none), when the new one could not be completed.
void RestoreReference(const DeviceSession& session, uint16_t containerFileId, ContainerRef ref,
                      uint16_t former) {
  if (!IsReferenceSet(former)) {
    ClearContainerRef(session, containerFileId, ref);
    return;
  }
  ContainerRefs refs{};
  refs.fill(kNoReference);
  refs[ref] = former;
  SetContainerRefs(session, containerFileId, refs, RefMask(ref));
}

// The key number of the pair's public key object, which must sit in the object index with the
// length its slot records.
uint32_t KeyNumberOfPair(const DeviceSession& session, uint16_t publicKey, uint8_t& keyNumber) {
  std::vector<uint8_t> index;
  if (!IsObjectFileId(publicKey) || ReadIndex(session, IndexKind::kObjects, index) != 0) {
    return kDeviceFailed;
  }
  const std::optional<size_t> slot = FindSlotByFileId(index, publicKey);
  uint32_t length = 0;
  if (!slot || FileLength(session, publicKey, length) != 0 ||
      length != ParseIndexSlots(index)[*slot].length ||
      ReadKeyNumberOfObject(session, publicKey, false, keyNumber) != 0) {
    return kDeviceFailed;
  }
  return kOk;
}

// Compares the certificate's public key with the device's key of that number.
uint32_t MatchDeviceKey(const DeviceSession& session, uint8_t keyNumber,
                        std::span<const uint8_t> certificate) {
  DevicePublicKey deviceKey;
  if (ReadDevicePublicKey(session, keyNumber, deviceKey) != 0) {
    return kDeviceFailed;
  }
  ByteVector certificateKey;
  if (!CertPublicKeyBytes(certificate.data(), certificate.size(), certificateKey)) {
    return kCertificateKeyUnreadable;
  }
  std::vector<uint8_t> expected;
  if (deviceKey.bits == 256) {
    // An SM2 pair: the certificate carries the uncompressed point 04 || X || Y.
    expected.push_back(0x04);
    expected.insert(expected.end(), deviceKey.first.begin(), deviceKey.first.end());
    expected.insert(expected.end(), deviceKey.second.begin(), deviceKey.second.end());
  } else {
    const size_t used = std::min<size_t>(deviceKey.first.size(), deviceKey.bits / 8);
    expected.assign(deviceKey.first.begin(), deviceKey.first.begin() + static_cast<long>(used));
  }
  if (expected.size() != certificateKey.size()) {
    return kDeviceFailed;
  }
  return expected == certificateKey ? kOk : kCertificateKeyMismatch;
}

// Deletes the certificate a new one replaced, once the container names the new one; a file that
// another container's name is on now is left alone. Failures are cleanup and not reported.
void DeleteReplacedCertificate(const DeviceSession& session, uint16_t former,
                               std::string_view containerName) {
  Ownership ownership = Ownership::kForeign;
  AttributeTemplate object;
  if (IsReferenceSet(former) &&
      ReadObjectOwnership(session, former, containerName, ownership, object) == 0 &&
      ownership == Ownership::kOwned) {
    DeleteObject(session, former, IndexKind::kObjects);
  }
}

}  // namespace

uint32_t WriteCertificate(const DeviceSession& session, std::string_view containerName,
                          uint32_t keySpec, std::span<const uint8_t> certificate) {
  if (containerName.empty() || certificate.empty()) {
    return kBadArgument;
  }
  const platform::Certificate decoded = platform::Certificate::Decode(certificate);
  if (!decoded.loaded() || decoded.IsSignedByOwnKey()) {
    return kDeviceFailed;  // only certificates issued by another key are stored
  }
  std::string subject;
  if (!SubjectOf(decoded, subject)) {
    return kDeviceFailed;
  }

  const KeyPairRefs& pair = PairOfKeySpec(keySpec);
  ContainerInfo container;
  if (FindContainer(session, containerName, container) != 0) {
    return kDeviceFailed;
  }
  uint8_t keyNumber = 0xFF;
  if (KeyNumberOfPair(session, container.refs[pair.publicKey], keyNumber) != 0) {
    return kDeviceFailed;
  }
  if (const uint32_t status = MatchDeviceKey(session, keyNumber, certificate); status != 0) {
    return status;
  }

  if (FindContainer(session, containerName, container) != 0) {
    return kDeviceFailed;
  }
  // The old certificate stays until the new one is written and referenced: a failure on the
  // way keeps it.
  const uint16_t former = container.refs[pair.certificate];

  NewObjectFile created;
  if (const uint32_t status = CreateCertificateFile(session, certificate, containerName, created);
      status != 0) {
    return status;
  }
  const uint16_t fileId = created.entry.fileId;
  ContainerRefs refs{};
  refs.fill(kNoReference);
  refs[pair.certificate] = fileId;
  if (const uint32_t status =
          SetContainerRefs(session, container.fileId, refs, RefMask(pair.certificate));
      status != 0) {
    DeleteDeviceFile(session, fileId);
    return status;
  }
  if (const uint32_t status =
          WriteIndexSlot(session, IndexKind::kObjects, created.slot, created.entry);
      status != 0) {
    DeleteDeviceFile(session, fileId);
    RestoreReference(session, container.fileId, pair.certificate, former);
    return status;
  }
  WriteCertificateDirectory(session, keyNumber, Bytes(subject), certificate);
  // Last, so that no file is created after a deletion that fails half-way (its file gone, its
  // index slot kept) and takes the id that slot still names.
  DeleteReplacedCertificate(session, former, containerName);
  return kOk;
}

uint32_t StoreCertificate(const DeviceSession& session, uint8_t keyNumber,
                          std::span<const uint8_t> certificate, std::string_view containerName,
                          uint16_t containerFileId, uint32_t keySpec) {
  if (containerName.empty() || certificate.empty()) {
    return kBadArgument;
  }
  if (!IsObjectFileId(containerFileId)) {
    return kBadFileId;
  }
  const platform::Certificate decoded = platform::Certificate::Decode(certificate);
  std::string subject;
  if (!decoded.loaded() || !SubjectOf(decoded, subject)) {
    return kDeviceFailed;
  }
  const KeyPairRefs& pair = PairOfKeySpec(keySpec);
  ContainerInfo container;
  // The old certificate stays until the new one is complete: a failure on the way keeps it. A
  // container that cannot be read is not written blind (an undo would not know what to restore).
  if (!ReadContainerAt(session, containerFileId, container)) {
    return kDeviceFailed;
  }
  const uint16_t former = container.refs[pair.certificate];

  NewObjectFile created;
  if (const uint32_t status = CreateCertificateFile(session, certificate, containerName, created);
      status != 0) {
    return status;
  }
  const uint16_t fileId = created.entry.fileId;
  if (const uint32_t status =
          WriteIndexSlot(session, IndexKind::kObjects, created.slot, created.entry);
      status != 0) {
    DeleteDeviceFile(session, fileId);
    WriteIndexSlot(session, IndexKind::kObjects, created.slot, created.former);
    return status;
  }
  // From here a failure takes the new object out again: file, slot and reference.
  const auto undo = [&](uint32_t status) {
    DeleteDeviceFile(session, fileId);
    WriteIndexSlot(session, IndexKind::kObjects, created.slot, created.former);
    return status;
  };
  ContainerRefs refs{};
  refs.fill(kNoReference);
  refs[pair.certificate] = fileId;
  if (const uint32_t status =
          SetContainerRefs(session, containerFileId, refs, RefMask(pair.certificate));
      status != 0) {
    return undo(status);
  }
  if (const uint32_t status =
          WriteCertificateDirectory(session, keyNumber, Bytes(subject), certificate);
      status != 0) {
    RestoreReference(session, containerFileId, pair.certificate, former);
    return undo(status);
  }
  DeleteReplacedCertificate(session, former, containerName);
  return kOk;
}

}  // namespace kq::store
