#include "store/key_listing.h"

#include <string>

#include "pki/certificate_reader.h"
#include "platform/certificate.h"
#include "store/certificate_reading.h"
#include "store/containers.h"
#include "store/public_key_object.h"

namespace kq::store {

namespace {

// The subject of the certificate in fileId, or "no cert".
std::string SubjectOrNoCert(const DeviceSession& session, uint16_t fileId) {
  std::vector<uint8_t> der;
  std::string subject;
  if (!IsReferenceSet(fileId) || ReadCertificate(session, fileId, der) != 0) {
    return kNoCertificateSubject;
  }
  const platform::Certificate certificate = platform::Certificate::Decode(der);
  if (!certificate.loaded() || CertSubjectText(subject, certificate) != 0) {
    return kNoCertificateSubject;
  }
  return subject;
}

// One entry per container key pair that has a public key object, in container order.
std::vector<KeyListEntry> ContainerKeys(const DeviceSession& session) {
  std::vector<KeyListEntry> entries;
  std::vector<ContainerInfo> containers;
  if (ListContainers(session, containers) != 0) {
    return entries;
  }
  for (const ContainerInfo& container : containers) {
    for (const KeyPairRefs* pair : {&kSignaturePair, &kExchangePair}) {
      const uint16_t publicKey = container.refs[pair->publicKey];
      if (!IsReferenceSet(publicKey)) {
        continue;
      }
      KeyListEntry entry;
      entry.usage = pair == &kSignaturePair ? kUsageSignature : kUsageExchange;
      entry.containerName = container.name;
      entry.subject = SubjectOrNoCert(session, container.refs[pair->certificate]);
      uint8_t keyNumber = 0xFF;
      DevicePublicKey key;
      if (ReadPublicKeyObject(session, publicKey, keyNumber, key) == 0) {
        entry.keyNumber = keyNumber;
        entry.keyBits = key.bits;
      }
      entries.push_back(std::move(entry));
    }
  }
  return entries;
}

}  // namespace

uint32_t ListKeysWithCertificates(const DeviceSession& session, std::vector<KeyListEntry>& keys) {
  keys.clear();
  std::vector<KeyListEntry> deviceKeys;
  if (const uint32_t status = ListDeviceKeys(session, deviceKeys); status != 0) {
    return status;
  }
  if (deviceKeys.empty()) {
    return 0;
  }
  const std::vector<KeyListEntry> claimed = ContainerKeys(session);
  for (KeyListEntry& key : deviceKeys) {
    if (!IsKeyNumber(key.keyNumber)) {
      continue;
    }
    for (const KeyListEntry& entry : claimed) {
      if (entry.keyNumber == key.keyNumber) {
        key.usage = entry.usage;
        key.subject = entry.subject;
        key.containerName = entry.containerName;
        break;
      }
    }
  }
  keys = std::move(deviceKeys);
  return 0;
}

}  // namespace kq::store
